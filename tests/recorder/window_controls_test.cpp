// The recorder window as a user meets it: tooltips on screen, the Enter and
// Escape keys with the playlist playing, the narrowed window, the folder
// button, a failed play and the position slider on a 16-bit stereo recording.

#include "window_fixture.h"

#include "controls/widget_test_helpers.h"
#include "recorder/readout.h"
#include "playlist/playlist_item.h"
#include "playlist/playlist_player.h"
#include "recorder/template_builder.h"

#include <QToolTip>
#include <QWheelEvent>

namespace {

using namespace windowtest;

// Hovers over the middle of `w` with the real mouse and waits for the
// tooltip; the text on screen, or empty when none came up.
QString TipShownFor(QWidget* w)
{
    QToolTip::hideText();
    widgettest::WaitUntil([] { return !QToolTip::isVisible(); });
    QTest::mouseMove(w->window(), QPoint(1, 1));
    QTest::mouseMove(w, w->rect().center());
    if (!widgettest::WaitUntil([] { return QToolTip::isVisible(); }, 3000))
        return {};
    return QToolTip::text();
}

TEST_F(RecorderWindowEngineTest, TooltipsShowOnScreenAndAFailedPlayShowsItsMessageWithTheErrorIcon)
{
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    Record(440, 4800);  // enables new, save and partial clear
    EXPECT_EQ(TipShownFor(Ctl(id::Save)), resources::Text(resources::IDS_TIP_SAVE));
    EXPECT_EQ(TipShownFor(Ctl(id::LengthReadout)), resources::Text(resources::IDS_TIP_LENGTH));
    // The picture buttons keep their own tips, the window's buttons without
    // an entry show none.
    EXPECT_EQ(TipShownFor(Ctl(id::PlaylistPlay)), QString::fromUtf8("播放选择的条目"));
    EXPECT_EQ(TipShownFor(Ctl(id::PanelToggle)), QString::fromUtf8("隐藏播放列表"));
    EXPECT_EQ(TipShownFor(Ctl(id::About)), QString());

    // A failed play shows its message with the error icon.
    backend.SetPlaybackOpenError("no sink");
    widgettest::MessageBoxCatcher catcher;
    Click(id::Play);
    ASSERT_TRUE(widgettest::WaitUntil([&] { return catcher.count == 1; }));
    EXPECT_EQ(catcher.text, resources::Text(resources::IDS_OUTPUT_NOT_OPENED));
    EXPECT_EQ(catcher.icon, QMessageBox::Critical);
}

// A real one-second WAVE file made by sox.
QString Wave(const QString& path)
{
    const QStringList args = {"-n", "-r", "8000", "-c", "1", "-b", "16", path, "synth", "1", "sine", "440"};
    EXPECT_EQ(testsupport::RunTool("sox", args).exitCode, 0);
    return path;
}

// Enter clicks nothing and never closes the window, with a playlist selection
// waiting; in the playlist it plays the selection. Escape closes the idle
// window although the playlist plays and loads, and leaves no thread, device
// or temporary file behind.
TEST_F(RecorderWindowTest, EnterPlaysOnlyInThePlaylistAndEscapeClosesTheIdleWindowLeavingNothingBehind)
{
    QStringList waves;
    for (const char* name : {"t0.wav", "t1.wav", "t2.wav"})
        waves << Wave(dir.filePath(name));
    const int threadsBefore = testsupport::ThreadCount();
    RecorderDialog& w = Open();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_TRUE(w.grab().save(testsupport::ScreenshotDir() + "/recorder_window_empty.png"));
    playlist::PlaylistPanel& list = w.PlaylistPanel();
    list.AddRecording(waves[0], true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return list.Model().Count() == 1 && list.Model().Item(0)->IsLoaded(); }, 5000));
    int clicks = 0;
    for (QAbstractButton* b : w.findChildren<QAbstractButton*>())
        QObject::connect(b, &QAbstractButton::clicked, [&clicks] { ++clicks; });
    auto* check = Ctl<QCheckBox>(id::AskForRenaming);
    const bool checked = check->isChecked();
    for (int id : {id::FolderEdit, id::FormatList, id::Encoding, id::AskForRenaming}) {
        Ctl(id)->setFocus();
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter})
            QTest::keyClick(Ctl(id), key);
        EXPECT_EQ(clicks, 0) << id;
        EXPECT_TRUE(w.isVisible()) << id;
    }
    EXPECT_EQ(check->isChecked(), checked);
    EXPECT_EQ(backend.PlaybackOpenCount(), 0);
    for (QPushButton* b : w.findChildren<QPushButton*>())
        EXPECT_FALSE(b->isDefault()) << TemplateBuilder::ControlId(b);
    w.PlaylistBox().setFocus();
    QTest::keyClick(&w.PlaylistBox(), Qt::Key_Enter);
    EXPECT_TRUE(list.Player().IsPlaying(list.Model().Item(0)));
    EXPECT_TRUE(w.isVisible());

    // The loader still has a long way to go when the window closes.
    for (int i = 0; i < 300; ++i)
        list.AddRecording(waves[1 + i % 2], false);
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_FALSE(w.isVisible());
    Close();
    EXPECT_EQ(backend.PlaybackCloseCount(), backend.PlaybackOpenCount());
    EXPECT_EQ(testsupport::ThreadCount(), threadsBefore);
    EXPECT_TRUE(QDir(temp.path()).entryList({"quillon_temp_*"}, QDir::Files).isEmpty());
    EXPECT_TRUE(QDir(TakesFolder()).entryList({"quillon_temp_*"}, QDir::Files).isEmpty());
    EXPECT_TRUE(QFile::exists(dir.filePath("Quillon.lst"))) << "the changed list is written back";
}

TEST_F(RecorderWindowTest, HidingThePlaylistLeavesOnlyTheWindowsFaceRightOfItsButtonAndShowingRestoresTheSize)
{
    RecorderDialog& w = Open();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const QSize full = w.size();
    EXPECT_EQ(Ctl<controls::BitmapButton>(id::PanelToggle)->TipText(), QString::fromUtf8("隐藏播放列表"));
    w.move(300, 200);
    Click(id::PanelToggle);
    ASSERT_FALSE(w.PlaylistPanelShown());
    EXPECT_EQ(w.width(), Ctl(id::Playlist)->x() + 4);
    EXPECT_EQ(w.height(), full.height());
    EXPECT_EQ(Ctl<controls::BitmapButton>(id::PanelToggle)->TipText(), QString::fromUtf8("显示播放列表"));
    for (int id : {id::Playlist, id::PlaylistPlay, id::PlaylistStop, id::PlaylistPause, id::PlaylistSlider})
        EXPECT_FALSE(Ctl(id)->isVisible()) << id;
    const QRect toggle = Ctl(id::PanelToggle)->geometry();
    EXPECT_TRUE(w.rect().contains(toggle));
    const QImage shot = widgettest::Shot(w);
    EXPECT_TRUE(shot.save(testsupport::ScreenshotDir() + "/recorder_window_narrowed.png"));
    // Right of the button down to the tips line there is only the window's face.
    const QRgb face = w.palette().color(QPalette::Window).rgb() | 0xff000000u;
    int foreign = 0;
    for (int x = toggle.right() + 1; x < shot.width(); ++x)
        for (int y = 0; y < Ctl(id::Tips)->y(); ++y)
            foreign += widgettest::Px(shot, x, y) != face;
    EXPECT_EQ(foreign, 0);
    w.move(10, 10);
    Click(id::PanelToggle);
    EXPECT_EQ(w.size(), full);
    EXPECT_TRUE(Ctl(id::Playlist)->isVisible());

    // Started with the panel hidden, the window knows its full size: the
    // slider was stretched against the full client area, not the narrowed one.
    Click(id::PanelToggle);
    RecorderDialog& again = Open();
    again.show();
    EXPECT_EQ(again.width(), Ctl(id::Playlist)->x() + 4);
    EXPECT_EQ(Ctl(id::PlaylistSlider)->geometry().right() + 1, full.width() - 10);
    Click(id::PanelToggle);
    EXPECT_EQ(again.size(), full);
    EXPECT_TRUE(Ctl(id::PlaylistSlider)->isVisible());
}

TEST_F(RecorderWindowTest, TheFolderButtonStartsAtTheEditsFolderAndTheEditHoldsWhatItCanShow)
{
    QString start, answer = "/chosen/folder//";
    controls::SetFolderChooserForTesting([&](QWidget*, const QString&, const QString& from) {
        start = from;
        return answer;
    });
    RecorderDialog& w = Open();
    auto* edit = Ctl<QLineEdit>(id::FolderEdit);
    edit->setText("/preset");
    Click(id::BrowseFolder);
    EXPECT_EQ(start, "/preset");
    EXPECT_EQ(edit->text(), "/chosen/folder");
    // 259 bytes come back from the chooser; the edit holds 256 characters.
    answer = "/" + QString(300, 'd');
    Click(id::BrowseFolder);
    EXPECT_EQ(edit->text(), answer.left(256));
    EXPECT_EQ(w.RecordFolder(), edit->text());
    // A character outside the basic plane is not split at the edit's limit.
    answer = "/" + QString(254, 'd') + QString::fromUtf8("\xF0\x9F\x8E\xB5") + "/more";
    Click(id::BrowseFolder);
    EXPECT_EQ(edit->text(), answer.left(255));
    EXPECT_EQ(w.RecordFolder(), edit->text());
    answer = "/chosen/folder//";
    Click(id::BrowseFolder);
    Close();
    EXPECT_EQ(QSettings(SettingsPath(), QSettings::IniFormat).value("Settings/RecordFolder").toString(),
              "/chosen/folder");
    controls::SetFolderChooserForTesting({});
}

// The position slider under the user's hands while the recording plays: the
// wheel, the keys and a dragged thumb tell the engine; a held key or the
// drag resets the output once, when let go, and the dragged thumb moves the
// readout only then. The mouse held on the channel is tried on the real
// server (window_pulse_test.cpp).
TEST_F(RecorderWindowEngineTest, ThePositionSliderTellsTheEngineAndResetsTheOutputOnceWhenLetGo)
{
    Record(440, 48000 * 10);
    Click(id::SeekStart);
    Click(id::Play);
    ASSERT_TRUE(window->Engine().IsPlaying());
    auto* slider = Ctl<QSlider>(id::PositionSlider);
    slider->setFocus();
    const auto resets = [&] { return backend.LastPlaybackStream()->ResetCount(); };
    const auto expectEngineAtThumb = [&] {
        const auto frames = uint32_t(slider->value());
        EXPECT_EQ(window->Engine().Position(), frames);
        EXPECT_EQ(Text(id::PositionReadout), ReadoutText(resources::IDS_POSITION_READOUT, frames, 48000));
    };
    EXPECT_EQ(slider->pageStep(), 48000 * 10 / 5);
    QWheelEvent away(QPointF(20, 5), slider->mapToGlobal(QPointF(20, 5)), QPoint(), QPoint(0, 120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(slider, &away);
    EXPECT_GT(slider->value(), 0);
    expectEngineAtThumb();
    EXPECT_EQ(resets(), 0);

    const QPoint grip = widgettest::SliderHandle(*slider).center();
    const QString before = Text(id::PositionReadout);
    QTest::mousePress(slider, Qt::LeftButton, {}, grip);
    QTest::mouseMove(slider, grip + QPoint(slider->width() / 2, 0));
    EXPECT_GT(slider->value(), 48000 * 3);
    EXPECT_EQ(Text(id::PositionReadout), before);
    EXPECT_EQ(resets(), 0);
    QTest::mouseRelease(slider, Qt::LeftButton, {}, grip + QPoint(slider->width() / 2, 0));
    expectEngineAtThumb();
    EXPECT_EQ(resets(), 1);

    QTest::keyClick(slider, Qt::Key_PageDown);
    expectEngineAtThumb();
    EXPECT_EQ(resets(), 2);
    for (bool repeat : {false, true, true, true}) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier, QString(), repeat);
        QApplication::sendEvent(slider, &press);
        if (repeat) {
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_PageDown, Qt::NoModifier, QString(), true);
            QApplication::sendEvent(slider, &release);
        }
    }
    EXPECT_EQ(resets(), 2);
    QTest::keyRelease(slider, Qt::Key_PageDown);
    EXPECT_EQ(resets(), 3);
    EXPECT_EQ(slider->value(), 48000 * 10);
    expectEngineAtThumb();
}

}  // namespace
