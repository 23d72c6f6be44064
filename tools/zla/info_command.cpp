#include "info_command.h"

#include "codes.h"
#include "usage.h"

#include "file_access.h"
#include "zla_format.h"
#include "zla_reader.h"
#include "zldecoder.h"

#include <cstdio>
#include <string>
#include <vector>

namespace zla {
namespace {

std::string ChunkName(uint32_t id)
{
    std::string name;
    for (int i = 0; i < 4; ++i) {
        const char c = char((id >> (8 * i)) & 0xff);
        name.push_back(c >= 0x20 && c < 0x7f ? c : '?');
    }
    return name;
}

// The container's own view: version, flags and chunk table. Returns false
// when the file is a ZLA file whose table cannot be read.
bool PrintContainer(const char* path)
{
    zldecoder::OpenedFile file;
    if (zldecoder::OpenRegularFile(path, file) != 0)
        return true;  // the library reports why below
    zldecoder::FileSource source(file.fd.get(), file.identity.size);
    const zldecoder::ByteRange range = zldecoder::ByteRange::Whole(source);
    uint8_t magic[4] = {};
    if (range.Read(0, magic, sizeof magic) != 4 || !zldecoder::StartsLikeZla(magic, sizeof magic)) {
        std::printf("container: none\n");
        return true;
    }
    zldecoder::ZlaHeader header;
    if (const uint32_t code = zldecoder::ReadZlaHeader(range, header)) {
        std::printf("container: ZLA, unreadable header: %s\n", DescribeCode(code).c_str());
        return false;
    }
    std::printf("container: ZLA %u.%u\n", header.major, header.minor);
    std::printf("flags: %s\n", header.flags & zldecoder::zla::kFlagNotLoadableHere ? "not loadable here" : "none");
    std::vector<zldecoder::ZlaChunk> chunks;
    const uint32_t code = zldecoder::ReadZlaChunks(range, header, chunks);
    for (const auto& chunk : chunks)
        std::printf("chunk %s at %llu, %u bytes\n", ChunkName(chunk.id).c_str(),
                    static_cast<unsigned long long>(chunk.offset), chunk.size);
    if (code != 0) {
        std::printf("chunk table: %s\n", DescribeCode(code).c_str());
        return false;
    }
    return true;
}

}  // namespace

int RunInfo(int argc, char** argv)
{
    if (argc == 1 && IsHelp(argv[0])) {
        PrintUsage(stdout);
        return 0;
    }
    if (argc != 1) {
        std::fprintf(stderr, "usage: zla info FILE\n");
        return 1;
    }
    const char* path = argv[0];
    std::printf("file: %s\n", path);
    PrintContainer(path);

    ZLDEC_HANDLE stream = 0;
    const uint32_t code = ZLDec_OpenStream(&stream, path, ZLDEC_INTERFACE_VERSION, ZLDEC_OPEN_INSPECT);
    if (code != ZLDEC_OK) {
        std::printf("error: %s\n", DescribeCode(code).c_str());
        return 2;
    }
    std::vector<char> text(zldecoder::zla::kMaxTextBytes + 1);
    ZLDec_GetTopic(stream, text.data(), uint32_t(text.size()));
    std::printf("title: %s\n", text.data());
    ZLDec_GetDescription(stream, text.data(), uint32_t(text.size()));
    std::printf("description: %s\n", text.data());
    const ZLImage* images = nullptr;
    uint16_t count = 0;
    ZLDec_GetImageArray(stream, &images, &count);
    std::printf("pictures: %u\n", count);
    for (uint16_t i = 0; i < count; ++i)
        std::printf("picture %u: %u x %u\n", i + 1, images[i].width, images[i].height);
    const ZLWaveFormat* format = nullptr;
    uint32_t frames = 0;
    ZLDec_GetStreamFormat(stream, &format);
    ZLDec_GetStreamLength(stream, &frames);
    std::printf("audio: %u Hz, %u channels, %u bits, %u bytes/s\n", format->samplesPerSec, format->channels,
                format->bitsPerSample, format->avgBytesPerSec);
    std::printf("length: %u frames (%.3f s)\n", frames, double(frames) / format->samplesPerSec);
    ZLDec_CloseStream(stream);
    return 0;
}

}  // namespace zla
