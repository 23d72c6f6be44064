#include "recorder/recorder_dialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QAbstractButton>
#include <QSlider>
#include <QTimer>
#include <QTimerEvent>
#include <algorithm>

#include "controls/about_dialog.h"
#include "controls/bitmap_button.h"
#include "controls/bitmap_slider.h"
#include "controls/browse_for_folder.h"
#include "controls/gradient_button.h"
#include "controls/hyperlink_label.h"
#include "engine/quality_bitrates.h"
#include "controls/progress_dialog.h"
#include "controls/trackbar.h"
#include "engine/encoder_plugin.h"
#include "engine/mp3_temp_encoder.h"
#include "engine/record_formats.h"
#include "engine/recording_engine.h"
#include "playlist/playlist_box.h"
#include "playlist/playlist_model.h"
#include "playlist/playlist_panel.h"
#include "platform/paths.h"
#include "platform/replacing_file.h"
#include "recorder/save_flow.h"
#include "recorder/level_display.h"
#include "recorder/waveform_view.h"
#include "input/input_lists.h"
#include "input/mixer_line_list.h"
#include "input/mixer_panel.h"
#include "recorder/device_list_follower.h"
#include "platform/audio/audio_backend.h"
#include "platform/shell.h"
#include "resources/addresses.h"
#include "resources/artwork.h"
#include "platform/tick_count.h"
#include "recorder/template_builder.h"
#include "recorder/accessible_names.h"
#include "resources/strings.h"

namespace {

constexpr int kTipPeriodMs = 30000;
constexpr int kFirstTipId = 445;
constexpr int kTipCount = 10;
constexpr int kAboutCommand = 16;
const QColor kTransparent(192, 192, 192);

// Tooltips served by the window: control id -> string id.
constexpr std::pair<int, int> kToolTips[] = {
    {1119, 369}, {1084, 370}, {1120, 371}, {1122, 372}, {1123, 373}, {103, 374}, {1127, 375},
    {1125, 376}, {1124, 377}, {1116, 378}, {1022, 380}, {1010, 440}, {1009, 441}, {1147, 444},
};

// Colours of the tips line, picked by the clock at every tip.
QColor tipColour(uint32_t tick)
{
    static const QColor red(255, 0, 0), green(0, 255, 0), blue(0, 0, 255);
    static const QColor table[20] = {red, green, blue, red, green, blue, red, red, green, blue,
                                     red, red,   red,  red, red,   red,  red, red, red,   red};
    return table[tick % 20];
}

// The longest start of `folder` that edit 1001 holds, never half of a
// character outside the basic plane.
QString FitFolderEdit(QString folder)
{
    constexpr int limit = RecorderTemplate::kFolderMaxLength;
    if (folder.size() > limit)
        folder.truncate(folder[limit].isLowSurrogate() ? limit - 1 : limit);
    return folder;
}

}  // namespace

RecorderDialog::RecorderDialog(SettingsStore& store, QWidget* parent)
    : QDialog(parent), m_store(store), m_units(controls::dialogFont())
{
    const RecorderSettings s = m_store.readSettings();
    m_encodeMethod = s.encodeMethod;
    m_recordFolder = s.recordFolder;
    // A stored folder that the edit cannot hold or that names no folder here
    // is set aside for this run, said once, and kept in the settings.
    if (!s.recordFolderIntact || s.recordFolder.size() > RecorderTemplate::kFolderMaxLength) {
        m_setAsideFolder = s.recordFolder;
        m_recordFolder.clear();
        QTimer::singleShot(0, this, [this] {
            QMessageBox::critical(this, windowTitle(),
                                  resources::text(resources::IDS_RECORD_FOLDER_UNUSABLE)
                                      .replace(QStringLiteral("%s"), m_setAsideFolder));
        });
    }
    m_showRightPanel = s.showRightPanel;
    m_recordQuality = s.recordQuality;
    m_askForRenaming = s.askForRenaming;
    m_loopPlaying = s.loopPlaying;
    m_settingsSnapshot = s;

    setFont(controls::dialogFont());
    setWindowTitle(QCoreApplication::translate("RecorderWindow", "Quillon 2.5 中文版"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    OnInitDialog();
}

RecorderDialog::~RecorderDialog()
{
    OnDestroy();
}

void RecorderDialog::OnInitDialog()
{
    // The steps run in a fixed order: later ones read what earlier ones set.
    TemplateBuilder builder(this, m_units);
    m_controls = builder.build(RecorderTemplate::controls());
    m_fullClientSize = QSize(m_units.x(RecorderTemplate::kWidth), m_units.y(RecorderTemplate::kHeight));
    setFixedSize(m_fullClientSize);
    // The engine's blocks are allocated once, with the window, and the
    // encoder plug-in is bound then.
    m_engine = std::make_unique<RecordingEngine>();
    m_encoder = std::make_shared<EncoderPlugin>();
    m_encoder->LoadEncoder(platform::programFolder());
    m_engine->SetMp3Side(std::make_unique<Mp3TempEncoder>(m_encoder, [this] { return m_recordQuality; }));
    m_saveFlow = std::make_unique<SaveFlow>(*m_engine, *this, m_encoder);

    // Combo 1003 takes its two entries from the template's initial data.
    auto* encoding = controlAs<QComboBox>(1003);
    encoding->addItem(QCoreApplication::translate("RecorderWindow", "压缩为MP3格式 (.mp3 文件)"));
    encoding->addItem(QCoreApplication::translate("RecorderWindow", "无压缩格式 (.wav 文件)"));
    UpdateData(false);

    setWindowIcon(resources::icon(128));
    LoadTips();
    SetUpPlaylistControls();
    for (const auto& [controlId, stringId] : kToolTips)
        control(controlId)->setToolTip(resources::text(stringId));
    ShowLevelsOnWaveform(*m_engine, *static_cast<WaveformView*>(control(1084)));

    const InputHistory history = m_store.readInputHistory();
    m_deviceList = std::make_unique<DeviceListFollower>(
        DeviceListFollower::Controls{controlAs<QComboBox>(1266), controlAs<QLabel>(1012), this},
        [this] { return m_engine->IsCaptureDeviceOpen(); });
    m_deviceList->Fill(history.device);
    m_mixerPanel = std::make_unique<MixerPanel>(
        MixerPanel::Controls{controlAs<QComboBox>(1266), controlAs<MixerLineList>(1268), controlAs<QSlider>(1010),
                             controlAs<QAbstractButton>(1009), controlAs<QAbstractButton>(1147)});
    m_deviceList->SetMixerPanel(m_mixerPanel.get());
    connect(m_engine.get(), &RecordingEngine::captureDeviceMoved, m_deviceList.get(),
            &DeviceListFollower::OnCaptureMoved);
    m_mixerPanel->OnDeviceChanged();
    InputLists::FillFormatList(controlAs<QComboBox>(1217), history.format);

    setWaitCursor(true);
    static_cast<WaveformView*>(control(1084))->Initialize();
    SetUpButtons();
    NameRecorderControls(m_controls);

    auto* quality = controlAs<QSlider>(1004);
    quality->setRange(0, 15);
    quality->setPageStep(1);
    quality->setValue(m_recordQuality);
    OnQualityScroll();

    ShowLength();
    ShowPosition(true);
    setWaitCursor(false);

    connectCommands();
    connectEngine();
    ApplyPlaylistPanel();
    m_tipTimer = startTimer(kTipPeriodMs);
}

void RecorderDialog::SetUpPlaylistControls()
{
    // The slider takes its bitmaps' size; then it keeps its left, top and
    // height and ends 10 pixels short of the client area's right edge.
    auto* slider = controlAs<controls::BitmapSlider>(1015);
    const QPoint topLeft = slider->pos();
    slider->LoadBitmaps(137, 134, 135, 138);
    slider->SetRange(0, 0);
    slider->SetPos(0);
    slider->setGeometry(topLeft.x(), topLeft.y(), m_fullClientSize.width() - 10 - topLeft.x(),
                        slider->sizeHint().height());

    m_playlist = controlAs<playlist::PlaylistBox>(1011);
    m_playlistPanel = std::make_unique<playlist::PlaylistPanel>(*m_playlist);
    playlist::PlaylistPanel* panel = m_playlistPanel.get();
    const std::tuple<int, int, int, void (playlist::PlaylistPanel::*)()> buttons[] = {
        {104, 194, 433, &playlist::PlaylistPanel::PlaySelected},
        {1023, 159, 435, &playlist::PlaylistPanel::StopPlaying},
        {1021, 160, 434, &playlist::PlaylistPanel::TogglePause}};
    for (const auto& [id, bitmapId, tipId, command] : buttons) {
        auto* b = controlAs<controls::BitmapButton>(id);
        b->SetImages(bitmapId, kTransparent);
        b->SetTipText(tipId);
        connect(b, &QAbstractButton::clicked, panel, command);
    }

    // The playlist takes the slider only once it has its bitmaps and range.
    panel->SetSettings(&m_store);
    panel->SetLoopSource([this] { return IsLoopPlaying(); });
    panel->Initialize(slider);
    panel->SetStatusWindow(controlAs<QLabel>(1012));
    panel->SetPositionWindow(controlAs<QLabel>(1014));
    // The list's keys for the window: Space pauses the playlist, "." stops
    // the recorder as its own stop button does.
    connect(m_playlist, &playlist::PlaylistBox::pauseRequested, panel, &playlist::PlaylistPanel::TogglePause);
    connect(m_playlist, &playlist::PlaylistBox::recorderStopRequested, this,
            [this] { controlAs<QAbstractButton>(1022)->click(); });
}

void RecorderDialog::SetUpButtons()
{
    for (int id : {1116, 1125, 1124, 1147, 1091, 1002, 1013})
        controlAs<controls::GradientButton>(id)->CreateSkin(8, 8, 10, 0, 0);
    controlAs<controls::BitmapButton>(1007)->SetFocusRectWhenFlat(false);

    // Image list 229: start, end, play, stop, record.
    const QList<QPixmap> images = resources::imageList(229, 25, kTransparent);
    const int order[] = {1122, 1123, 103, 1022, 1127};
    for (int i = 0; i < 5 && i < images.size(); ++i) {
        auto* b = controlAs<QPushButton>(order[i]);
        b->setText(QString());
        b->setIcon(QIcon(images[i]));
        b->setIconSize(images[i].size());
    }

    // The saving label is drawn in red.
    auto* saving = controlAs<QLabel>(1008);
    QPalette p = saving->palette();
    p.setColor(QPalette::WindowText, QColor(255, 0, 0));
    saving->setPalette(p);
}

void RecorderDialog::OnAbout()
{
    controls::AboutDialog about(this);
    about.exec();
}

void RecorderDialog::OnSysCommand(int command)
{
    if ((command & ~0xF) == kAboutCommand)
        OnAbout();
}

void RecorderDialog::contextMenuEvent(QContextMenuEvent* event)
{
    // The window menu of the title bar belongs to the window manager here;
    // the About entry lives in the window's own context menu instead.
    const QString about = resources::text(101);
    if (about.isEmpty())
        return;
    QMenu menu(this);
    menu.addAction(about, this, [this] { OnSysCommand(kAboutCommand); });
    menu.exec(event->globalPos());
}

void RecorderDialog::OnBrowseFolder()
{
    QString chosen;
    if (!controls::BrowseForFolder(this, QString(), controlAs<QLineEdit>(1001)->text(), chosen, 260))
        return;
    // The member holds what the edit can show, so that the next exchange
    // with the edit reads back the same folder.
    m_recordFolder = FitFolderEdit(withoutTrailingSeparators(chosen));
    controlAs<QLineEdit>(1001)->setText(m_recordFolder);
}

void RecorderDialog::OnOnlineHelp()
{
    platform::shell().openUrl(QString::fromLatin1(resources::kTutorialPage));
}

void RecorderDialog::connectCommands()
{
    connect(controlAs<QPushButton>(1013), &QPushButton::clicked, this, [this] { OnAbout(); });
    connect(controlAs<QPushButton>(1002), &QPushButton::clicked, this, [this] { OnBrowseFolder(); });
    connect(controlAs<QPushButton>(1091), &QPushButton::clicked, this, [this] { OnOnlineHelp(); });
    connect(controlAs<QSlider>(1004), &QSlider::valueChanged, this, [this] { OnQualityScroll(); });
    connect(controlAs<QComboBox>(1217), &QComboBox::currentIndexChanged, this, [this] { ShowQualityBitrate(); });
    connect(controlAs<QPushButton>(1007), &QPushButton::clicked, this, [this] { TogglePlaylistPanel(); });
    connect(controlAs<QCheckBox>(1024), &QCheckBox::clicked, this, [this] { m_askForRenaming = !m_askForRenaming; });
    connect(controlAs<QCheckBox>(1025), &QCheckBox::clicked, this, [this] { m_loopPlaying = !m_loopPlaying; });
}

namespace {

// The progress dialog behind the saver's progress interface; closing it
// enables the window again.
class ProgressDialogReporter final : public ProgressReporter {
public:
    explicit ProgressDialogReporter(std::unique_ptr<controls::ProgressDialog> dialog) : m_dialog(std::move(dialog)) {}
    ~ProgressDialogReporter() override { m_dialog->DestroyWindow(); }
    void SetRange(int low, int high) override { m_dialog->SetRange(low, high); }
    int SetPos(int pos) override { return m_dialog->SetPos(pos); }
    int GetPos() const override { return m_dialog->GetPos(); }
    bool CheckCancel() override { return m_dialog->CheckCancel(); }

private:
    std::unique_ptr<controls::ProgressDialog> m_dialog;
};

}  // namespace

std::optional<QString> RecorderDialog::chooseSavePath(const QString& defaultExtension, const QString& filter,
                                                      const QString& initialName)
{
    QFileDialog dialog(nullptr, QString(), QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultExtension);
    dialog.selectFile(initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

bool RecorderDialog::confirmReplace(const QString& path)
{
    // In the words of the save dialog's own question.
    const QString question =
        QCoreApplication::translate("QFileDialog", "%1 already exists.\nDo you want to replace it?")
            .arg(QFileInfo(path).fileName());
    return QMessageBox::warning(this, windowTitle(), question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
           QMessageBox::Yes;
}

void RecorderDialog::showSavingLabel(bool shown)
{
    QWidget* label = control(1008);
    label->setVisible(shown);
    label->repaint();
}

void RecorderDialog::setWaitCursor(bool wait)
{
    if (wait) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        setEnabled(false);
        return;
    }
    // What the user did while the file was written reaches a disabled window
    // and a refused close now, instead of acting once the save is over.
    QCoreApplication::processEvents();
    setEnabled(true);
    QApplication::restoreOverrideCursor();
}

std::unique_ptr<ProgressReporter> RecorderDialog::createProgress(int titleId)
{
    auto dialog = std::make_unique<controls::ProgressDialog>(resources::text(titleId));
    if (!dialog->Create(this))
        return nullptr;
    return std::make_unique<ProgressDialogReporter>(std::move(dialog));
}

void RecorderDialog::addRecording(const QString& path)
{
    m_playlistPanel->AddRecording(path, true);
}

playlist::PlaylistModel& RecorderDialog::playlist() { return m_playlistPanel->model(); }

QStringList RecorderDialog::savedRecordings() const { return m_saveFlow->savedFiles(); }

void RecorderDialog::ShowAudioLost(double seconds)
{
    // Not modal: the recording goes on, and Stop stays at hand.
    auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(),
                                QString::asprintf(resources::text(resources::IDS_RECORD_AUDIO_LOST).toUtf8().constData(),
                                                  seconds),
                                QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

void RecorderDialog::showError(int stringId)
{
    QMessageBox::critical(this, windowTitle(), resources::text(stringId));
}

Answer RecorderDialog::ask(int stringId)
{
    const auto b = QMessageBox::question(this, windowTitle(), resources::text(stringId),
                                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                         QMessageBox::Yes);
    return b == QMessageBox::Yes ? Answer::Yes : b == QMessageBox::No ? Answer::No : Answer::Cancel;
}

void RecorderDialog::UpdateData(bool fromControls)
{
    auto* folder = controlAs<QLineEdit>(1001);
    auto* encoding = controlAs<QComboBox>(1003);
    auto* rename = controlAs<QCheckBox>(1024);
    auto* loop = controlAs<QCheckBox>(1025);
    if (fromControls) {
        m_recordFolder = withoutTrailingSeparators(folder->text());
        m_encodeMethod = std::max(0, encoding->currentIndex());
        m_askForRenaming = rename->isChecked();
        m_loopPlaying = loop->isChecked();
    } else {
        folder->setText(m_recordFolder);
        encoding->setCurrentIndex(m_encodeMethod);
        rename->setChecked(m_askForRenaming);
        loop->setChecked(m_loopPlaying);
    }
}

bool RecorderDialog::IsLoopPlaying() const { return m_loopPlaying; }

void RecorderDialog::OnQualityScroll()
{
    m_recordQuality = controlAs<QSlider>(1004)->value();
    ShowQualityBitrate();
}

void RecorderDialog::ShowQualityBitrate()
{
    // What the frames will carry at the chosen format's rate, not the rate asked for.
    const uint32_t rate = RecordFormats::format(controlAs<QComboBox>(1217)->currentIndex()).sampleRate;
    controlAs<QLabel>(1017)->setText(QString::asprintf("%d kbps", EncodedBitrate(rate, m_recordQuality)));
}

void RecorderDialog::LoadTips()
{
    for (int i = 0; i < kTipCount; ++i) {
        m_tipTexts.append(resources::text(kFirstTipId + 2 * i));
        m_tipLinks.append(resources::text(kFirstTipId + 2 * i + 1));
    }
    auto* tips = controlAs<controls::HyperlinkLabel>(1016);
    tips->SetAutoSize(true);
    tips->SetIsUrl(true);
    tips->SetUnderline(1);
    m_tipIndex = int(platform::tickCount() % uint32_t(m_tipTexts.size()));
    tips->setText(m_tipTexts[m_tipIndex]);
    tips->SetUrl(m_tipLinks[m_tipIndex]);
}

void RecorderDialog::ShowNextTip()
{
    m_tipIndex = (m_tipIndex + 1) % m_tipTexts.size();
    auto* tips = controlAs<controls::HyperlinkLabel>(1016);
    tips->setText(m_tipTexts[m_tipIndex]);
    tips->SetUrl(m_tipLinks[m_tipIndex]);
    const QColor c = tipColour(platform::tickCount());
    tips->SetColours(c, c, QColor(0, 105, 100));
    tips->update();
}

void RecorderDialog::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_tipTimer)
        ShowNextTip();
    else
        QDialog::timerEvent(event);
}

void RecorderDialog::TogglePlaylistPanel()
{
    m_showRightPanel = !m_showRightPanel;
    ApplyPlaylistPanel();
}

void RecorderDialog::ApplyPlaylistPanel()
{
    auto* toggle = controlAs<controls::BitmapButton>(1007);
    toggle->SetTipText(m_showRightPanel ? 436 : 437);
    toggle->SetImages(m_showRightPanel ? 133 : 132, kTransparent);
    // The right half is everything that starts at the playlist's left edge.
    // The narrowed window ends a little right of that edge, so the check box
    // and status line under the playlist go with it; the tips line across
    // the bottom starts in the left half and stays.
    QWidget* playlist = control(1011);
    for (QWidget* c : std::as_const(m_controls))
        if (c->x() >= playlist->x())
            c->setVisible(m_showRightPanel);
    if (m_showRightPanel) {
        setFixedSize(m_fullClientSize);
    } else {
        // Just right of button 1007, wherever the window stands on the screen.
        setFixedSize(playlist->x() + 4, m_fullClientSize.height());
    }
}

void RecorderDialog::OnCancel()
{
    // Closing now would throw away the recording the save still reads.
    if (m_engine->state() == EngineState::Saving)
        return;
    if (m_engine->IsRecording() || m_engine->IsPlaying()) {
        QMessageBox::information(this, windowTitle(), resources::text(363));
        return;
    }
    OnNewRecording();
    // Cancel in the question, or a failed save, keeps the window and the recording.
    if (!m_engine->IsCaptureDeviceOpen())
        done(QDialog::Rejected);
}

void RecorderDialog::reject() { OnCancel(); }

void RecorderDialog::accept()
{
    // Enter never closes the window.
}

void RecorderDialog::closeEvent(QCloseEvent* event)
{
    event->ignore();
    OnCancel();
}

void RecorderDialog::OnDestroy()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    if (m_tipTimer)
        killTimer(m_tipTimer);
    StoreSettings();
    m_saveFlow.reset();
    m_engine->Release();
    m_playlistPanel->Shutdown();
}

void RecorderDialog::StoreSettings()
{
    UpdateData(true);
    InputHistory history;
    history.device = controlAs<QComboBox>(1266)->currentIndex();
    history.format = controlAs<QComboBox>(1217)->currentIndex();
    RecorderSettings s;
    s.showRightPanel = m_showRightPanel;
    s.encodeMethod = m_encodeMethod;
    // Set aside and not replaced by the user: stored as it was.
    s.recordFolder = m_recordFolder.isEmpty() && !m_setAsideFolder.isNull() ? m_setAsideFolder : m_recordFolder;
    s.recordQuality = m_recordQuality;
    s.askForRenaming = m_askForRenaming;
    s.loopPlaying = m_loopPlaying;
    m_store.writeSettings(history, s);
    m_settingsSnapshot = s;
}

bool RecorderDialog::HoldsUnsavedRecording() const
{
    return m_engine->state() == EngineState::Saving || (!m_saveFlow->IsSaved() && m_engine->GetDataLength() > 0);
}

void RecorderDialog::KeepForSalvage()
{
    // The process ends without unwinding: a save under way would leave its
    // half-written file in the record folder for good.
    platform::ReplacingFile::DiscardUnfinished();
    StoreSettings();
    m_store.sync();
    m_playlistPanel->Shutdown();
}

namespace {

// A menu or dialog open over the window runs an event loop of its own, and
// the window's cannot end before it: left open, it would keep the program up
// past the session's end, with the settings and the list not yet written.
void CloseEverythingOpenOver(QDialog* window)
{
    while (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(widget);
        if (dialog && dialog != window && dialog->isVisible())
            dialog->done(QDialog::Rejected);
    }
}

}  // namespace

bool RecorderDialog::OnSessionEnd()
{
    if (!HoldsUnsavedRecording()) {
        CloseEverythingOpenOver(this);
        done(QDialog::Rejected);
        return true;
    }
    KeepForSalvage();
    return false;
}

void RecorderDialog::OnAbruptExit()
{
    if (m_destroyed)
        return;
    if (HoldsUnsavedRecording()) {
        m_destroyed = true;
        KeepForSalvage();
        return;
    }
    OnDestroy();
}
