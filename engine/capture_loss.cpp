#include "engine/capture_loss.h"

#include <algorithm>

void CaptureLossDetector::Start(uint64_t nowMs, uint32_t sampleRate, uint32_t blockAlign)
{
    m_rate = sampleRate ? sampleRate : 1;
    m_align = blockAlign ? blockAlign : 1;
    m_startMs = m_lastArrivalMs = nowMs;
    m_framesIn = 0;
    m_normalLag = -1;
    m_steady = 0;
    m_suspect = m_moved = false;
    m_held.clear();
    m_writable.clear();
    m_run = 0;
}

bool CaptureLossDetector::BlockArrived(uint64_t nowMs, const uint8_t* data, uint32_t bytes, uint64_t framesAhead)
{
    const uint64_t frames = bytes / m_align;
    const uint64_t sinceLast = nowMs - m_lastArrivalMs;
    m_lastArrivalMs = nowMs;
    const uint64_t blockMs = frames * 1000 / m_rate;
    // A backlog comes at many times the real pace, and the first block after
    // a stall far too late; only a block that took about its own length to
    // come shows the lag as it stands.
    const bool atRealPace = sinceLast * 2 >= blockMs && sinceLast <= blockMs * 2;
    m_framesIn += frames;
    // A block completes whenever the stream happens to take in audio, with
    // part of the next already in: counting that part keeps the lag from
    // swinging by up to the stream's wake-up spacing.
    const int64_t lag = int64_t((nowMs - m_startMs) * m_rate / 1000) - int64_t(m_framesIn + framesAhead);

    // Without a steady normal lag to measure against there is nothing to find.
    if (!m_suspect && (atRealPace || m_steady < kSettleBlocks)) {
        m_steady = atRealPace ? m_steady + 1 : 0;
        if (atRealPace)
            m_normalLag = std::max<int64_t>(lag, 0);
        return false;
    }
    m_suspect = true;
    if (atRealPace) {
        if (m_run++ == 0) {
            m_runStart = m_held.size();
            m_runLag = lag;
        }
        m_runLag = std::min(m_runLag, lag);
    } else {
        m_run = 0;
    }
    m_held.emplace_back(reinterpret_cast<const char*>(data), qsizetype(bytes));
    if (m_run >= kSettleBlocks)
        Settle();
    return true;
}

void CaptureLossDetector::Settle()
{
    const int64_t grown = m_normalLag >= 0 ? m_runLag - m_normalLag : 0;
    const uint64_t threshold = (m_moved ? kMinMoveLossMs : kMinLossMs) * m_rate / 1000;
    const uint64_t lost = grown > int64_t(threshold) ? uint64_t(grown) : 0;
    for (size_t i = 0; i < m_held.size(); ++i) {
        if (i == m_runStart && lost > 0)
            m_writable.push_back(Piece{{}, lost, m_moved});
        m_writable.push_back(Piece{std::move(m_held[i]), 0});
    }
    m_held.clear();
    m_framesIn += lost;
    m_normalLag = std::max<int64_t>(m_runLag - int64_t(lost), 0);
    m_suspect = m_moved = false;
    m_run = 0;
}

void CaptureLossDetector::StreamMoved()
{
    // Before the lag has settled there is nothing to measure against.
    if (m_normalLag < 0)
        return;
    m_suspect = m_moved = true;
    m_run = 0;
}

std::vector<CaptureLossDetector::Piece> CaptureLossDetector::TakeWritable() { return std::exchange(m_writable, {}); }

std::vector<CaptureLossDetector::Piece> CaptureLossDetector::Flush()
{
    for (QByteArray& block : m_held)
        m_writable.push_back(Piece{std::move(block), 0});
    m_held.clear();
    m_suspect = m_moved = false;
    m_run = 0;
    return TakeWritable();
}
