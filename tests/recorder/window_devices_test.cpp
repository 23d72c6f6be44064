// A take the fake sound server moves to another device says so once, in a
// box that leaves the window usable, and shows the new device with its
// recording lines. The device list itself is followed on the real servers
// (window_pulse_test.cpp).

#include "window_fixture.h"
#include "recorder/dialog_template.h"
#include "resources/strings.h"

namespace {

using namespace windowtest;

QString Formatted(resources::StringId id, const QString& a, const QString& b)
{
    return QString::asprintf(resources::Text(id).toUtf8().constData(), a.toUtf8().constData(), b.toUtf8().constData());
}

TEST_F(RecorderWindowEngineTest, ATakeTheServerMovesSaysSoOnceAndShowsTheNewDeviceAndItsLines)
{
    auto& usb = backend.MixerDevice(1);
    usb.SetSelectType(platform::audio::ControlType::Mux);
    usb.AddLine("Microphone", 40000);
    usb.AddLine("Line In");
    auto* list = Ctl<QComboBox>(RecorderControl::DeviceList);
    ASSERT_EQ(list->currentIndex(), 0);
    Record(440, 4800, false);
    ASSERT_TRUE(window->Engine().IsRecording());

    OnWriter([&] { backend.GetCaptureStream()->MoveTo("fake_source_0", "fake_source_1"); });
    Pump();
    std::vector<QMessageBox*> boxes;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
            boxes.push_back(box);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0]->text(), Formatted(resources::IDS_CAPTURE_DEVICE_MOVED, "Built-in Microphone", "USB Headset"));
    EXPECT_FALSE(boxes[0]->isModal());
    EXPECT_EQ(list->currentText(), "USB Headset");
    EXPECT_FALSE(list->isEnabled());
    EXPECT_EQ(Ctl<MixerLineList>(RecorderControl::LineList)->count(), 2) << "the recording lines are the new device's";

    // The take goes on.
    EXPECT_TRUE(window->Engine().IsRecording());
    OnWriter([&] { backend.GetCaptureStream()->DeliverTone(440, 0.5, 4800); });
    Pump();
    Click(RecorderControl::Stop);
    Pump();
    EXPECT_EQ(window->Engine().GetDataLength(), 9600u * 4);
    boxes[0]->close();
}

}  // namespace
