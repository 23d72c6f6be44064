#include "engine/take_tally.h"

#include <algorithm>
#include <vector>
#include <QFile>

#include "engine/engine_log.h"
#include "engine/take_levels.h"

void TakeTally::Add(const TakeLevels& levels)
{
    fullScale = levels.fullScale;
    for (int c = 0; c < levels.channels; ++c)
        peak = std::max(peak, levels.peak[size_t(c)]);
    clippedFrames += levels.clippedFrames;
    hasAudio = true;
}

void TakeTally::Add(const TakeTally& other)
{
    if (!other.hasAudio)
        return;
    fullScale = other.fullScale;
    peak = std::max(peak, other.peak);
    clippedFrames += other.clippedFrames;
    hasAudio = true;
}

double TakeTally::PeakDbfs() const { return LevelDbfs(peak, fullScale); }

TakeTally CountTakeLevels(const QString& path, uint64_t dataStart, uint64_t dataBytes,
                          const platform::audio::PcmFormat& format, const std::atomic<bool>& cancel)
{
    TakeTally tally;
    TakeLevelMeter meter;
    meter.Begin(format);
    tally.fullScale = meter.Take().fullScale;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(qint64(dataStart))) {
        qCWarning(lcEngine) << "cannot read the recording back to count its levels:" << file.errorString();
        return tally;
    }
    const uint32_t align = std::max<uint32_t>(1, format.BlockAlign());
    std::vector<uint8_t> block(size_t(TakeWriter::BlockBytes(format)) * 10);
    uint64_t left = dataBytes / align * align;
    while (left > 0 && !cancel.load(std::memory_order_relaxed)) {
        const qint64 got =
            file.read(reinterpret_cast<char*>(block.data()), qint64(std::min<uint64_t>(left, block.size())));
        const uint32_t whole = got > 0 ? uint32_t(uint64_t(got) / align * align) : 0;
        if (whole == 0) {
            qCWarning(lcEngine) << "reading the recording back stopped short:" << file.errorString();
            break;
        }
        meter.Add(block.data(), whole);
        tally.Add(meter.Take());
        left -= whole;
        if (whole != uint64_t(got))
            file.seek(file.pos() - (got - qint64(whole)));  // a frame cut by a short read
    }
    return tally;
}
