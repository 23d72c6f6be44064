// The recorder half's set-up: the engine and the save flow, the input
// lists, the skins and tooltips, and the storage settings' commands.
#include "recorder/recorder_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "controls/browse_for_folder.h"
#include "controls/gradient_button.h"
#include "controls/trackbar.h"
#include "engine/encoder_plugin.h"
#include "engine/mp3_temp_encoder.h"
#include "engine/quality_bitrates.h"
#include "engine/record_formats.h"
#include "engine/recording_engine.h"
#include "input/input_lists.h"
#include "input/mixer_panel.h"
#include "platform/paths.h"
#include "platform/shell.h"
#include "recorder/device_list_follower.h"
#include "recorder/dialog_template.h"
#include "recorder/level_display.h"
#include "recorder/save_flow.h"
#include "recorder/waveform_view.h"
#include "recorder/window_controls.h"
#include "recorder/window_prompts.h"
#include "resources/addresses.h"
#include "resources/artwork.h"
#include "resources/strings.h"

namespace {

const QColor kTransparent(192, 192, 192);

// The longest start of `folder` that the folder edit holds, never half of a
// character outside the basic plane.
QString FitFolderEdit(QString folder)
{
    constexpr int limit = RecorderTemplate::kFolderMaxLength;
    if (folder.size() > limit)
        folder.truncate(folder[limit].isLowSurrogate() ? limit - 1 : limit);
    return folder;
}

}  // namespace

RecorderPanel::RecorderPanel(QWidget& window, const WindowControls& controls, RecorderSettings& values)
    : m_window(window)
    , m_c(controls)
    , m_values(values)
{
    // The engine's blocks are allocated once, with the window, and the
    // encoder plug-in is bound then.
    m_engine = std::make_unique<RecordingEngine>();
    m_encoder = std::make_shared<EncoderPlugin>();
    m_encoder->LoadEncoder(platform::ProgramFolder());
    m_engine->SetMp3Side(std::make_unique<Mp3TempEncoder>(m_encoder, [this] { return m_values.recordQuality; }));
    m_prompts = std::make_unique<WindowPrompts>(window, controls, values);
    m_saveFlow = std::make_unique<SaveFlow>(*m_engine, *m_prompts, m_encoder);

    // The save-format list takes its two entries from the template's initial data.
    m_c.encoding->addItem(QCoreApplication::translate("RecorderWindow", "压缩为MP3格式 (.mp3 文件)"));
    m_c.encoding->addItem(QCoreApplication::translate("RecorderWindow", "无压缩格式 (.wav 文件)"));
}

RecorderPanel::~RecorderPanel() = default;

void RecorderPanel::SetUp(const InputHistory& history)
{
    const std::pair<QWidget*, resources::StringId> toolTips[] = {
        {m_c.positionReadout, resources::IDS_TIP_POSITION},
        {m_c.waveform, resources::IDS_TIP_WAVEFORM},
        {m_c.lengthReadout, resources::IDS_TIP_LENGTH},
        {m_c.seekStart, resources::IDS_TIP_SEEK_START},
        {m_c.seekEnd, resources::IDS_TIP_SEEK_END},
        {m_c.play, resources::IDS_TIP_PLAY},
        {m_c.record, resources::IDS_TIP_RECORD},
        {m_c.newRecording, resources::IDS_TIP_NEW_RECORDING},
        {m_c.clearAfterPosition, resources::IDS_TIP_CLEAR_AFTER_POSITION},
        {m_c.save, resources::IDS_TIP_SAVE},
        {m_c.stop, resources::IDS_TIP_STOP},
        {m_c.lineVolume, resources::IDS_TIP_LINE_VOLUME},
        {m_c.forceLineSelection, resources::IDS_TIP_FORCE_LINE_SELECTION},
        {m_c.advanced, resources::IDS_TIP_ADVANCED},
    };
    for (const auto& [control, stringId] : toolTips)
        control->setToolTip(resources::Text(stringId));
    ShowLevelsOnWaveform(*m_engine, *m_c.waveform);

    m_deviceList = std::make_unique<DeviceListFollower>(
        DeviceListFollower::Controls{m_c.deviceList, m_c.playlistStatus, &m_window},
        [this] { return m_engine->IsCaptureDeviceOpen(); });
    m_deviceList->Fill(history.device);
    m_mixerPanel = std::make_unique<MixerPanel>(
        MixerPanel::Controls{m_c.deviceList, m_c.lineList, m_c.lineVolume, m_c.forceLineSelection, m_c.advanced});
    m_deviceList->SetMixerPanel(m_mixerPanel.get());
    connect(m_engine.get(), &RecordingEngine::CaptureDeviceMoved, m_deviceList.get(),
            &DeviceListFollower::OnCaptureMoved);
    m_mixerPanel->OnDeviceChanged();
    InputLists::FillFormatList(m_c.formatList, history.format);

    m_prompts->SetWaitCursor(true);
    m_c.waveform->Initialize();
    SetUpButtons();

    m_c.quality->setRange(0, 15);
    m_c.quality->setPageStep(1);
    m_c.quality->setValue(m_values.recordQuality);
    OnQualityScroll();

    ShowLength();
    ShowPosition(true);
    m_prompts->SetWaitCursor(false);

    ConnectCommands();
    ConnectEngine();
}

void RecorderPanel::SetUpButtons()
{
    for (controls::GradientButton* b : {m_c.save, m_c.newRecording, m_c.clearAfterPosition, m_c.advanced,
                                        m_c.onlineHelp, m_c.browseFolder, m_c.about})
        b->CreateSkin(8, 8, 10, 0, 0);

    // Image list 229: start, end, play, stop, record.
    const QList<QPixmap> images = resources::ImageList(229, 25, kTransparent);
    QPushButton* const order[] = {m_c.seekStart, m_c.seekEnd, m_c.play, m_c.stop, m_c.record};
    for (int i = 0; i < 5 && i < images.size(); ++i) {
        order[i]->setText(QString());
        order[i]->setIcon(QIcon(images[i]));
        order[i]->setIconSize(images[i].size());
    }

    // The saving label is drawn in red.
    QPalette p = m_c.savingLabel->palette();
    p.setColor(QPalette::WindowText, QColor(255, 0, 0));
    m_c.savingLabel->setPalette(p);
}

void RecorderPanel::ConnectCommands()
{
    connect(m_c.browseFolder, &QPushButton::clicked, this, [this] { OnBrowseFolder(); });
    connect(m_c.onlineHelp, &QPushButton::clicked, this,
            [] { platform::CurrentShell().OpenUrl(QString::fromLatin1(resources::kTutorialPage)); });
    connect(m_c.quality, &QSlider::valueChanged, this, [this] { OnQualityScroll(); });
    connect(m_c.formatList, &QComboBox::currentIndexChanged, this, [this] { ShowQualityBitrate(); });
}

void RecorderPanel::OnBrowseFolder()
{
    QString chosen;
    if (!controls::BrowseForFolder(&m_window, QString(), m_c.folderEdit->text(), chosen, 260))
        return;
    // The setting holds what the edit can show, so that the next exchange
    // with the edit reads back the same folder.
    m_values.recordFolder = FitFolderEdit(WithoutTrailingSeparators(chosen));
    m_c.folderEdit->setText(m_values.recordFolder);
}

void RecorderPanel::OnQualityScroll()
{
    m_values.recordQuality = m_c.quality->value();
    ShowQualityBitrate();
}

void RecorderPanel::ShowQualityBitrate()
{
    // What the frames will carry at the chosen format's rate, not the rate asked for.
    const uint32_t rate = RecordFormats::Format(m_c.formatList->currentIndex()).sampleRate;
    m_c.qualityBitrate->setText(QString::asprintf("%d kbps", EncodedBitrate(rate, m_values.recordQuality)));
}

void RecorderPanel::ShowAudioLost(double seconds)
{
    // Not modal: the recording goes on, and Stop stays at hand.
    auto* box = new QMessageBox(
        QMessageBox::Warning, m_window.windowTitle(),
        QString::asprintf(resources::Text(resources::IDS_RECORD_AUDIO_LOST).toUtf8().constData(), seconds),
        QMessageBox::Ok, &m_window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

bool RecorderPanel::HoldsUnsavedRecording() const
{
    return m_engine->State() == EngineState::Saving || (!m_saveFlow->IsSaved() && m_engine->GetDataLength() > 0);
}

void RecorderPanel::Release()
{
    m_saveFlow.reset();
    m_engine->Release();
}
