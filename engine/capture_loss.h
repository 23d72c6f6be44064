#pragma once
// Finds audio that the sound server threw away before the program took it.
//
// The server keeps a bounded queue per stream. When the whole process stalls
// (swapping, a debugger, a lock held too long) the queue fills and the server
// drops what does not fit; the stream then simply goes on, joined with a
// jump. Neither server marks the hole: the PulseAudio daemon keeps the
// oldest audio and drops the rest without counting it anywhere; PipeWire
// drops nearly all of the stall and moves the stream's read and write
// indices past it. The stream's timing tells on one server only; the
// monotonic clock tells on both. From a start, the frames taken (plus silence already put in)
// trail the clock's frames by a small, steady lag: a block's length plus the
// server's latency. After a stall the first block comes late and the backlog
// much faster than real time; once blocks come at the real pace again for a
// few blocks in a row, whatever the lag grew by is what was lost, and it
// belongs where the real pace began. Blocks are held back meanwhile so that
// the silence can go there. Clock drift between the sound card and the
// machine only moves the lag slowly, block by block, and is taken as the new
// normal.

#include <cstdint>
#include <vector>
#include <QByteArray>

class CaptureLossDetector {
public:
    // What may be written, in order: audio, or silence in place of lost audio.
    struct Piece {
        QByteArray audio;
        uint64_t silenceFrames = 0;
        bool atMove = false;  // the silence stands for audio lost in a move
    };

    // A start (or a resume): the clock starts counting from `nowMs`.
    void Start(uint64_t nowMs, uint32_t sampleRate, uint32_t blockAlign);

    // A block arrived at `nowMs`, with `framesAhead` already taken in by the
    // stream beyond it (in blocks still to come). False: write it now. True:
    // it is held back; TakeWritable() gives it out later, with any silence in
    // front of the audio that came after a loss.
    bool BlockArrived(uint64_t nowMs, const uint8_t* data, uint32_t bytes, uint64_t framesAhead = 0);
    std::vector<Piece> TakeWritable();
    // The server moved the stream to another device: whatever the lag grows
    // by until blocks come at the real pace again was lost in the move,
    // however short, as no jitter is to be told from it there.
    void StreamMoved();
    // The take ends: whatever is held back is given out as it is.
    std::vector<Piece> Flush();

    // Lag growth below this is taken as jitter or drift, not loss.
    static constexpr uint64_t kMinLossMs = 250;
    // At a move: below this the lag is taken as it was.
    static constexpr uint64_t kMinMoveLossMs = 30;
    // Blocks in a row at the real pace that show the stall is over.
    static constexpr int kSettleBlocks = 3;

private:
    void Settle();

    uint32_t m_rate = 48000;
    uint32_t m_align = 1;
    uint64_t m_startMs = 0;
    uint64_t m_framesIn = 0;  // taken plus silence put in, since the start
    uint64_t m_lastArrivalMs = 0;
    int64_t m_normalLag = -1;  // frames; -1 until the first block at the real pace
    int m_steady = 0;          // blocks in a row at the real pace before any stall

    bool m_suspect = false;
    bool m_moved = false;
    std::vector<QByteArray> m_held;
    size_t m_runStart = 0;  // the first held block of the current run at the real pace
    int m_run = 0;
    int64_t m_runLag = 0;  // the smallest lag of that run
    std::vector<Piece> m_writable;
};
