#pragma once
// The recorder window on the fake sound card, as the window tests open it:
// a fresh settings file and temporary folder per test; the engine fixture
// shows the window at 48000 Hz 16-bit stereo and drives it through its buttons.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <deque>
#include <optional>
#include <set>

#include "controls/bitmap_button.h"
#include "controls/browse_for_folder.h"
#include "controls/gradient_button.h"
#include "controls/hyperlink_label.h"
#include "controls/progress_dialog.h"
#include "engine/recording_engine.h"
#include "input/mixer_line_list.h"
#include "platform/audio/fake_backend.h"
#include "platform/paths.h"
#include "playlist/playlist_box.h"
#include "playlist/playlist_model.h"
#include "playlist/playlist_panel.h"
#include "recorder/dialog_template.h"
#include "recorder/recorder_dialog.h"
#include "recorder/waveform_view.h"
#include "resources/strings.h"
#include "support/recording_shell.h"
#include "support/scoped_state.h"
#include "support/test_support.h"

namespace id = RecorderControl;

namespace windowtest {

using platform::audio::FakeBackend;

// Answers the modal windows as they come, from inside their own event loop:
// each save dialog with the next path, each message box with the next button
// (Ok, or its default button, once none is left), anything else closed.
// Remembers what the boxes said and which windows came up.
class ModalAnswers {
public:
    explicit ModalAnswers(std::deque<QString> paths = {}, std::deque<QMessageBox::StandardButton> buttons = {})
        : paths(std::move(paths))
        , buttons(std::move(buttons))
    {
        QObject::connect(&m_poll, &QTimer::timeout, [this] { Answer(); });
        m_poll.start(10);
    }
    std::deque<QString> paths;
    std::deque<QMessageBox::StandardButton> buttons;
    QStringList messages;
    QStringList windows;        // class names
    QStringList dialogFolders;  // where each file dialog opened

private:
    void Answer()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal->property("answered").toBool())
            return;
        if (auto* dialog = qobject_cast<QFileDialog*>(modal); dialog && !paths.empty()) {
            if (!dialog->property("folderSeen").toBool())
                dialogFolders << dialog->directory().absolutePath();
            dialog->setProperty("folderSeen", true);
            // Typed into the focused name field, as a user does; accepted once
            // the dialog, still loading its folder, returns just that.
            if (dialog->selectedFiles() != QStringList{paths.front()}) {
                QApplication::setActiveWindow(dialog);
                auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
                name->setFocus();
                name->setText(paths.front());
                return;
            }
            paths.pop_front();
            // Queued: accepting may open the overwrite question, answered by the next poll.
            QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            messages << box->text();
            QAbstractButton* button = box->button(buttons.empty() ? QMessageBox::Ok : buttons.front());
            if (!buttons.empty())
                buttons.pop_front();
            QMetaObject::invokeMethod(button ? button : box->defaultButton(), &QAbstractButton::click,
                                      Qt::QueuedConnection);
        } else {
            QMetaObject::invokeMethod(modal, &QWidget::close, Qt::QueuedConnection);
        }
        modal->setProperty("answered", true);
        windows << modal->metaObject()->className();
    }
    QTimer m_poll;
};

class RecorderWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Put back after the test: a later test's folders would otherwise go
        // under this one's, which is gone by then.
        tmpDirEnv.emplace("TMPDIR", temp.path());
        stateEnv.emplace("XDG_STATE_HOME", temp.path() + "/state");
        playlist::PlaylistModel::SetDefaultListFileForTesting(dir.filePath("Quillon.lst"));
        backend.AddInputDevice("Built-in Microphone");
        backend.AddInputDevice("USB Headset");
        backend.AddInputDevice("Monitor of Speakers", true);
    }
    void TearDown() override { Close(); }
    // A window on the settings file of this test; closing it writes them.
    RecorderDialog& Open()
    {
        Close();
        settings.emplace(SettingsPath(), QSettings::IniFormat);
        store.emplace(&*settings);
        window = std::make_unique<RecorderDialog>(*store);
        return *window;
    }
    void Close()
    {
        window.reset();
        store.reset();
        settings.reset();
    }
    QString SettingsPath() const { return dir.filePath("Quillon.conf"); }
    // Where the window's takes in progress live.
    QString TakesFolder() const { return temp.path() + "/state/tessaly/Quillon"; }
    // A call on the engine's writer thread, where the capture device lives.
    void OnWriter(const std::function<void()>& call) { window->Engine().GetTakeWriter().RunOnWriterThread(call); }
    template <typename T = QWidget>
    T* Ctl(int id) const
    {
        return window->ControlAs<T>(id);
    }
    QString Text(int id) const { return Ctl<QLabel>(id)->text(); }
    void Click(int id) { QTest::mouseClick(Ctl<QPushButton>(id), Qt::LeftButton); }

    QTemporaryDir dir, temp;
    std::optional<testsupport::ScopedEnv> tmpDirEnv, stateEnv;
    FakeBackend backend;
    std::optional<testsupport::ScopedBackend> scopedBackend{std::in_place, backend};
    std::optional<QSettings> settings;
    std::optional<SettingsStore> store;
    std::unique_ptr<RecorderDialog> window;
};

// The window at 48000 Hz 16-bit stereo, shown, driving the engine.
class RecorderWindowEngineTest : public RecorderWindowTest {
protected:
    void SetUp() override
    {
        RecorderWindowTest::SetUp();
        Open().show();
        Ctl<QComboBox>(id::FormatList)->setCurrentIndex(27);
    }
    std::set<int> EnabledStateControls() const
    {
        std::set<int> on;
        for (int id : {id::Record, id::SeekStart, id::SeekEnd, id::PositionSlider, id::Play, id::ClearAfterPosition,
                       id::NewRecording, id::Save, id::Stop, id::DeviceList, id::FormatList})
            if (Ctl(id)->isEnabled())
                on.insert(id);
        return on;
    }
    // Runs the queued device callbacks until the fake has handed over all it holds.
    void Pump()
    {
        for (int i = 0; i < 10000; ++i) {
            bool drained = false;
            OnWriter([&] { drained = !backend.GetCaptureStream() || backend.GetCaptureStream()->WaitingBytes() == 0; });
            FakeBackend::ProcessCallbacks();
            if (drained)
                break;
        }
        for (int i = 0; i < 4; ++i)
            OnWriter([] {}), FakeBackend::ProcessCallbacks();
    }
    void Record(double hz, uint32_t frames, bool stop = true)
    {
        Click(id::Record);
        ASSERT_NE(backend.GetCaptureStream(), nullptr);
        bool delivered = false;
        OnWriter([&] { delivered = backend.GetCaptureStream()->DeliverTone(hz, 0.5, frames); });
        ASSERT_TRUE(delivered);
        Pump();
        if (stop)
            Stop();
    }
    void Stop() { Click(id::Stop), Pump(); }
    // Clicks Save and calls `during` at every poll that finds the progress dialog up.
    void SaveWhileProgressShows(const std::function<void(controls::ProgressDialog&)>& during)
    {
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* p = qobject_cast<controls::ProgressDialog*>(w); p && p->isVisible())
                    during(*p);
        });
        poll.start(20);
        Click(id::Save);
    }
};

inline const std::set<int> kStoppedWithData = {id::Record, id::SeekStart,          id::SeekEnd,      id::PositionSlider,
                                               id::Play,   id::ClearAfterPosition, id::NewRecording, id::Save};
inline const std::set<int> kPlaying = {id::SeekStart, id::SeekEnd, id::PositionSlider, id::Stop};

}  // namespace windowtest
