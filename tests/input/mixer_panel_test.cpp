// The recording-line panel driven by hand on fake sound cards: a MUX card and
// a MIXER card, changed from outside by "another program", with and without
// forcing; device changes, the volume slider, failures, and the desktop's
// recording control.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

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
    FakeMixerDevice& card(int device) { return fake.mixerDevice(device); }
    Marks on(int device)
    {
        Marks out;
        for (int i = 0; i < card(device).lineCount(); ++i)
            out.push_back(card(device).isOn(i));
        return out;
    }
    // Delivers the mixer's change reports, as the event loop would.
    static void settle()
    {
        FakeBackend::processCallbacks();
        QCoreApplication::processEvents();
    }

    // Microphone (0..1000 at 700), Line In (-50..50 at 20, on), CD (0..65535 at 30000).
    void addMuxCard(const QString& name)
    {
        const int device = int(fake.inputDevices().size());
        fake.addInputDevice(name);
        FakeMixerDevice& c = card(device);
        c.setSelectType(ControlType::Mux);
        c.addLine("Microphone", 700, 0, 1000);
        c.addLine("Line In", 20, -50, 50);
        c.addLine("CD", 30000);
        c.setLineOn(1, true);
    }
    // Mic, Line, CD (0..65535 at 30000), Aux; Mic and CD on.
    void addMixerCard(const QString& name)
    {
        const int device = int(fake.inputDevices().size());
        fake.addInputDevice(name);
        FakeMixerDevice& c = card(device);
        c.setSelectType(ControlType::Mixer);
        c.addLine("Mic", 100, 0, 200);
        c.addLine("Line", 5);
        c.addLine("CD", 30000);
        c.addLine("Aux", 9);
        c.setLineOn(0, true);
        c.setLineOn(2, true);
    }

    FakeBackend fake;
    testsupport::ScopedBackend scope{fake};
    MixerPanelHost host;
};

TEST_F(MixerPanelTest, MuxCardSwitchesToTheCheckedLineAloneKeepsOneOnAndJudgesChangesAgainstItsOwnState)
{
    addMuxCard("Sound card");
    host.start();
    ASSERT_EQ(host.names(), (std::vector<QString>{"Microphone", "Line In", "CD"}));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(host.lines->LineId(i), card(0).lineId(i));
    EXPECT_EQ(host.marks(), (Marks{0, 1, 0}));
    EXPECT_EQ(host.lines->currentRow(), 1);
    EXPECT_EQ(host.slider(), (Slider{-50, 50, 10, 20}));
    EXPECT_FALSE(host.panel->forceSelection());
    EXPECT_FALSE(host.force->isChecked());

    host.clickCheck(2);
    settle();
    EXPECT_EQ(on(0), (Marks{0, 0, 1}));
    EXPECT_EQ(host.marks(), (Marks{0, 0, 1}));

    host.clickCheck(2);  // the only line on
    settle();
    EXPECT_EQ(on(0), (Marks{0, 0, 1}));
    EXPECT_EQ(host.marks(), (Marks{0, 0, 1}));

    host.clickLine(0);
    EXPECT_EQ(host.lines->currentRow(), 0);
    EXPECT_EQ(host.slider(), (Slider{0, 1000, 100, 700}));

    // Without forcing, the marks follow another program, but a change is
    // judged against the state this program last applied (CD on): after
    // unchecking Line In the first line that differs from it is CD, now off,
    // and the MUX keeps it.
    card(0).simulateExternalSelect(1);
    settle();
    EXPECT_EQ(host.marks(), (Marks{0, 1, 0}));
    host.clickCheck(1);
    settle();
    EXPECT_EQ(on(0), (Marks{0, 0, 1}));
    EXPECT_EQ(host.marks(), (Marks{0, 0, 1}));
}

TEST_F(MixerPanelTest, MixerCardWritesEveryCheckMarkAsItStands)
{
    addMixerCard("Sound card");
    host.start();
    EXPECT_EQ(host.marks(), (Marks{1, 0, 1, 0}));
    EXPECT_EQ(host.lines->currentRow(), 2) << "the last line that is on";
    EXPECT_EQ(host.slider(), (Slider{0, 65535, 6553, 30000}));

    host.clickCheck(3);
    settle();
    EXPECT_EQ(on(0), (Marks{1, 0, 1, 1}));
    host.clickCheck(0);
    settle();
    EXPECT_EQ(on(0), (Marks{0, 0, 1, 1}));
    host.clickCheck(2);
    host.clickCheck(3);
    settle();
    EXPECT_EQ(on(0), (Marks{0, 0, 0, 0})) << "a MIXER may have no line on";
    EXPECT_EQ(host.marks(), on(0));
}

TEST_F(MixerPanelTest, ForcingUndoesAnotherProgramsChangeAtOnceUntilSwitchedOff)
{
    addMuxCard("MUX card");
    addMixerCard("MIXER card");
    host.start();
    QTest::mouseClick(host.force, Qt::LeftButton);
    ASSERT_TRUE(host.panel->forceSelection());

    card(0).simulateExternalSelect(0);
    settle();
    EXPECT_EQ(on(0), (Marks{0, 1, 0}));
    EXPECT_EQ(host.marks(), (Marks{0, 1, 0}));

    host.pickDevice(1);
    ASSERT_EQ(host.lines->count(), 4);
    card(1).simulateExternalSelect(Marks{0, 1, 1, 1});
    settle();
    EXPECT_EQ(on(1), (Marks{1, 0, 1, 0}));
    EXPECT_EQ(host.marks(), (Marks{1, 0, 1, 0}));
    // The user's own change is held as well.
    host.clickCheck(1);
    settle();
    card(1).simulateExternalSelect(Marks{0, 0, 0, 0});
    settle();
    EXPECT_EQ(on(1), (Marks{1, 1, 1, 0}));

    QTest::mouseClick(host.force, Qt::LeftButton);
    EXPECT_FALSE(host.panel->forceSelection());
    card(1).simulateExternalSelect(Marks{0, 0, 0, 1});
    settle();
    EXPECT_EQ(on(1), (Marks{0, 0, 0, 1}));
    EXPECT_EQ(host.marks(), (Marks{0, 0, 0, 1}));
}

TEST_F(MixerPanelTest, ADeviceChangeRebuildsAndHighlightsTheLastLineOnButTheSameDeviceAgainDoesNot)
{
    addMuxCard("MUX card");
    addMixerCard("MIXER card");
    host.start();
    EXPECT_EQ(fake.mixerOpenCount(), 1);

    host.pickDevice(1);
    EXPECT_EQ(host.panel->mixerDeviceId(), 1);
    EXPECT_EQ(host.names(), (std::vector<QString>{"Mic", "Line", "CD", "Aux"}));
    EXPECT_EQ(host.lines->currentRow(), 2);
    EXPECT_EQ(host.slider(), (Slider{0, 65535, 6553, 30000}));
    EXPECT_EQ(card(0).openMixerCount(), 0) << "the first card's mixer is closed";

    host.clickLine(0);
    ASSERT_EQ(host.slider(), (Slider{0, 200, 20, 100}));
    host.pickDevice(1);
    EXPECT_EQ(fake.mixerOpenCount(), 2);
    EXPECT_EQ(host.lines->currentRow(), 0) << "the list was not rebuilt";

    host.pickDevice(0);
    EXPECT_EQ(fake.mixerOpenCount(), 3);
    EXPECT_EQ(host.names(), (std::vector<QString>{"Microphone", "Line In", "CD"}));
    EXPECT_EQ(host.lines->currentRow(), 1);
}

TEST_F(MixerPanelTest, TheSliderWritesTheHighlightedLinesVolumeWhileDraggedAndFollowsOutsideChanges)
{
    addMixerCard("Sound card");
    host.start();
    FakeMixerDevice& c = card(0);
    ASSERT_EQ(host.lines->currentRow(), 2);

    QTest::keyClick(host.volume, Qt::Key_PageUp);
    EXPECT_EQ(c.volume(2), 30000 + 6553);
    settle();

    const int writes = c.volumeWriteCount();
    std::vector<int> seen;
    host.dragThumb(3, 8, [&] {
        seen.push_back(c.volume(2));
        EXPECT_EQ(c.volume(2), host.volume->sliderPosition()) << "written while the thumb moves";
    });
    settle();
    EXPECT_GE(c.volumeWriteCount() - writes, 3);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_TRUE(seen[0] > 36553 && seen[1] > seen[0] && seen[2] > seen[1]) << seen[0] << ' ' << seen[2];
    EXPECT_EQ(c.volume(2), host.volume->value());
    EXPECT_EQ(c.volume(0), 100) << "other lines keep theirs";

    // Another program's change moves the slider and is not written back.
    const int before = c.volumeWriteCount();
    c.simulateExternalVolume(2, 1234);
    settle();
    EXPECT_EQ(host.volume->value(), 1234);
    c.simulateExternalVolume(0, 7);  // not the highlighted line
    settle();
    EXPECT_EQ(host.volume->value(), 1234);
    EXPECT_EQ(c.volumeWriteCount(), before);
}

TEST_F(MixerPanelTest, DevicesWithoutAUsableMixerLeaveTheListEmptyAndTheSliderAlone)
{
    addMuxCard("Good card");
    fake.addInputDevice("No mixer");  // its mixer is never set up
    addMuxCard("No recording destination");
    card(2).setHasRecordingDestination(false);
    fake.addInputDevice("No select control");
    card(3).setSelectType(std::nullopt);
    card(3).addLine("Mic", 3);
    fake.addInputDevice("No lines");
    card(4).setSelectType(ControlType::Mixer);

    host.start();
    const Slider before = host.slider();
    ASSERT_EQ(before, (Slider{-50, 50, 10, 20}));
    for (int device : {1, 2, 3, 4}) {
        SCOPED_TRACE(device);
        host.pickDevice(device);
        EXPECT_EQ(host.lines->count(), 0);
        EXPECT_EQ(host.slider(), before);
        EXPECT_FALSE(host.volume->isEnabled()) << "a slider that sets nothing is off";
        QTest::keyClick(host.volume, Qt::Key_PageDown);  // writes nowhere
        host.volume->setValue(20);
        host.pickDevice(0);
        ASSERT_EQ(host.lines->count(), 3);
    }
    EXPECT_EQ(card(0).volume(1), 20);
}

TEST_F(MixerPanelTest, UnreadableNamesSelectionsAndVolumesAndRefusedWritesAreAbsorbed)
{
    addMixerCard("Sound card");
    FakeMixerDevice& c = card(0);
    c.setLineReadFails(1, true);
    c.setInactiveVolumeReadFails(true);
    fake.addInputDevice("Second card");
    card(1).setSelectType(ControlType::Mux);
    card(1).addLine("A");
    card(1).addLine("B");
    card(1).setSelectReadFails(true);
    host.start();
    EXPECT_EQ(host.names(), (std::vector<QString>{"Mic", "Error getting name.", "CD", "Aux"}));
    const Slider cd = host.slider();
    ASSERT_EQ(cd, (Slider{0, 65535, 6553, 30000}));

    // Neither the unreadable line nor an inactive one moves the slider: it
    // is off while it could show and set nothing, so no key or drag moves it
    // in vain, and the unreadable line's volume goes to no other line.
    EXPECT_TRUE(host.volume->isEnabled());
    for (int line : {1, 3}) {
        SCOPED_TRACE(line);
        host.clickLine(line);
        EXPECT_EQ(host.slider(), cd);
        EXPECT_FALSE(host.volume->isEnabled());
        QTest::keyClick(host.volume, Qt::Key_PageDown);
        host.dragThumb(2, 10);
        EXPECT_EQ(host.slider(), cd);
        EXPECT_EQ((std::vector<int>{c.volume(0), c.volume(1), c.volume(2), c.volume(3)}),
                  (std::vector<int>{100, 5, 30000, 9}));
    }
    // Once the line is on, its volume shows and the slider works again.
    c.simulateExternalSelect(3);
    settle();
    EXPECT_TRUE(host.volume->isEnabled());
    EXPECT_EQ(host.slider(), (Slider{0, 65535, 6553, 9}));

    // A refused volume write, by key or drag, puts the slider back where the
    // mixer stands.
    c.setWritesFail(true);
    QTest::keyClick(host.volume, Qt::Key_PageUp);
    EXPECT_EQ(host.slider(), (Slider{0, 65535, 6553, 9}));
    host.dragThumb(3, 12);
    EXPECT_EQ(host.slider(), (Slider{0, 65535, 6553, 9}));
    EXPECT_EQ(c.volume(3), 9);
    c.setWritesFail(false);
    c.simulateExternalSelect(std::vector<bool>{true, false, true, false});
    settle();

    // A refused write leaves the mixer as it was, and the marks show it.
    c.setWritesFail(true);
    host.clickCheck(3);
    settle();
    EXPECT_EQ(on(0), (Marks{1, 0, 1, 0}));
    EXPECT_EQ(host.marks(), (Marks{1, 0, 1, 0}));
    c.setWritesFail(false);

    // A selection that cannot be read: every line unchecked, none highlighted.
    host.pickDevice(1);
    EXPECT_EQ(host.names(), (std::vector<QString>{"A", "B"}));
    EXPECT_EQ(host.marks(), (Marks{0, 0}));
    EXPECT_EQ(host.lines->currentRow(), -1);
}

TEST_F(MixerPanelTest, ThirtyOneLinesListTheFirstThirtyAndKeepTheValueOrderOfAll)
{
    fake.addInputDevice("MIXER card");
    fake.addInputDevice("MUX card");
    for (int device : {0, 1}) {
        card(device).setSelectType(device == 0 ? ControlType::Mixer : ControlType::Mux);
        for (int i = 0; i < 31; ++i)
            card(device).addLine(QString("Line %1").arg(i), i);
    }
    card(0).setLineOn(29, true);
    card(0).setLineOn(30, true);
    host.start();
    ASSERT_EQ(host.lines->count(), 30);
    EXPECT_EQ(host.lines->item(29)->text(), "Line 29");
    Marks expected(30, false);
    expected[29] = true;
    EXPECT_EQ(host.marks(), expected);
    EXPECT_EQ(host.lines->currentRow(), 29);
    EXPECT_EQ(host.volume->value(), 29);

    host.clickCheck(0);
    settle();
    Marks all(31, false);
    all[0] = all[29] = all[30] = true;
    EXPECT_EQ(on(0), all) << "the line past the list keeps its state";

    // A MUX switched to the unlisted line by another program is taken back
    // to the user's line while forcing holds it.
    host.pickDevice(1);
    QTest::mouseClick(host.force, Qt::LeftButton);
    card(1).simulateExternalSelect(30);
    settle();
    EXPECT_TRUE(card(1).isOn(0));
    EXPECT_FALSE(card(1).isOn(30));
}

TEST_F(MixerPanelTest, AdvancedStartsTheRecordingControlOnItsInputPageAndIsSilentWhenItIsMissing)
{
    fake.addInputDevice("Sound card");
    host.start();
    const QByteArray path = qgetenv("PATH");
    QTemporaryDir bin;
    const QString args = bin.filePath("args");
    ASSERT_TRUE(testsupport::writeFile(bin.filePath("pavucontrol"),
                                       "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > \"$(dirname \"$0\")/args.tmp\"\n"
                                       "mv \"$(dirname \"$0\")/args.tmp\" \"$(dirname \"$0\")/args\"\n"));
    QFile::setPermissions(bin.filePath("pavucontrol"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    qputenv("PATH", (bin.path() + ':').toLocal8Bit() + path);
    QTest::mouseClick(host.advanced, Qt::LeftButton);
    ASSERT_TRUE(widgettest::waitUntil([&] { return QFile::exists(args); }, 10000));
    EXPECT_EQ(testsupport::readFile(args), "1\n--tab=4\n");

    QTemporaryDir empty;
    qputenv("PATH", empty.path().toLocal8Bit());
    QTest::mouseClick(host.advanced, Qt::LeftButton);
    QTest::qWait(50);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "a failed start shows nothing";
    qputenv("PATH", path);
}

}  // namespace
