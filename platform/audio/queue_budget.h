#pragma once
// How much a player keeps waiting at the output. Counted in blocks alone it
// would be a tenth of a second of one format and many seconds of another;
// what waits is what Stop throws away, what a seek by << or >> still plays
// and what the position lags, so it is bounded in time: about as long as
// sixteen blocks of 6144 bytes of 44.1 kHz 16-bit stereo.

#include <cstdint>

#include "platform/audio/audio_types.h"

namespace platform::audio {

inline constexpr uint32_t kQueuedAudioMs = 560;

struct QueueBudget {
    uint32_t pieceBytes = 0;  // whole frames, never more than a block
    int pieces = 0;           // at least one
};

// At low rates a block alone outlasts the bound: the pieces are then parts
// of blocks, four of them to the bound, so that the server is never down
// to its last one when a refill is due.
QueueBudget QueueBudgetFor(const PcmFormat& format, uint32_t blockBytes, int maxPieces);

}  // namespace platform::audio
