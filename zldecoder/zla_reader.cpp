#include "zla_reader.h"

#include "zla_format.h"
#include "zldecoder.h"

#include <cstring>

namespace zldecoder {
namespace {

uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t Le32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint32_t ReadExactly(const ByteRange& range, uint64_t at, void* buffer, size_t n)
{
    const int64_t got = range.Read(at, buffer, n);
    if (got < 0)
        return ZLDEC_ERR_CANNOT_OPEN;
    return size_t(got) == n ? ZLDEC_OK : ZLDEC_ERR_DAMAGED;
}

}  // namespace

bool StartsLikeZla(const uint8_t* bytes, size_t size) { return size >= 4 && std::memcmp(bytes, zla::kMagic, 4) == 0; }

uint32_t ReadZlaHeader(const ByteRange& range, ZlaHeader& header)
{
    uint8_t bytes[zla::kHeaderBytes];
    if (const uint32_t code = ReadExactly(range, 0, bytes, sizeof bytes))
        return code;
    if (!StartsLikeZla(bytes, sizeof bytes))
        return ZLDEC_ERR_UNRECOGNISED;
    header.major = Le16(bytes + 4);
    header.minor = Le16(bytes + 6);
    header.flags = Le32(bytes + 8);
    header.chunkCount = Le32(bytes + 12);
    if (header.major != zla::kMajorVersion)
        return ZLDEC_ERR_UNRECOGNISED;
    return ZLDEC_OK;
}

uint32_t ReadZlaChunks(const ByteRange& range, const ZlaHeader& header, std::vector<ZlaChunk>& chunks)
{
    if (header.chunkCount > zla::kMaxChunks)
        return ZLDEC_ERR_DAMAGED;
    chunks.clear();
    chunks.reserve(header.chunkCount);
    uint64_t position = zla::kHeaderBytes;
    for (uint32_t i = 0; i < header.chunkCount; ++i) {
        uint8_t bytes[zla::kChunkHeaderBytes];
        if (const uint32_t code = ReadExactly(range, position, bytes, sizeof bytes))
            return code;
        ZlaChunk chunk{Le32(bytes), position + zla::kChunkHeaderBytes, Le32(bytes + 4)};
        if (chunk.size > range.length - chunk.offset)
            return ZLDEC_ERR_DAMAGED;  // the chunk claims more than the file holds
        chunks.push_back(chunk);
        position = chunk.offset + chunk.size;
    }
    // Bytes after the last chunk mean the table and the file disagree.
    return position == range.length ? ZLDEC_OK : ZLDEC_ERR_DAMAGED;
}

uint32_t InterpretZlaChunks(const std::vector<ZlaChunk>& chunks, ZlaContents& contents)
{
    contents = ZlaContents{};
    for (const ZlaChunk& chunk : chunks) {
        switch (chunk.id) {
        case zla::kTitle:
        case zla::kDescription: {
            const ZlaChunk*& slot = chunk.id == zla::kTitle ? contents.title : contents.description;
            if (slot || chunk.size > zla::kMaxTextBytes)
                return ZLDEC_ERR_DAMAGED;
            slot = &chunk;
            break;
        }
        case zla::kPicture:
            contents.pictures.push_back(&chunk);  // which of them fit is the reader's choice
            break;
        case zla::kMpegAudio:
        case zla::kWaveAudio:
            if (contents.audio)
                return ZLDEC_ERR_DAMAGED;
            contents.audio = &chunk;
            break;
        default:
            break;  // a chunk of a later minor version
        }
    }
    return contents.audio ? ZLDEC_OK : ZLDEC_ERR_DAMAGED;
}

}  // namespace zldecoder
