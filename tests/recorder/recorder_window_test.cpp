// The recorder window: its template, the data exchange with the settings,
// the playlist panel, and the engine driven through its buttons with the fake
// sound card: control states, readouts, saving, closing rules, screenshots.

#include "window_fixture.h"

#include <sys/stat.h>

#include "app/session_end_policy.h"
#include "controls/widget_test_helpers.h"
#include "recorder/tips_ticker.h"

namespace {

using namespace windowtest;

// What the first run writes at close is followed through the whole program
// (tests/app).
TEST_F(RecorderWindowTest, FirstRunShowsTheDefaultsAndChangesMadeInTheWindowAreRestoredAtTheNextStart)
{
    RecorderDialog* w = &Open();
    EXPECT_EQ(w->windowTitle(), QString::fromUtf8("Quillon 2.5 中文版"));
    EXPECT_EQ(Ctl<QComboBox>(id::FormatList)->currentText(), QString::fromUtf8("16000 Hz 16位 单声道"));
    EXPECT_EQ(Ctl<QComboBox>(id::DeviceList)->currentText(), "Built-in Microphone");
    EXPECT_EQ(Ctl<QSlider>(id::Quality)->value(), 9);
    EXPECT_EQ(Text(id::QualityBitrate), "112 kbps");
    EXPECT_EQ(Ctl<QComboBox>(id::Encoding)->currentText(), QString::fromUtf8("压缩为MP3格式 (.mp3 文件)"));
    EXPECT_TRUE(Ctl<QLineEdit>(id::FolderEdit)->text().isEmpty());
    EXPECT_FALSE(Ctl<QCheckBox>(id::AskForRenaming)->isChecked());
    EXPECT_TRUE(w->PlaylistPanelShown());

    Ctl<QComboBox>(id::DeviceList)->setCurrentIndex(2);
    Ctl<QComboBox>(id::FormatList)->setCurrentIndex(27);
    Ctl<QSlider>(id::Quality)->setValue(15);
    EXPECT_EQ(Text(id::QualityBitrate), "320 kbps");
    Ctl<QComboBox>(id::Encoding)->setCurrentIndex(1);
    Ctl<QLineEdit>(id::FolderEdit)->setText("/srv/recordings///");
    QTest::mouseClick(Ctl<QCheckBox>(id::AskForRenaming), Qt::LeftButton);
    QTest::mouseClick(Ctl<QCheckBox>(id::LoopPlaying), Qt::LeftButton);
    EXPECT_TRUE(w->IsLoopPlaying());
    Click(id::PanelToggle);
    EXPECT_FALSE(w->PlaylistPanelShown());
    // Written as they change, before any close: a killed program keeps them.
    EXPECT_TRUE(QTest::qWaitFor([&] {
        const QByteArray written = testsupport::ReadFile(SettingsPath());
        return written.contains("\nOfflineRecFmt=27\n") && written.contains("\nRecordQuality=15\n") &&
            written.contains("\nRecordFolder=/srv/recordings\n") && written.contains("\nLooplyPlaying=1\n") &&
            written.contains("\nShowRightPanel=0\n");
    })) << testsupport::ReadFile(SettingsPath()).toStdString();

    w = &Open();
    EXPECT_EQ(Ctl<QComboBox>(id::DeviceList)->currentText(), "Monitor of Speakers");
    EXPECT_EQ(Ctl<QComboBox>(id::FormatList)->currentIndex(), 27);
    EXPECT_EQ(Ctl<QSlider>(id::Quality)->value(), 15);
    EXPECT_EQ(Ctl<QComboBox>(id::Encoding)->currentIndex(), 1);
    EXPECT_EQ(Ctl<QLineEdit>(id::FolderEdit)->text(), "/srv/recordings");
    EXPECT_TRUE(Ctl<QCheckBox>(id::AskForRenaming)->isChecked() && Ctl<QCheckBox>(id::LoopPlaying)->isChecked());
    EXPECT_FALSE(w->PlaylistPanelShown());
    EXPECT_FALSE(Ctl(id::Playlist)->isVisibleTo(w));
}

// A stored folder of 299 characters does not fit the edit; one whose name
// holds a byte that is no UTF-8 cannot be named by the window. Either is
// said once, not used in this run, and stays in the settings as it was.
TEST_F(RecorderWindowTest, AStoredFolderTheWindowCannotUseIsSaidOnceSetAsideAndKeptAsItWas)
{
    QByteArray tooLong = QFile::encodeName(dir.path());
    while (tooLong.size() < 299)
        tooLong += "/" + QByteArray(std::min<qsizetype>(100, 298 - tooLong.size()), 'l');
    const QByteArray noText = QFile::encodeName(dir.path()) + "/caf\xe9";
    for (const QByteArray& folder : {tooLong, noText}) {
        SCOPED_TRACE(folder.size());
        ASSERT_TRUE(QDir().mkpath(QString::fromUtf8(tooLong)));
        ASSERT_TRUE(::mkdir(noText.constData(), 0700) == 0 || errno == EEXIST);
        ASSERT_TRUE(testsupport::WriteFile(SettingsPath(), "[Settings]\nRecordFolder=" + folder + "\n"));
        QStringList said;
        const widgettest::ModalAnswer<QMessageBox> answer(
            [&said](QMessageBox& box) { said << box.text(), box.close(); });
        RecorderDialog& w = Open();
        w.show();
        QTest::qWait(200);
        EXPECT_EQ(said,
                  QStringList{
                      resources::Text(resources::IDS_RECORD_FOLDER_UNUSABLE).replace("%s", QString::fromUtf8(folder))});
        EXPECT_TRUE(Ctl<QLineEdit>(id::FolderEdit)->text().isEmpty() && w.RecordFolder().isEmpty());
        Ctl<QSlider>(id::Quality)->setValue(4);
        // Another folder typed, written while it stood there, and taken back.
        Ctl<QLineEdit>(id::FolderEdit)->setText("/tmp");
        QTest::qWait(1200);
        Ctl<QLineEdit>(id::FolderEdit)->clear();
        Close();
        const QByteArray written = testsupport::ReadFile(SettingsPath());
        EXPECT_TRUE(written.contains("\nRecordFolder=" + folder + "\n")) << written.toStdString();
        EXPECT_TRUE(written.contains("\nRecordQuality=4\n"));

        // The user's own choice replaces it.
        Open();
        QTest::qWait(50);
        Ctl<QLineEdit>(id::FolderEdit)->setText("/srv/recordings");
        Close();
        EXPECT_EQ(QSettings(SettingsPath(), QSettings::IniFormat).value("Settings/RecordFolder").toString(),
                  "/srv/recordings");
        EXPECT_EQ(said.size(), 2);
    }
    ::rmdir(noText.constData());  // a name the temporary folder's clean-up cannot spell
}

TEST_F(RecorderWindowTest, EveryTemplateControlExistsWhereTheTemplatePutsItInItsInitialState)
{
    backend.MixerDevice(0).AddLine("Mic", 100);  // the volume slider is on only with a line to set
    RecorderDialog& w = Open();
    const controls::DialogUnits units(controls::DialogFont());
    EXPECT_EQ(w.size(), QSize(units.X(465), units.Y(377)));
    int groups = 0;
    for (const ControlTemplate& t : RecorderTemplate::Controls()) {
        SCOPED_TRACE(t.id ? std::to_string(t.id) : t.caption);
        const QRect expected = units.Rect(t.x, t.y, t.w, t.h);
        if (t.kind == ControlKind::GroupBox) {
            const auto boxes = w.findChildren<QGroupBox*>();
            const auto box = std::find_if(boxes.begin(), boxes.end(),
                                          [&](QGroupBox* g) { return g->title() == QString::fromUtf8(t.caption); });
            ASSERT_NE(box, boxes.end());
            EXPECT_EQ((*box)->geometry(), expected);
            ++groups;
        }
        if (t.id == 0)
            continue;
        QWidget* c = w.Control(t.id);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->property("controlId").toInt(), t.id);
        EXPECT_EQ(c->isEnabled(), !t.disabled);
        EXPECT_EQ(c->isVisibleTo(&w), !t.hidden);
        // Closed drop-down lists are one line high, the playlist slider takes
        // its picture's height and the window's width, the tips line fits its text.
        const QRect r = c->geometry();
        const bool ownSize = t.id == id::PlaylistSlider || t.id == id::Tips;
        EXPECT_EQ(r.topLeft(), expected.topLeft());
        EXPECT_EQ(r.size(),
                  QSize(ownSize ? r.width() : expected.width(),
                        ownSize || t.kind == ControlKind::DropDownList ? r.height() : expected.height()));
    }
    EXPECT_EQ(groups, 2);
    // The playlist slider is stretched to 10 pixels short of the right edge.
    EXPECT_EQ(Ctl(id::PlaylistSlider)->geometry().right() + 1, w.width() - 10);
    EXPECT_EQ(Ctl<QLineEdit>(id::FolderEdit)->maxLength(), 256);
}

TEST_F(RecorderWindowTest, WithoutAnyInputDeviceTheListIsEmptyAndTheWindowStillOpens)
{
    FakeBackend none;
    none.SetServerAvailable(false);
    scopedBackend.emplace(none);
    Open();
    EXPECT_EQ(Ctl<QComboBox>(id::DeviceList)->count(), 0);
    EXPECT_EQ(Ctl<QComboBox>(id::FormatList)->count(), 28);
    Close();
}

TEST_F(RecorderWindowTest, AboutBoxOpensFromTheButtonAndTheWindowMenuCommandAndOnlineHelpOpensTheSite)
{
    testsupport::ScopedRecordingShell shell;
    RecorderDialog& w = Open();
    w.show();
    ModalAnswers answers;
    Click(id::About);
    w.OnSysCommand(16);
    w.OnSysCommand(16 | 0x7);  // the low four bits do not count
    w.OnSysCommand(32);
    QTest::qWait(50);
    EXPECT_EQ(answers.windows, QStringList(3, "controls::AboutDialog"));
    Click(id::OnlineHelp);
    ASSERT_EQ(shell.opened.size(), 1);
    EXPECT_TRUE(shell.opened[0].startsWith("https://")) << shell.opened[0].toStdString();
}

TEST_F(RecorderWindowTest, TheMixerPanelFollowsTheDeviceListAndForcingIsNeverStored)
{
    using platform::audio::ControlType;
    auto& usb = backend.MixerDevice(1);
    usb.SetSelectType(ControlType::Mux);
    usb.AddLine("Microphone", 40000);
    usb.AddLine("Line In");
    backend.MixerDevice(0).SetSelectType(std::nullopt);

    Open();
    auto* lines = Ctl<MixerLineList>(id::LineList);
    ASSERT_NE(lines, nullptr);
    EXPECT_EQ(lines->count(), 0) << "the first device has no select control";
    Ctl<QComboBox>(id::DeviceList)->setCurrentIndex(1);
    ASSERT_EQ(lines->count(), 2);
    EXPECT_EQ(lines->item(1)->text(), "Line In");
    EXPECT_EQ(backend.MixerOpenCount(), 2);

    QTest::mouseClick(Ctl<QCheckBox>(id::ForceLineSelection), Qt::LeftButton);
    Ctl(id::LineVolume)->setFocus();  // the highlighted line and its volume in the picture
    EXPECT_TRUE(window->grab().save(testsupport::ScreenshotDir() + "/recorder_window_mixer_lines.png"));

    // Forcing is never stored: the next start has it off.
    Close();
    EXPECT_FALSE(
        QSettings(SettingsPath(), QSettings::IniFormat).allKeys().join(' ').contains("Force", Qt::CaseInsensitive));
    Open();
    EXPECT_FALSE(Ctl<QCheckBox>(id::ForceLineSelection)->isChecked());
    EXPECT_EQ(backend.MixerOpenCount(), 3) << "once at start, for the stored device only";
    EXPECT_EQ(Ctl<MixerLineList>(id::LineList)->count(), 2);
    usb.SimulateExternalSelect(1);
    platform::audio::FakeBackend::ProcessCallbacks();
    EXPECT_TRUE(usb.IsOn(1));
}

TEST_F(RecorderWindowTest, TipsLineRotatesThroughTheTenTipsWithTheirLinks)
{
    RecorderDialog& w = Open();
    auto* tips = Ctl<controls::HyperlinkLabel>(id::Tips);
    const int first = w.Tips().TipIndex();
    ASSERT_TRUE(first >= 0 && first < 10) << first;
    for (int step = 0; step <= 10; ++step) {
        if (step > 0)
            w.Tips().ShowNextTip();
        const int expected = (first + step) % 10;
        EXPECT_EQ(w.Tips().TipIndex(), expected);
        EXPECT_EQ(tips->text(), resources::Text(resources::StringId(resources::IDS_FIRST_TIP + 2 * expected)));
        EXPECT_EQ(tips->Url(), resources::Text(resources::StringId(resources::IDS_FIRST_TIP + 2 * expected + 1)));
        const QColor c = tips->CurrentTextColour();
        EXPECT_TRUE(step == 0 || c == QColor(255, 0, 0) || c == QColor(0, 255, 0) || c == QColor(0, 0, 255));
    }
}

TEST_F(RecorderWindowEngineTest, ControlStatesAndReadoutsFollowTheEngineThroughItsButtons)
{
    EXPECT_EQ(EnabledStateControls(), (std::set<int>{id::Record, id::DeviceList, id::FormatList}));
    EXPECT_EQ(Text(id::PositionReadout), QString::fromUtf8("\n位置:\n000:00.0"));
    EXPECT_EQ(Text(id::LengthReadout), QString::fromUtf8("\n长度:\n000:00.0"));
    Record(440, 48000 * 61 + 12000, false);
    EXPECT_EQ(backend.GetCaptureStream()->Format(), (platform::audio::PcmFormat{48000, 16, 2}));
    EXPECT_EQ(EnabledStateControls(), (std::set<int>{id::Stop}));
    Stop();
    EXPECT_EQ(EnabledStateControls(), kStoppedWithData);
    EXPECT_EQ(Text(id::LengthReadout), QString::fromUtf8("\n长度:\n001:01.2"));
    EXPECT_EQ(Ctl<QSlider>(id::PositionSlider)->maximum(), 48000 * 61 + 12000);

    // The waveform got a snapshot of the sine.
    auto* wave = static_cast<WaveformView*>(Ctl(id::Waveform));
    EXPECT_EQ(wave->FullScale(), 32767);
    EXPECT_GT(std::count_if(wave->Points(), wave->Points() + wave->PointCount(), [](auto p) { return p != 0; }),
              wave->PointCount() / 2);
    EXPECT_TRUE(window->grab().save(testsupport::ScreenshotDir() + "/recorder_window_stopped.png"));

    Click(id::SeekStart);  // <<
    EXPECT_EQ(Text(id::PositionReadout), QString::fromUtf8("\n位置:\n000:00.0"));
    Click(id::Play);  // play
    EXPECT_EQ(EnabledStateControls(), kPlaying);
    Click(id::Stop);  // stop: draining keeps the playing states until the device closes
    EXPECT_EQ(EnabledStateControls(), kPlaying);
    backend.LastPlaybackStream()->CompleteAll();
    Pump();
    EXPECT_EQ(EnabledStateControls(), kStoppedWithData);
    ModalAnswers answers({}, {QMessageBox::No});
    Click(id::NewRecording);  // new recording
    EXPECT_EQ(EnabledStateControls(), (std::set<int>{id::Record, id::DeviceList, id::FormatList}));
    Click(id::Record);
    EXPECT_EQ(EnabledStateControls(), std::set<int>{id::Stop}) << "recording that has not stored a block yet";
    Stop();
    EXPECT_EQ(EnabledStateControls(), std::set<int>{id::Record}) << "stopped without data: the lists stay locked";
}

// Unsaved audio, the session ending during an MP3 save: settings and list
// are written, the recording stays for the next start's salvage, no
// half-written file is left, and the window is left for the process to end
// right after the call, without unwinding the save.
TEST_F(RecorderWindowEngineTest, AnEndingSessionKeepsSettingsPlaylistAndTheUnsavedRecordingButNoHalfSavedFile)
{
    QTemporaryDir folder;
    Ctl<QLineEdit>(id::FolderEdit)->setText(folder.path());
    Ctl<QComboBox>(id::Encoding)->setCurrentIndex(0);  // MP3
    Record(1000, 48000 * 3);
    Ctl<QSlider>(id::Quality)->setValue(5);  // encoded at save time, under the progress dialog
    window->PlaylistPanel().AddRecording(dir.filePath("listed.wav"), true);
    const QStringList temps = QDir(TakesFolder()).entryList({"quillon_temp_*.wav"}, QDir::Files);
    ASSERT_EQ(temps.size(), 1);
    const QString wave = QDir(TakesFolder()).filePath(temps.front());
    std::optional<QStringList> leftInFolder;
    SaveWhileProgressShows([&](controls::ProgressDialog& progress) {
        if (leftInFolder)
            return;
        EXPECT_FALSE(EndSession(*window));
        leftInFolder = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
        progress.CancelButton()->click();
    });
    ASSERT_TRUE(leftInFolder);
    EXPECT_EQ(*leftInFolder, QStringList());
    QSettings written(SettingsPath(), QSettings::IniFormat);
    EXPECT_TRUE(written.childGroups().contains("Settings"));
    EXPECT_TRUE(QFile::exists(dir.filePath("Quillon.lst")));
    EXPECT_GT(QFileInfo(wave).size(), 44 + 48000 * 3 * 4 - 1);

    // Nothing unsaved: the window closes as usual.
    window->Engine().DiscardTake();
    EXPECT_TRUE(EndSession(*window));
    EXPECT_FALSE(window->isVisible());
}

// The real servers' monitors have no recording lines: a take the server
// moves to a device that has them shows them (the move itself is tried in
// window_pulse_test.cpp).
TEST_F(RecorderWindowEngineTest, ATakeTheServerMovesShowsTheNewDevicesLines)
{
    auto& usb = backend.MixerDevice(1);
    usb.SetSelectType(platform::audio::ControlType::Mux);
    usb.AddLine("Microphone", 40000);
    usb.AddLine("Line In");
    Record(440, 4800, false);
    OnWriter([&] { backend.GetCaptureStream()->MoveTo("fake_source_0", "fake_source_1"); });
    Pump();
    EXPECT_EQ(Ctl<QComboBox>(id::DeviceList)->currentText(), "USB Headset");
    EXPECT_EQ(Ctl<MixerLineList>(id::LineList)->count(), 2);
}

TEST_F(RecorderWindowEngineTest, AudioTheSystemDroppedIsToldWithoutStoppingTheWindow)
{
    Record(440, 4800, false);
    emit window->Engine().AudioLost(8.46);
    const auto boxes = window->findChildren<QMessageBox*>();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes.first()->text(),
              QString::fromUtf8("系统过于繁忙，录音中有 8.5 秒的声音未能录下，已用静音补足。\n录音仍在继续。"));
    EXPECT_TRUE(boxes.first()->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "Stop stays at hand";
    Stop();
    EXPECT_FALSE(window->Engine().IsRecording());
    boxes.first()->close();
}

}  // namespace
