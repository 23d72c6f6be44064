#include "recorder/recorder_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "controls/about_dialog.h"
#include "controls/bitmap_button.h"
#include "controls/bitmap_slider.h"
#include "controls/gradient_button.h"
#include "engine/recording_engine.h"
#include "platform/replacing_file.h"
#include "playlist/playlist_box.h"
#include "playlist/playlist_panel.h"
#include "recorder/accessible_names.h"
#include "recorder/recorder_panel.h"
#include "recorder/save_flow.h"
#include "recorder/template_builder.h"
#include "recorder/tips_ticker.h"
#include "recorder/window_settings.h"
#include "resources/artwork.h"
#include "resources/strings.h"

namespace {

constexpr int kAboutCommand = 16;
const QColor kTransparent(192, 192, 192);

}  // namespace

RecorderDialog::RecorderDialog(SettingsStore& store, QWidget* parent)
    : QDialog(parent)
    , m_store(store)
    , m_units(controls::DialogFont())
    , m_c{}
{
    m_values = m_store.ReadSettings();
    // A stored folder that the edit cannot hold or that names no folder here
    // is set aside for this run, said once, and kept in the settings.
    if (!m_values.recordFolderIntact || m_values.recordFolder.size() > RecorderTemplate::kFolderMaxLength) {
        m_setAsideFolder = m_values.recordFolder;
        m_values.recordFolder.clear();
        QTimer::singleShot(0, this, [this] {
            QMessageBox::critical(
                this, windowTitle(),
                resources::Text(resources::IDS_RECORD_FOLDER_UNUSABLE).replace(QStringLiteral("%s"), m_setAsideFolder));
        });
    }

    setFont(controls::DialogFont());
    setWindowTitle(QCoreApplication::translate("RecorderWindow", "Quillon 2.5 中文版"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);

    // The steps run in a fixed order: later ones read what earlier ones set.
    TemplateBuilder builder(this, m_units);
    m_controls = builder.Build(RecorderTemplate::Controls());
    m_c = FindWindowControls(m_controls);
    m_fullClientSize = QSize(m_units.X(RecorderTemplate::kWidth), m_units.Y(RecorderTemplate::kHeight));
    setFixedSize(m_fullClientSize);

    m_recorder = std::make_unique<RecorderPanel>(*this, m_c, m_values);
    ShowSettings(m_values, m_c);
    setWindowIcon(resources::Icon(128));
    m_tips = std::make_unique<TipsTicker>(*m_c.tips);
    SetUpPlaylistPanel();
    m_recorder->SetUp(m_store.ReadInputHistory());
    // After the lists are filled: filling them changes nothing worth writing.
    m_autosave = std::make_unique<SettingsAutosave>(m_c, [this] { StoreSettings(); });
    m_c.panelToggle->SetFocusRectWhenFlat(false);
    NameRecorderControls(m_c);

    connect(m_recorder.get(), &RecorderPanel::RecordingChanged, this, &RecorderDialog::RecordingChanged);
    connect(m_recorder.get(), &RecorderPanel::RecordingSaved, this, &RecorderDialog::AddRecording);
    connect(m_c.about, &QPushButton::clicked, this, [this] { OnAbout(); });
    connect(m_c.panelToggle, &QPushButton::clicked, this, [this] { TogglePlaylistPanel(); });
    connect(m_c.askForRenaming, &QCheckBox::clicked, this,
            [this] { m_values.askForRenaming = !m_values.askForRenaming; });
    connect(m_c.loopPlaying, &QCheckBox::clicked, this, [this] { m_values.loopPlaying = !m_values.loopPlaying; });
    ApplyPlaylistPanel();
}

RecorderDialog::~RecorderDialog() { OnDestroy(); }

void RecorderDialog::SetUpPlaylistPanel()
{
    // The slider takes its bitmaps' size; then it keeps its left, top and
    // height and ends 10 pixels short of the client area's right edge.
    controls::BitmapSlider* slider = m_c.playlistSlider;
    const QPoint topLeft = slider->pos();
    slider->LoadBitmaps(137, 134, 135, 138);
    slider->SetRange(0, 0);
    slider->SetPos(0);
    slider->setGeometry(topLeft.x(), topLeft.y(), m_fullClientSize.width() - 10 - topLeft.x(),
                        slider->sizeHint().height());

    m_playlistPanel = std::make_unique<playlist::PlaylistPanel>(*m_c.playlist);
    playlist::PlaylistPanel* panel = m_playlistPanel.get();
    const std::tuple<controls::BitmapButton*, int, resources::StringId, void (playlist::PlaylistPanel::*)()> buttons[] =
        {{m_c.playlistPlay, 194, resources::IDS_TIP_PLAYLIST_PLAY, &playlist::PlaylistPanel::PlaySelected},
         {m_c.playlistStop, 159, resources::IDS_TIP_PLAYLIST_STOP, &playlist::PlaylistPanel::StopPlaying},
         {m_c.playlistPause, 160, resources::IDS_TIP_PLAYLIST_PAUSE, &playlist::PlaylistPanel::TogglePause}};
    for (const auto& [button, bitmapId, tipId, command] : buttons) {
        button->SetImages(bitmapId, kTransparent);
        button->SetTipText(tipId);
        connect(button, &QAbstractButton::clicked, panel, command);
    }

    // The playlist takes the slider only once it has its bitmaps and range.
    panel->SetSettings(&m_store);
    panel->SetLoopSource([this] { return IsLoopPlaying(); });
    panel->Initialize(slider);
    panel->SetStatusWindow(m_c.playlistStatus);
    panel->SetPositionWindow(m_c.playlistPosition);
    // The list's keys for the window: Space pauses the playlist, "." stops
    // the recorder as its own stop button does.
    connect(m_c.playlist, &playlist::PlaylistBox::PauseRequested, panel, &playlist::PlaylistPanel::TogglePause);
    connect(m_c.playlist, &playlist::PlaylistBox::RecorderStopRequested, this, [this] { m_c.stop->click(); });
}

RecordingEngine& RecorderDialog::Engine() { return m_recorder->Engine(); }

SaveFlow& RecorderDialog::GetSaveFlow() { return m_recorder->GetSaveFlow(); }

playlist::PlaylistModel& RecorderDialog::Playlist() { return m_playlistPanel->Model(); }

void RecorderDialog::AddRecording(const QString& path) { m_playlistPanel->AddRecording(path, true); }

QStringList RecorderDialog::SavedRecordings() const { return m_recorder->GetSaveFlow().SavedFiles(); }

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
    const QString about = resources::Text(resources::IDS_ABOUT_MENU);
    if (about.isEmpty())
        return;
    QMenu menu(this);
    menu.addAction(about, this, [this] { OnSysCommand(kAboutCommand); });
    menu.exec(event->globalPos());
}

void RecorderDialog::TogglePlaylistPanel()
{
    m_values.showRightPanel = !m_values.showRightPanel;
    ApplyPlaylistPanel();
}

void RecorderDialog::ApplyPlaylistPanel()
{
    const bool shown = m_values.showRightPanel;
    m_c.panelToggle->SetTipText(shown ? resources::IDS_TIP_HIDE_PLAYLIST : resources::IDS_TIP_SHOW_PLAYLIST);
    m_c.panelToggle->SetImages(shown ? 133 : 132, kTransparent);
    // The right half is everything that starts at the playlist's left edge.
    // The narrowed window ends a little right of that edge, so the check box
    // and status line under the playlist go with it; the tips line across
    // the bottom starts in the left half and stays.
    const int leftEdge = m_c.playlist->x();
    for (QWidget* c : std::as_const(m_controls))
        if (c->x() >= leftEdge)
            c->setVisible(shown);
    // Narrowed: just right of the toggle, wherever the window stands on the screen.
    setFixedSize(shown ? m_fullClientSize.width() : leftEdge + 4, m_fullClientSize.height());
}

void RecorderDialog::OnCancel()
{
    RecordingEngine& engine = m_recorder->Engine();
    // Closing now would throw away the recording the save still reads.
    if (engine.State() == EngineState::Saving)
        return;
    if (engine.IsRecording() || engine.IsPlaying()) {
        QMessageBox::information(this, windowTitle(), resources::Text(resources::IDS_STOP_BEFORE_EXIT));
        return;
    }
    m_recorder->OnNewRecording();
    // Cancel in the question, or a failed save, keeps the window and the recording.
    if (!engine.IsCaptureDeviceOpen())
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
    m_tips.reset();
    m_autosave.reset();
    StoreSettings();
    m_recorder->Release();
    m_playlistPanel->Shutdown();
}

void RecorderDialog::StoreSettings()
{
    TakeSettings(m_values, m_c);
    RecorderSettings s = m_values;
    // Set aside and not replaced by the user: stored as it was.
    if (s.recordFolder.isEmpty() && !m_setAsideFolder.isNull())
        s.recordFolder = m_setAsideFolder;
    m_store.WriteSettings(TakeInputHistory(m_c), s);
}

bool RecorderDialog::HoldsUnsavedRecording() const { return m_recorder->HoldsUnsavedRecording(); }

void RecorderDialog::KeepForSalvage()
{
    // The process ends without unwinding: a save under way would leave its
    // half-written file in the record folder for good.
    platform::ReplacingFile::DiscardUnfinished();
    StoreSettings();
    m_store.Sync();
    m_playlistPanel->Shutdown();
}
