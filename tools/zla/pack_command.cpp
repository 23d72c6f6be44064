#include "pack_command.h"

#include "codes.h"
#include "usage.h"

#include "file_access.h"
#include "png_picture.h"
#include "stream_info.h"
#include "utf8.h"
#include "zla_format.h"
#include "zla_writer.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace zla {
namespace {

namespace format = zldecoder::zla;

struct PackOptions {
    std::string output;
    std::string audio;
    std::string title;
    std::string description;
    std::vector<std::string> pictures;
    bool notLoadable = false;
};

int Fail(const std::string& message)
{
    std::fprintf(stderr, "zla pack: %s\n", message.c_str());
    return 2;
}

int Usage(const std::string& message)
{
    std::fprintf(stderr, "zla pack: %s (see zla --help)\n", message.c_str());
    return 1;
}

// Returns the exit status for a usage error, or nothing when the options are complete.
std::optional<int> ParseOptions(int argc, char** argv, PackOptions& options)
{
    bool given[3] = {};  // -o, --title, --description: each once, so that none is silently lost
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc)
                return false;
            into = argv[++i];
            return true;
        };
        auto once = [&](int option, std::string& into, const char* what) -> std::optional<int> {
            if (given[option])
                return Usage(arg + " given twice");
            given[option] = true;
            if (!value(into))
                return Usage(arg + " needs " + what);
            return std::nullopt;
        };
        if (IsHelp(arg.c_str())) {
            PrintUsage(stdout);
            return 0;
        } else if (arg == "-o" || arg == "--output") {
            if (const auto status = once(0, options.output, "a file name"))
                return status;
        } else if (arg == "--title") {
            if (const auto status = once(1, options.title, "a text"))
                return status;
        } else if (arg == "--description") {
            if (const auto status = once(2, options.description, "a text"))
                return status;
        } else if (arg == "--picture") {
            std::string picture;
            if (!value(picture))
                return Usage("--picture needs a PNG file");
            options.pictures.push_back(picture);
        } else if (arg == "--not-loadable") {
            options.notLoadable = true;
        } else if (!arg.empty() && arg[0] == '-') {
            return Usage("unknown option " + arg);
        } else if (options.audio.empty()) {
            options.audio = arg;
        } else {
            return Usage("only one audio file");
        }
    }
    if (options.output.empty())
        return Usage("no output file (-o)");
    if (options.audio.empty())
        return Usage("no audio file");
    return std::nullopt;
}

std::string CheckText(const char* what, const std::string& text)
{
    if (text.size() > format::kMaxTextBytes)
        return std::string(what) + " is longer than " + std::to_string(format::kMaxTextBytes) + " bytes";
    if (!IsValidUtf8(text))
        return std::string(what) + " is not UTF-8";
    return {};
}

bool ReadWholeFile(const std::string& path, std::string& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Reads and checks one picture against the limits a reader applies.
std::string LoadPicture(const std::string& path, uint64_t& pixelsLeft, std::string& png)
{
    if (!ReadWholeFile(path, png))
        return path + ": cannot be read";
    if (png.size() > format::kMaxPictureChunkBytes)
        return path + ": larger than " + std::to_string(format::kMaxPictureChunkBytes) + " bytes";
    zldecoder::Picture picture;
    const auto result = zldecoder::DecodePng(reinterpret_cast<const uint8_t*>(png.data()), png.size(),
                                             format::kMaxPictureSide, pixelsLeft, picture);
    if (result == zldecoder::PictureResult::Damaged)
        return path + ": not a readable PNG picture";
    if (result == zldecoder::PictureResult::TooLarge)
        return path + ": too large (at most " + std::to_string(format::kMaxPictureSide) + " x " +
            std::to_string(format::kMaxPictureSide) + " pixels, " + std::to_string(format::kMaxPicturePixels) +
            " pixels for all pictures together)";
    pixelsLeft -= uint64_t(picture.width) * picture.height;
    return {};
}

// Recognises the audio with the library's own reader, so that what is packed
// is what a player can open.
std::string CheckAudio(const std::string& path, uint32_t& chunkId, uint64_t& size)
{
    zldecoder::OpenedFile file;
    if (const uint32_t code = zldecoder::OpenRegularFile(path.c_str(), file))
        return path + ": " + DescribeCode(code);
    zldecoder::FileSource source(file.fd.get(), file.identity.size);
    uint8_t magic[4] = {};
    if (source.ReadAt(0, magic, sizeof magic) == 4 && std::memcmp(magic, format::kMagic, 4) == 0)
        return path + ": is a ZLA file already";
    zldecoder::StreamInfo info;
    const uint32_t code = zldecoder::ReadStreamInfo(source, ZLDEC_OPEN_INSPECT, info);
    if (code != 0)
        return path + ": not usable audio: " + DescribeCode(code);
    if (file.identity.size > UINT32_MAX)
        return path + ": larger than 4 GiB";
    chunkId = info.kind == zldecoder::AudioKind::Wave ? format::kWaveAudio : format::kMpegAudio;
    size = file.identity.size;
    return {};
}

}  // namespace

int RunPack(int argc, char** argv)
{
    PackOptions options;
    if (const auto status = ParseOptions(argc, argv, options))
        return *status;
    for (const auto& [what, text] : {std::pair{"the title", &options.title}, {"the description", &options.description}})
        if (const std::string error = CheckText(what, *text); !error.empty())
            return Fail(error);
    if (options.pictures.size() > format::kMaxPictures)
        return Fail("at most " + std::to_string(format::kMaxPictures) + " pictures");

    ZlaWriter writer(options.notLoadable ? format::kFlagNotLoadableHere : 0);
    if (!options.title.empty())
        writer.AddChunk(format::kTitle, options.title);
    if (!options.description.empty())
        writer.AddChunk(format::kDescription, options.description);
    uint64_t pixelsLeft = format::kMaxPicturePixels;
    for (const std::string& path : options.pictures) {
        std::string png;
        if (const std::string error = LoadPicture(path, pixelsLeft, png); !error.empty())
            return Fail(error);
        writer.AddChunk(format::kPicture, std::move(png));
    }
    uint32_t audioChunk = 0;
    uint64_t audioSize = 0;
    if (const std::string error = CheckAudio(options.audio, audioChunk, audioSize); !error.empty())
        return Fail(error);
    writer.AddFileChunk(audioChunk, options.audio, audioSize);
    if (const std::string error = writer.WriteTo(options.output); !error.empty())
        return Fail(error);
    return 0;
}

}  // namespace zla
