#include "recorder/recorder_dialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTimerEvent>

#include "engine/quality_bitrates.h"
#include "input/input_lists.h"
#include "platform/audio/audio_backend.h"
#include "platform/tick_count.h"
#include "recorder/template_builder.h"
#include "resources/strings.h"

namespace {

constexpr int kTipPeriodMs = 30000;
constexpr int kFirstTipId = 445;
constexpr int kTipCount = 10;

}  // namespace

RecorderDialog::RecorderDialog(SettingsStore& store, QWidget* parent)
    : QDialog(parent), m_store(store), m_units(controls::dialogFont())
{
    const RecorderSettings s = m_store.readSettings();
    m_encodeMethod = s.encodeMethod;
    m_recordFolder = s.recordFolder;
    m_showRightPanel = s.showRightPanel;
    m_recordQuality = s.recordQuality;
    m_askForRenaming = s.askForRenaming;
    m_loopPlaying = s.loopPlaying;
    m_settingsSnapshot = s;

    setFont(controls::dialogFont());
    setWindowTitle(QString::fromUtf8("Quillon 2.5 中文版"));
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
    TemplateBuilder builder(this, m_units);
    m_controls = builder.build(RecorderTemplate::controls());
    m_fullClientSize = QSize(m_units.x(RecorderTemplate::kWidth), m_units.y(RecorderTemplate::kHeight));
    setFixedSize(m_fullClientSize);

    // Combo 1003 takes its two entries from the template's initial data.
    auto* encoding = controlAs<QComboBox>(1003);
    encoding->addItem(QString::fromUtf8("压缩为MP3格式 (.mp3 文件)"));
    encoding->addItem(QString::fromUtf8("无压缩格式 (.wav 文件)"));
    UpdateData(false);

    LoadTips();

    const InputHistory history = m_store.readInputHistory();
    InputLists::FillDeviceList(controlAs<QComboBox>(1266), platform::audio::backend().inputDevices(),
                               history.device);
    InputLists::FillFormatList(controlAs<QComboBox>(1217), history.format);

    auto* quality = controlAs<QSlider>(1004);
    quality->setRange(0, 15);
    quality->setPageStep(1);
    quality->setValue(m_recordQuality);
    OnQualityScroll();

    // The playlist slider keeps its left, top and height and ends 10 pixels
    // short of the client area's right edge.
    QWidget* slider = control(1015);
    slider->setGeometry(slider->x(), slider->y(), m_fullClientSize.width() - 10 - slider->x(), slider->height());

    connectCommands();
    ApplyPlaylistPanel();
    m_tipTimer = startTimer(kTipPeriodMs);
}

void RecorderDialog::connectCommands()
{
    connect(controlAs<QSlider>(1004), &QSlider::valueChanged, this, [this] { OnQualityScroll(); });
    connect(controlAs<QPushButton>(1007), &QPushButton::clicked, this, [this] { TogglePlaylistPanel(); });
    connect(controlAs<QCheckBox>(1009), &QCheckBox::clicked, this, [this] { m_forceSelection = !m_forceSelection; });
    connect(controlAs<QCheckBox>(1024), &QCheckBox::clicked, this, [this] { m_askForRenaming = !m_askForRenaming; });
    connect(controlAs<QCheckBox>(1025), &QCheckBox::clicked, this, [this] { m_loopPlaying = !m_loopPlaying; });
}

void RecorderDialog::UpdateData(bool fromControls)
{
    auto* folder = controlAs<QLineEdit>(1001);
    auto* encoding = controlAs<QComboBox>(1003);
    auto* force = controlAs<QCheckBox>(1009);
    auto* rename = controlAs<QCheckBox>(1024);
    auto* loop = controlAs<QCheckBox>(1025);
    if (fromControls) {
        m_recordFolder = withoutTrailingSeparators(folder->text());
        m_encodeMethod = std::max(0, encoding->currentIndex());
        m_forceSelection = force->isChecked();
        m_askForRenaming = rename->isChecked();
        m_loopPlaying = loop->isChecked();
    } else {
        folder->setText(m_recordFolder);
        encoding->setCurrentIndex(m_encodeMethod);
        force->setChecked(m_forceSelection);
        rename->setChecked(m_askForRenaming);
        loop->setChecked(m_loopPlaying);
    }
}

bool RecorderDialog::IsLoopPlaying() const { return m_loopPlaying; }

void RecorderDialog::OnQualityScroll()
{
    m_recordQuality = controlAs<QSlider>(1004)->value();
    controlAs<QLabel>(1017)->setText(QString::asprintf("%d kbps", QualityBitrates[m_recordQuality]));
}

void RecorderDialog::LoadTips()
{
    for (int i = 0; i < kTipCount; ++i) {
        m_tipTexts.append(resources::text(kFirstTipId + 2 * i));
        m_tipLinks.append(resources::text(kFirstTipId + 2 * i + 1));
    }
    m_tipIndex = int(platform::tickCount() % uint32_t(m_tipTexts.size()));
    controlAs<QLabel>(1016)->setText(m_tipTexts[m_tipIndex]);
}

void RecorderDialog::ShowNextTip()
{
    m_tipIndex = (m_tipIndex + 1) % m_tipTexts.size();
    controlAs<QLabel>(1016)->setText(m_tipTexts[m_tipIndex]);
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
    auto* toggle = controlAs<QPushButton>(1007);
    toggle->setToolTip(resources::text(m_showRightPanel ? 436 : 437));
    QWidget* playlist = control(1011);
    for (int id : {1011, 104, 1023, 1021, 1015})
        control(id)->setVisible(m_showRightPanel);
    if (m_showRightPanel) {
        setFixedSize(m_fullClientSize);
    } else {
        // Just right of button 1007, wherever the window stands on the screen.
        setFixedSize(playlist->x() + 4, m_fullClientSize.height());
    }
}

void RecorderDialog::OnCancel()
{
    // Closing goes through the new-recording question once the engine is in.
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
    UpdateData(true);
    InputHistory history;
    history.device = controlAs<QComboBox>(1266)->currentIndex();
    history.format = controlAs<QComboBox>(1217)->currentIndex();
    RecorderSettings s;
    s.showRightPanel = m_showRightPanel;
    s.encodeMethod = m_encodeMethod;
    s.recordFolder = m_recordFolder;
    s.recordQuality = m_recordQuality;
    s.askForRenaming = m_askForRenaming;
    s.loopPlaying = m_loopPlaying;
    m_store.writeSettings(history, s);
    m_settingsSnapshot = s;
}
