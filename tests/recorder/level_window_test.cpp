// The levels on the waveform panel, recorded from the fake sound card and
// judged from screenshots: the meter along the right edge, red columns where
// the sound reached full scale, the clip mark across takes, and the exact
// peak and clipping counts in the panel's tooltip once stopped. The clip mark
// lit by a loud tone is tried on the real servers (window_pulse_test.cpp).

#include "recorder/level_meter.h"
#include "window_fixture.h"

namespace windowtest {
namespace {

const QRgb kClipLit = qRgb(255, 0, 0);
const QRgb kClipUnlit = qRgb(80, 0, 0);
const QRgb kGreen = qRgb(0, 255, 0);
const QRgb kYellow = qRgb(255, 255, 0);

// The inside of the panel as on screen, and what it shows.
struct PanelShot {
    QImage image;
    int meterLeft = 0;

    explicit PanelShot(WaveformView& view, const QString& name)
    {
        image = view.grab().toImage().convertToFormat(QImage::Format_RGB32).copy(view.contentsRect());
        meterLeft = image.width() - LevelMeter::kWidth;
        image.save(testsupport::ScreenshotDir() + "/" + name + ".png");
    }
    QRgb ClipMark() const { return image.pixel(meterLeft + LevelMeter::kWidth / 2, 1); }
    int BarPixels(QRgb colour) const
    {
        int n = 0;
        for (int y = LevelMeter::kClipMarkRows + 1; y < image.height(); ++y)
            for (int x = meterLeft; x < image.width(); ++x)
                n += image.pixel(x, y) == colour;
        return n;
    }
    int RedColumns() const
    {
        int n = 0;
        for (int x = 0; x < meterLeft; ++x) {
            bool red = false;
            for (int y = 0; y < image.height(); ++y)
                red |= image.pixel(x, y) == kClipLit;
            n += red;
        }
        return n;
    }
};

class LevelWindowTest : public RecorderWindowEngineTest {
protected:
    void SetUp() override
    {
        RecorderWindowEngineTest::SetUp();
        window->Engine().SetTickClock([this] { return now += 101; });  // every block is reported
    }
    WaveformView& Panel() { return *static_cast<WaveformView*>(Ctl(id::Waveform)); }
    // 1 kHz at `amplitude` of full scale; at 1.0 one frame in 48 reaches it.
    void Deliver(double amplitude, uint32_t frames)
    {
        bool delivered = false;
        OnWriter([&] { delivered = backend.GetCaptureStream()->DeliverTone(1000, amplitude, frames); });
        ASSERT_TRUE(delivered);
        Pump();
    }
    QString Tip(const char* figures) const
    {
        return resources::Text(resources::IDS_TIP_WAVEFORM) +
            (figures ? QString::fromUtf8(figures).prepend('\n') : QString());
    }
    uint32_t now = 0;
};

}  // namespace

TEST_F(LevelWindowTest, MeterClipMarkRedColumnsAndTheRecordingsFiguresFollowTheTakes)
{
    // A quiet take: green bars, no clipping.
    Click(id::Record);
    Deliver(0.1, 24000);
    PanelShot quiet(Panel(), "levels_quiet");
    EXPECT_GT(quiet.BarPixels(kGreen), 10);
    EXPECT_EQ(quiet.BarPixels(kYellow), 0) << "-20 dBFS stays below the loud part of the scale";
    EXPECT_EQ(quiet.RedColumns(), 0);

    // It clips: the clip mark lights, the loud part of the bars too, and the
    // columns of the full-scale samples turn red.
    Deliver(1.0, 24000);
    PanelShot loud(Panel(), "levels_clipping");
    EXPECT_GT(loud.BarPixels(kYellow), 0);
    EXPECT_GE(loud.RedColumns(), 2);
    EXPECT_LT(loud.RedColumns(), loud.meterLeft / 10) << "only the columns holding full-scale samples";

    Stop();
    EXPECT_EQ(PanelShot(Panel(), "levels_stopped").ClipMark(), kClipLit) << "lit until the next take";
    EXPECT_EQ(Panel().toolTip(), Tip("录音峰值: 0.0 dBFS，削波: 500 处"));

    // A click on the mark puts it out.
    QTest::mouseClick(&Panel().GetLevelMeter(), Qt::LeftButton, {}, QPoint(LevelMeter::kWidth / 2, 1));
    EXPECT_EQ(PanelShot(Panel(), "levels_clip_clicked").ClipMark(), kClipUnlit);

    // Resumed, the figures go on from the first take's; Record puts the mark out.
    Click(id::Record);
    Deliver(1.0, 4800);
    Stop();
    EXPECT_EQ(Panel().toolTip(), Tip("录音峰值: 0.0 dBFS，削波: 600 处"));
    EXPECT_EQ(PanelShot(Panel(), "levels_resumed").ClipMark(), kClipLit);
    Click(id::Record);
    EXPECT_EQ(Panel().toolTip(), Tip(nullptr)) << "no figures while recording";
    Deliver(0.1, 4800);
    EXPECT_EQ(PanelShot(Panel(), "levels_next_take").ClipMark(), kClipUnlit);
    Stop();
    EXPECT_EQ(Panel().toolTip(), Tip("录音峰值: 0.0 dBFS，削波: 600 处"));

    // Clearing after the quiet part counts what is left, from the file.
    window->Engine().MoveTo(24000);
    Click(id::ClearAfterPosition);
    ASSERT_EQ(window->Engine().GetDataLength(), 24000u * 4);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Panel().toolTip() == Tip("录音峰值: -20.0 dBFS，削波: 0 处"); }, 5000))
        << Panel().toolTip().toStdString();

    ModalAnswers answers({}, {QMessageBox::No});
    Click(id::NewRecording);
    EXPECT_EQ(Panel().toolTip(), Tip(nullptr));
}

}  // namespace windowtest
