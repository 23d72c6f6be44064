#include "recorder/level_display.h"

#include <cmath>

#include "engine/recording_engine.h"
#include "recorder/level_meter.h"
#include "recorder/waveform_view.h"
#include "resources/strings.h"

namespace {

QString TipFor(const TakeTally& tally)
{
    const QString tip = resources::Text(resources::IDS_TIP_WAVEFORM);
    if (!tally.hasAudio)
        return tip;
    // A peak a step below full scale reads 0.0, not -0.0.
    const double db = std::round(tally.PeakDbfs() * 10) / 10 + 0.0;
    const QByteArray peak = std::isfinite(db) ? QByteArray::number(db, 'f', 1) : QByteArray("-∞");
    return tip + QLatin1Char('\n') +
        QString::asprintf(resources::Text(resources::IDS_TAKE_LEVELS).toUtf8().constData(), peak.constData(),
                          static_cast<unsigned long long>(tally.clippedFrames));
}

}  // namespace

void ShowLevelsOnWaveform(RecordingEngine& engine, WaveformView& view)
{
    LevelMeter& meter = view.GetLevelMeter();
    QObject::connect(&engine, &RecordingEngine::TakeStarted, &view, [&view, &meter] {
        meter.StartTake();
        view.setToolTip(resources::Text(resources::IDS_TIP_WAVEFORM));
    });
    QObject::connect(&engine, &RecordingEngine::LevelsMeasured, &meter, &LevelMeter::ShowLevels);
    QObject::connect(&engine, &RecordingEngine::TakeLevelsCounted, &view,
                     [&view](const TakeTally& tally) { view.setToolTip(TipFor(tally)); });
}
