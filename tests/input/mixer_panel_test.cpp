// The recording-line panel driven by hand on fake sound cards: a MUX card and
// a MIXER card, changed from outside by "another program", with and without
// forcing; device changes, the volume slider, failures, and the desktop's
// recording control; and the lists of inputs and formats beside it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <source_location>

#include "mixer_panel_host.h"
#include "platform/audio/fake_backend.h"
#include "support/scoped_state.h"
#include "support/test_support.h"

using platform::audio::ControlType;
using platform::audio::FakeBackend;
using platform::audio::FakeMixerDevice;
using Marks = std::vector<bool>;
using Slider = std::tuple<int, int, int, int>;  // minimum, maximum, page, value

namespace {

class MixerPanelTest : public ::testing::Test {
protected:
    FakeMixerDevice& Card(int device) { return fake.MixerDevice(device); }
    Marks On(int device)
    {
        Marks out;
        for (int i = 0; i < Card(device).LineCount(); ++i)
            out.push_back(Card(device).IsOn(i));
        return out;
    }
    // Delivers the mixer's change reports, as the event loop would.
    static void Settle()
    {
        FakeBackend::ProcessCallbacks();
        QCoreApplication::processEvents();
    }
    // Once the reports are in, the card's switches and the list's check
    // marks both read `marks`.
    void ExpectMarks(int device, const Marks& marks, std::source_location at = std::source_location::current())
    {
        const ::testing::ScopedTrace caller(at.file_name(), int(at.line()), "");
        Settle();
        EXPECT_EQ(On(device), marks);
        EXPECT_EQ(host.Marks(), marks);
    }

    struct Line {
        const char* name;
        int volume, minimum = 0, maximum = 65535;
    };
    void AddCard(const QString& name, std::optional<ControlType> type, std::initializer_list<Line> lines,
                 std::initializer_list<int> on)
    {
        const int device = int(fake.InputDevices().size());
        fake.AddInputDevice(name);
        Card(device).SetSelectType(type);
        for (const Line& line : lines)
            Card(device).AddLine(line.name, line.volume, line.minimum, line.maximum);
        for (int line : on)
            Card(device).SetLineOn(line, true);
    }
    // Microphone (0..1000 at 700), Line In (-50..50 at 20, on), CD (0..65535 at 30000).
    void AddMuxCard(const QString& name)
    {
        AddCard(name, ControlType::Mux, {{"Microphone", 700, 0, 1000}, {"Line In", 20, -50, 50}, {"CD", 30000}}, {1});
    }
    // Mic, Line, CD (0..65535 at 30000), Aux; Mic and CD on.
    void AddMixerCard(const QString& name)
    {
        AddCard(name, ControlType::Mixer, {{"Mic", 100, 0, 200}, {"Line", 5}, {"CD", 30000}, {"Aux", 9}}, {0, 2});
    }

    FakeBackend fake;
    testsupport::ScopedBackend scope{fake};
    MixerPanelHost host;
};

TEST_F(MixerPanelTest, MuxCardSwitchesToTheCheckedLineAloneKeepsOneOnAndJudgesChangesAgainstItsOwnState)
{
    AddMuxCard("Sound card");
    host.Start();
    ASSERT_EQ(host.Names(), (std::vector<QString>{"Microphone", "Line In", "CD"}));
    EXPECT_EQ(host.Marks(), (Marks{0, 1, 0}));
    EXPECT_EQ(host.lines->currentRow(), 1);
    EXPECT_EQ(host.Slider(), (Slider{-50, 50, 10, 20}));

    host.ClickCheck(2);
    ExpectMarks(0, {0, 0, 1});
    host.ClickCheck(2);  // the only line on
    ExpectMarks(0, {0, 0, 1});

    host.ClickLine(0);
    EXPECT_EQ(host.lines->currentRow(), 0);
    EXPECT_EQ(host.Slider(), (Slider{0, 1000, 100, 700}));

    // Without forcing, the marks follow another program, but a change is
    // judged against the state this program last applied (CD on): after
    // unchecking Line In the first line that differs from it is CD, now off,
    // and the MUX keeps it.
    Card(0).SimulateExternalSelect(1);
    ExpectMarks(0, {0, 1, 0});
    host.ClickCheck(1);
    ExpectMarks(0, {0, 0, 1});
}

TEST_F(MixerPanelTest, ADeviceChangeRebuildsTheListAMixerCardWritesEveryMarkAsItStandsAndForcingHoldsThem)
{
    AddMuxCard("MUX card");
    AddMixerCard("MIXER card");
    host.Start();
    EXPECT_EQ(fake.MixerOpenCount(), 1);

    host.PickDevice(1);
    EXPECT_EQ(host.panel->MixerDeviceId(), 1);
    EXPECT_EQ(host.Names(), (std::vector<QString>{"Mic", "Line", "CD", "Aux"}));
    EXPECT_EQ(host.lines->currentRow(), 2);
    EXPECT_EQ(host.Slider(), (Slider{0, 65535, 6553, 30000}));
    EXPECT_EQ(Card(0).OpenMixerCount(), 0) << "the first card's mixer is closed";

    host.ClickLine(0);
    ASSERT_EQ(host.Slider(), (Slider{0, 200, 20, 100}));
    host.PickDevice(1);
    EXPECT_EQ(fake.MixerOpenCount(), 2);
    EXPECT_EQ(host.lines->currentRow(), 0) << "the list was not rebuilt";

    EXPECT_EQ(host.Marks(), (Marks{1, 0, 1, 0}));
    host.ClickCheck(3);
    ExpectMarks(1, {1, 0, 1, 1});
    host.ClickCheck(0);
    ExpectMarks(1, {0, 0, 1, 1});
    host.ClickCheck(2);
    host.ClickCheck(3);
    ExpectMarks(1, {0, 0, 0, 0});  // a MIXER may have no line on

    host.PickDevice(0);
    EXPECT_EQ(fake.MixerOpenCount(), 3);
    EXPECT_EQ(host.Names(), (std::vector<QString>{"Microphone", "Line In", "CD"}));
    EXPECT_EQ(host.lines->currentRow(), 1);

    // Forcing undoes another program's change at once, until switched off.
    QTest::mouseClick(host.force, Qt::LeftButton);
    ASSERT_TRUE(host.panel->ForceSelection());
    Card(0).SimulateExternalSelect(0);
    ExpectMarks(0, {0, 1, 0});
    host.PickDevice(1);
    Card(1).SimulateExternalSelect(Marks{0, 1, 1, 1});
    ExpectMarks(1, {0, 0, 0, 0});
    // The user's own change is held as well.
    host.ClickCheck(1);
    Settle();
    Card(1).SimulateExternalSelect(Marks{0, 0, 0, 0});
    ExpectMarks(1, {0, 1, 0, 0});
    QTest::mouseClick(host.force, Qt::LeftButton);
    EXPECT_FALSE(host.panel->ForceSelection());
    Card(1).SimulateExternalSelect(Marks{0, 0, 0, 1});
    ExpectMarks(1, {0, 0, 0, 1});
}

TEST_F(MixerPanelTest, TheSliderWritesTheHighlightedLinesVolumeWhileDraggedAndFollowsOutsideChanges)
{
    AddMixerCard("Sound card");
    host.Start();
    FakeMixerDevice& c = Card(0);
    ASSERT_EQ(host.lines->currentRow(), 2);

    QTest::keyClick(host.volume, Qt::Key_PageUp);
    EXPECT_EQ(c.Volume(2), 30000 + 6553);
    Settle();

    const int writes = c.VolumeWriteCount();
    std::vector<int> seen;
    host.DragThumb(3, 8, [&] {
        seen.push_back(c.Volume(2));
        EXPECT_EQ(c.Volume(2), host.volume->sliderPosition()) << "written while the thumb moves";
    });
    Settle();
    EXPECT_GE(c.VolumeWriteCount() - writes, 3);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_TRUE(seen[0] > 36553 && seen[1] > seen[0] && seen[2] > seen[1]) << seen[0] << ' ' << seen[2];
    EXPECT_EQ(c.Volume(2), host.volume->value());
    EXPECT_EQ(c.Volume(0), 100) << "other lines keep theirs";

    // Another program's change moves the slider and is not written back.
    const int before = c.VolumeWriteCount();
    c.SimulateExternalVolume(2, 1234);
    c.SimulateExternalVolume(0, 7);  // not the highlighted line: the slider shows 1234
    Settle();
    EXPECT_EQ(host.volume->value(), 1234);
    EXPECT_EQ(c.VolumeWriteCount(), before);
}

TEST_F(MixerPanelTest, DevicesWithoutAUsableMixerLeaveTheListEmptyAndTheSliderAlone)
{
    AddMuxCard("Good card");
    fake.AddInputDevice("No mixer");  // its mixer is never set up
    AddMuxCard("No recording destination");
    Card(2).SetHasRecordingDestination(false);
    AddCard("No select control", std::nullopt, {{"Mic", 3}}, {});
    AddCard("No lines", ControlType::Mixer, {}, {});

    host.Start();
    const Slider before = host.Slider();
    ASSERT_EQ(before, (Slider{-50, 50, 10, 20}));
    for (int device : {1, 2, 3, 4}) {
        SCOPED_TRACE(device);
        host.PickDevice(device);
        EXPECT_EQ(host.lines->count(), 0);
        EXPECT_EQ(host.Slider(), before);
        EXPECT_FALSE(host.volume->isEnabled()) << "a slider that sets nothing is off";
        QTest::keyClick(host.volume, Qt::Key_PageDown);  // writes nowhere
        host.volume->setValue(20);
        host.PickDevice(0);
        ASSERT_EQ(host.lines->count(), 3);
    }
    EXPECT_EQ(Card(0).Volume(1), 20);
}

TEST_F(MixerPanelTest, UnreadableNamesSelectionsAndVolumesAndRefusedWritesAreAbsorbed)
{
    AddMixerCard("Sound card");
    FakeMixerDevice& c = Card(0);
    c.SetLineReadFails(1, true);
    c.SetInactiveVolumeReadFails(true);
    AddCard("Second card", ControlType::Mux, {{"A", 0}, {"B", 0}}, {});
    Card(1).SetSelectReadFails(true);
    host.Start();
    EXPECT_EQ(host.Names(), (std::vector<QString>{"Mic", "Error getting name.", "CD", "Aux"}));
    const Slider cd = host.Slider();
    ASSERT_EQ(cd, (Slider{0, 65535, 6553, 30000}));

    // Neither the unreadable line nor an inactive one moves the slider: it
    // is off while it could show and set nothing, so no key or drag moves it
    // in vain, and the unreadable line's volume goes to no other line.
    EXPECT_TRUE(host.volume->isEnabled());
    for (int line : {1, 3}) {
        SCOPED_TRACE(line);
        host.ClickLine(line);
        EXPECT_EQ(host.Slider(), cd);
        EXPECT_FALSE(host.volume->isEnabled());
        QTest::keyClick(host.volume, Qt::Key_PageDown);
        host.DragThumb(2, 10);
        EXPECT_EQ(host.Slider(), cd);
        EXPECT_EQ((std::vector<int>{c.Volume(0), c.Volume(1), c.Volume(2), c.Volume(3)}),
                  (std::vector<int>{100, 5, 30000, 9}));
    }
    // Once the line is on, its volume shows and the slider works again.
    c.SimulateExternalSelect(3);
    Settle();
    EXPECT_TRUE(host.volume->isEnabled());
    EXPECT_EQ(host.Slider(), (Slider{0, 65535, 6553, 9}));

    // A refused volume write, by key or drag, puts the slider back where the
    // mixer stands.
    c.SetWritesFail(true);
    QTest::keyClick(host.volume, Qt::Key_PageUp);
    EXPECT_EQ(host.Slider(), (Slider{0, 65535, 6553, 9}));
    host.DragThumb(3, 12);
    EXPECT_EQ(host.Slider(), (Slider{0, 65535, 6553, 9}));
    EXPECT_EQ(c.Volume(3), 9);

    // A refused write leaves the mixer as it was, and the marks show it.
    host.ClickCheck(3);
    ExpectMarks(0, {1, 0, 1, 1});
    c.SetWritesFail(false);

    // A selection that cannot be read: every line unchecked, none highlighted.
    host.PickDevice(1);
    EXPECT_EQ(host.Names(), (std::vector<QString>{"A", "B"}));
    EXPECT_EQ(host.Marks(), (Marks{0, 0}));
    EXPECT_EQ(host.lines->currentRow(), -1);
}

TEST_F(MixerPanelTest, ThirtyOneLinesListTheFirstThirtyAndKeepTheValueOrderOfAll)
{
    fake.AddInputDevice("MIXER card");
    fake.AddInputDevice("MUX card");
    for (int device : {0, 1}) {
        Card(device).SetSelectType(device == 0 ? ControlType::Mixer : ControlType::Mux);
        for (int i = 0; i < 31; ++i)
            Card(device).AddLine(QString("Line %1").arg(i), i);
    }
    Card(0).SetLineOn(29, true);
    Card(0).SetLineOn(30, true);
    host.Start();
    ASSERT_EQ(host.lines->count(), 30);
    EXPECT_EQ(host.lines->item(29)->text(), "Line 29");
    Marks expected(30, false);
    expected[29] = true;
    EXPECT_EQ(host.Marks(), expected);
    EXPECT_EQ(host.lines->currentRow(), 29);
    EXPECT_EQ(host.volume->value(), 29);

    host.ClickCheck(0);
    Settle();
    Marks all(31, false);
    all[0] = all[29] = all[30] = true;
    EXPECT_EQ(On(0), all) << "the line past the list keeps its state";

    // A MUX switched to the unlisted line by another program is taken back
    // to the user's line while forcing holds it.
    host.PickDevice(1);
    QTest::mouseClick(host.force, Qt::LeftButton);
    Card(1).SimulateExternalSelect(30);
    Settle();
    EXPECT_TRUE(Card(1).IsOn(0));
    EXPECT_FALSE(Card(1).IsOn(30));
}

TEST_F(MixerPanelTest, AdvancedStartsTheRecordingControlOnItsInputPageAndIsSilentWhenItIsMissing)
{
    fake.AddInputDevice("Sound card");
    host.Start();
    // Only this folder is searched, so the control is missing until its
    // stand-in (of shell built-ins alone) is written there.
    QTemporaryDir bin;
    const testsupport::ScopedEnv searchPath("PATH", bin.path());
    QTest::mouseClick(host.advanced, Qt::LeftButton);
    QTest::qWait(50);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "a failed start shows nothing";

    const QString args = bin.filePath("args");
    ASSERT_TRUE(testsupport::WriteFile(bin.filePath("pavucontrol"),
                                       "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > \"${0%/*}/args\"\n"));
    QFile::setPermissions(bin.filePath("pavucontrol"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QTest::mouseClick(host.advanced, Qt::LeftButton);
    EXPECT_TRUE(widgettest::WaitUntil([&] { return testsupport::ReadFile(args) == "1\n--tab=4\n"; }, 10000))
        << testsupport::ReadFile(args).toStdString();
}

// The two lists that offer the inputs and the recording formats.
TEST(InputListsTest, StoredChoicesAreRestoredWithFallbackToTheFirstEntryAndFormatsUseTheChannelTexts)
{
    const std::vector<platform::audio::InputDevice> devices = {
        {0, "Mic", "mic", false}, {1, "Line", "line", false}, {2, "Monitor of Out", "out.monitor", true}};
    for (auto [stored, current] : {std::pair{2, 2}, {3, 0}, {-1, 0}, {100, 0}}) {
        SCOPED_TRACE(stored);
        QComboBox list;
        InputLists::FillDeviceList(&list, devices, stored);
        EXPECT_EQ(list.count(), 3);
        EXPECT_EQ(list.itemText(1), "Line");
        EXPECT_EQ(list.currentIndex(), current);
    }
    QComboBox none;
    InputLists::FillDeviceList(&none, {}, 0);
    EXPECT_EQ(none.count(), 0);
    EXPECT_EQ(none.currentIndex(), -1);

    for (auto [stored, text] :
         {std::pair{9, "16000 Hz 16位 单声道"}, {27, "48000 Hz 16位 立体声"}, {28, "8000 Hz 8位 单声道"}}) {
        SCOPED_TRACE(stored);
        QComboBox formats;
        InputLists::FillFormatList(&formats, stored);
        EXPECT_EQ(formats.count(), 28);
        EXPECT_EQ(formats.currentText(), QString::fromUtf8(text));
    }
}

}  // namespace
