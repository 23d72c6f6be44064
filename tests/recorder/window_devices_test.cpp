// The device list while devices come and go, on the fake sound server: the
// selection follows its device across rows, a removed choice falls back to
// the default with a word in the status line, and a take the server moves
// says so once and shows the new device with its recording lines.

#include "window_fixture.h"

namespace {

using namespace windowtest;

QStringList rows(QComboBox* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->itemText(i);
    return out;
}

QString formatted(int id, const QString& a, const QString& b)
{
    return QString::asprintf(resources::text(id).toUtf8().constData(), a.toUtf8().constData(), b.toUtf8().constData());
}

TEST_F(RecorderWindowTest, TheIdleDeviceListFollowsTheServerAndKeepsItsDevice)
{
    open().show();
    auto* list = ctl<QComboBox>(1266);
    list->setCurrentIndex(1);  // USB Headset
    const QString status = text(1012);

    // A new input joins the inputs, before the monitors; one before ours
    // goes: the rows move, the selection stays with the device.
    backend.addInputDevice("Line In", false, "line_in");
    QTest::qWait(50);
    EXPECT_EQ(rows(list), QStringList({"Built-in Microphone", "USB Headset", "Line In", "Monitor of Speakers"}));
    backend.removeInputDevice("fake_source_0");
    QTest::qWait(50);
    EXPECT_EQ(rows(list), QStringList({"USB Headset", "Line In", "Monitor of Speakers"}));
    EXPECT_EQ(list->currentText(), "USB Headset");
    EXPECT_EQ(text(1012), status);

    // The chosen device itself goes: the server's default takes its place.
    backend.setDefaultInputDevice("fake_source_2");
    backend.removeInputDevice("fake_source_1");
    QTest::qWait(50);
    EXPECT_EQ(rows(list), QStringList({"Line In", "Monitor of Speakers"}));
    EXPECT_EQ(list->currentText(), "Monitor of Speakers");
    EXPECT_EQ(text(1012),
              formatted(resources::IDS_DEVICE_REMOVED_DEFAULT_CHOSEN, "USB Headset", "Monitor of Speakers"));
    EXPECT_TRUE(list->isEnabled());
}

TEST_F(RecorderWindowEngineTest, ATakeTheServerMovesSaysSoOnceAndShowsTheNewDeviceAndItsLines)
{
    auto& usb = backend.mixerDevice(1);
    usb.setSelectType(platform::audio::ControlType::Mux);
    usb.addLine("Microphone", 40000);
    usb.addLine("Line In");
    auto* list = ctl<QComboBox>(1266);
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
    EXPECT_EQ(ctl<MixerLineList>(1268)->count(), 2) << "the recording lines are the new device's";

    // The take goes on.
    EXPECT_TRUE(window->engine().IsRecording());
    onWriter([&] { backend.captureStream()->deliverTone(440, 0.5, 4800); });
    pump();
    click(1022);
    pump();
    EXPECT_EQ(window->engine().GetDataLength(), 9600u * 4);
    boxes[0]->close();
}

}  // namespace
