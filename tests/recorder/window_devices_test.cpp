// A take the fake sound server moves to another device says so once, in a
// box that leaves the window usable, and shows the new device with its
// recording lines. The device list itself is followed on the real servers
// (window_pulse_test.cpp).

#include "window_fixture.h"
#include "recorder/dialog_template.h"
#include "resources/strings.h"

namespace {

using namespace windowtest;

QString formatted(resources::StringId id, const QString& a, const QString& b)
{
    return QString::asprintf(resources::text(id).toUtf8().constData(), a.toUtf8().constData(), b.toUtf8().constData());
}

TEST_F(RecorderWindowEngineTest, ATakeTheServerMovesSaysSoOnceAndShowsTheNewDeviceAndItsLines)
{
    auto& usb = backend.mixerDevice(1);
    usb.setSelectType(platform::audio::ControlType::Mux);
    usb.addLine("Microphone", 40000);
    usb.addLine("Line In");
    auto* list = ctl<QComboBox>(RecorderControl::DeviceList);
    ASSERT_EQ(list->currentIndex(), 0);
    record(440, 4800, false);
    ASSERT_TRUE(window->engine().IsRecording());

    onWriter([&] { backend.captureStream()->moveTo("fake_source_0", "fake_source_1"); });
    pump();
    std::vector<QMessageBox*> boxes;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
            boxes.push_back(box);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0]->text(), formatted(resources::IDS_CAPTURE_DEVICE_MOVED, "Built-in Microphone", "USB Headset"));
    EXPECT_FALSE(boxes[0]->isModal());
    EXPECT_EQ(list->currentText(), "USB Headset");
    EXPECT_FALSE(list->isEnabled());
    EXPECT_EQ(ctl<MixerLineList>(RecorderControl::LineList)->count(), 2) << "the recording lines are the new device's";

    // The take goes on.
    EXPECT_TRUE(window->engine().IsRecording());
    onWriter([&] { backend.captureStream()->deliverTone(440, 0.5, 4800); });
    pump();
    click(RecorderControl::Stop);
    pump();
    EXPECT_EQ(window->engine().GetDataLength(), 9600u * 4);
    boxes[0]->close();
}

}  // namespace
