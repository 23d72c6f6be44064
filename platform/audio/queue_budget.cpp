#include "platform/audio/queue_budget.h"

#include <algorithm>

namespace platform::audio {

QueueBudget QueueBudgetFor(const PcmFormat& format, uint32_t blockBytes, int maxPieces)
{
    const uint32_t align = std::max<uint32_t>(format.BlockAlign(), 1);
    const uint64_t bound = uint64_t(format.BytesPerSecond()) * kQueuedAudioMs / 1000;
    const uint64_t quarter = bound / 4 / align * align;
    QueueBudget budget;
    budget.pieceBytes = uint32_t(std::clamp<uint64_t>(quarter, align, blockBytes / align * align));
    const uint64_t pieces = (bound + budget.pieceBytes / 2) / budget.pieceBytes;
    budget.pieces = int(std::clamp<uint64_t>(pieces, 1, uint64_t(std::max(maxPieces, 1))));
    return budget;
}

}  // namespace platform::audio
