#include "stream_info.h"

#include "zla_format.h"
#include "zla_reader.h"

#include <algorithm>
#include <cstring>

namespace zldecoder {
namespace {

constexpr uint8_t kWave64Riff[16] = {'r',  'i',  'f',  'f',  0x2e, 0x91, 0xcf, 0x11,
                                     0xa5, 0xd6, 0x28, 0xdb, 0x04, 0xc1, 0x00, 0x00};

bool StartsLikeWave(const uint8_t* bytes, size_t size)
{
    if (size >= 12 && std::memcmp(bytes + 8, "WAVE", 4) == 0 &&
        (std::memcmp(bytes, "RIFF", 4) == 0 || std::memcmp(bytes, "RIFX", 4) == 0 ||
         std::memcmp(bytes, "RF64", 4) == 0))
        return true;
    return size >= 16 && std::memcmp(bytes, kWave64Riff, 16) == 0;
}

// FLAC streams begin with "fLaC", Ogg pages with "OggS".
bool StartsLikeXiph(const uint8_t* bytes, size_t size)
{
    return size >= 4 && (std::memcmp(bytes, "fLaC", 4) == 0 || std::memcmp(bytes, "OggS", 4) == 0);
}

uint32_t ReadChunk(const ByteRange& range, const ZlaChunk& chunk, std::vector<uint8_t>& bytes)
{
    bytes.resize(chunk.size);
    const int64_t got = range.Read(chunk.offset, bytes.data(), bytes.size());
    if (got < 0)
        return ZLDEC_ERR_CANNOT_OPEN;
    return uint64_t(got) == chunk.size ? ZLDEC_OK : ZLDEC_ERR_DAMAGED;
}

uint32_t ReadText(const ByteRange& range, const ZlaChunk* chunk, std::string& text)
{
    if (!chunk)
        return ZLDEC_OK;
    std::vector<uint8_t> bytes;
    if (const uint32_t code = ReadChunk(range, *chunk, bytes))
        return code;
    text.assign(bytes.begin(), bytes.end());
    text.resize(std::strlen(text.c_str()));  // a zero byte ends the text
    return ZLDEC_OK;
}

// Pictures beyond the budget (their number, the size of one, the pixels of
// all together) are left out, in order: too many pictures do not make the
// file damaged. A picture that is no PNG does.
uint32_t ReadPictures(const ByteRange& range, const ZlaContents& contents, StreamInfo& info)
{
    uint64_t pixelsLeft = zla::kMaxPicturePixels;
    std::vector<uint8_t> png;
    for (const ZlaChunk* chunk : contents.pictures) {
        if (info.pictures.size() == zla::kMaxPictures || pixelsLeft == 0)
            break;
        if (chunk->size > zla::kMaxPictureChunkBytes)
            continue;
        if (const uint32_t code = ReadChunk(range, *chunk, png))
            return code;
        Picture picture;
        switch (DecodePng(png.data(), png.size(), zla::kMaxPictureSide, pixelsLeft, picture)) {
        case PictureResult::Decoded:
            break;
        case PictureResult::TooLarge:
            continue;
        case PictureResult::Damaged:
            return ZLDEC_ERR_DAMAGED;
        }
        pixelsLeft -= uint64_t(picture.width) * picture.height;
        info.pictures.push_back(std::move(picture));
    }
    for (const Picture& picture : info.pictures)
        info.images.push_back(ZLImage{picture.width, picture.height, picture.pixels.get()});
    return ZLDEC_OK;
}

uint32_t ReadAudio(const ByteRange& range, AudioKind kind, StreamInfo& info)
{
    info.kind = kind;
    info.audioOffset = range.offset;
    info.audioLength = range.length;
    switch (kind) {
    case AudioKind::Wave:
        return ProbeWave(range, info.audio);
    case AudioKind::Xiph:
        return ProbeXiph(range, info.audio);
    case AudioKind::Mpeg:
        break;
    }
    return ProbeMpeg(range, info.audio);
}

uint32_t ReadZla(const ByteRange& file, uint32_t mode, StreamInfo& info)
{
    ZlaHeader header;
    if (const uint32_t code = ReadZlaHeader(file, header))
        return code;
    info.notLoadableHere = header.flags & zla::kFlagNotLoadableHere;
    if (info.notLoadableHere && mode == ZLDEC_OPEN_PLAY)
        return ZLDEC_ERR_NOT_HERE;
    std::vector<ZlaChunk> chunks;
    if (const uint32_t code = ReadZlaChunks(file, header, chunks))
        return code;
    ZlaContents contents;
    if (const uint32_t code = InterpretZlaChunks(chunks, contents))
        return code;
    if (const uint32_t code = ReadText(file, contents.title, info.topic))
        return code;
    if (const uint32_t code = ReadText(file, contents.description, info.description))
        return code;
    if (const uint32_t code = ReadPictures(file, contents, info))
        return code;

    const ByteRange audio = file.Sub(contents.audio->offset, contents.audio->size);
    if (contents.audio->id == zla::kWaveAudio) {
        uint8_t start[16] = {};
        if (audio.Read(0, start, sizeof start) < 0)
            return ZLDEC_ERR_CANNOT_OPEN;
        if (!StartsLikeWave(start, std::min<uint64_t>(audio.length, sizeof start)))
            return ZLDEC_ERR_DAMAGED;
        return ReadAudio(audio, AudioKind::Wave, info);
    }
    const uint32_t code = ReadAudio(audio, AudioKind::Mpeg, info);
    // The container promised MPEG audio: a payload without frames is damage.
    return code == ZLDEC_ERR_UNRECOGNISED ? ZLDEC_ERR_DAMAGED : code;
}

}  // namespace

uint32_t ReadStreamInfo(ByteSource& source, uint32_t mode, StreamInfo& info)
{
    const ByteRange file = ByteRange::Whole(source);
    if (file.length == 0)
        return ZLDEC_ERR_EMPTY;
    uint8_t start[16] = {};
    if (file.Read(0, start, sizeof start) < 0)
        return ZLDEC_ERR_CANNOT_OPEN;
    const size_t known = static_cast<size_t>(std::min<uint64_t>(file.length, sizeof start));
    if (StartsLikeZla(start, known))
        return ReadZla(file, mode, info);
    if (StartsLikeWave(start, known))
        return ReadAudio(file, AudioKind::Wave, info);
    if (StartsLikeXiph(start, known))
        return ReadAudio(file, AudioKind::Xiph, info);
    return ReadAudio(file, AudioKind::Mpeg, info);
}

uint32_t StartDecoder(ByteSource& source, const StreamInfo& info, std::unique_ptr<AudioDecoder>& out)
{
    const ByteRange audio{&source, info.audioOffset, info.audioLength};
    if (audio.offset + audio.length > source.size())
        return ZLDEC_ERR_CHANGED;
    return info.kind == AudioKind::Mpeg ? StartMpegDecoder(audio, info.audio, out)
                                        : StartWaveDecoder(audio, info.audio, out);
}

}  // namespace zldecoder
