#pragma once
// Reading the ZLA container's header and chunk table, and checking that the
// chunks make a valid file.

#include "byte_source.h"

#include <cstdint>
#include <vector>

namespace zldecoder {

struct ZlaHeader {
    uint16_t major = 0;
    uint16_t minor = 0;
    uint32_t flags = 0;
    uint32_t chunkCount = 0;
};

struct ZlaChunk {
    uint32_t id = 0;
    uint64_t offset = 0;  // of the payload
    uint32_t size = 0;
};

struct ZlaContents {
    const ZlaChunk* title = nullptr;
    const ZlaChunk* description = nullptr;
    const ZlaChunk* audio = nullptr;
    std::vector<const ZlaChunk*> pictures;
};

bool StartsLikeZla(const uint8_t* bytes, size_t size);

// Each returns 0 or a ZLDEC_* code (damaged, unrecognised, cannot open).
uint32_t ReadZlaHeader(const ByteRange& range, ZlaHeader& header);
uint32_t ReadZlaChunks(const ByteRange& range, const ZlaHeader& header, std::vector<ZlaChunk>& chunks);
uint32_t InterpretZlaChunks(const std::vector<ZlaChunk>& chunks, ZlaContents& contents);

}  // namespace zldecoder
