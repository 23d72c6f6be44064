// The plug-in's exported C functions: argument checks and the hand-over to
// the stream table. Nothing here may throw across the C boundary.

#include "mpeg_encoder/mpeg_encoder.h"
#include "mpeg_encoder/encoder_settings.h"
#include "mpeg_encoder/encoder_stream.h"
#include "mpeg_encoder/stream_table.h"
#include "mpeg_encoder/tag_file.h"

#include <lame/lame.h>

#include <cstring>
#include <new>

using namespace mpeg_encoder;

namespace {

constexpr uint8_t kPluginMajor = 1;
constexpr uint8_t kPluginMinor = 0;

template <typename Call>
BE_ERR Guarded(Call call)
{
    try {
        return call();
    } catch (const std::bad_alloc&) {
        return BE_ERR_NO_MORE_HANDLES;
    } catch (...) {
        return BE_ERR_ENCODING_FAILED;
    }
}

}  // namespace

extern "C" {

BE_API BE_ERR beInitStream(const void* config, uint32_t* samplesPerChunk, uint32_t* outputBufferSize,
                           HBE_STREAM* stream)
{
    if (stream)
        *stream = 0;
    if (!config)
        return BE_ERR_INVALID_FORMAT;
    if (!samplesPerChunk || !outputBufferSize || !stream)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    return Guarded([&] {
        EncoderSettings settings;
        if (const BE_ERR result = ReadSettings(config, settings); result != BE_ERR_SUCCESSFUL)
            return result;
        BE_ERR result = BE_ERR_SUCCESSFUL;
        std::unique_ptr<EncoderStream> encoder = EncoderStream::Open(settings, result);
        if (!encoder)
            return result;
        const uint32_t chunk = encoder->SamplesPerChunk();
        HBE_STREAM handle = 0;
        if (const BE_ERR opened = StreamTable::Instance().Open(std::move(encoder), handle); opened != BE_ERR_SUCCESSFUL)
            return opened;
        *samplesPerChunk = chunk;
        *outputBufferSize = EncoderStream::kOutputBufferSize;
        *stream = handle;
        return BE_ERR_SUCCESSFUL;
    });
}

BE_API BE_ERR beEncodeChunk(HBE_STREAM stream, uint32_t samples, const int16_t* pcm, uint8_t* output,
                            uint32_t* outputBytes)
{
    if (outputBytes)
        *outputBytes = 0;
    if (!output || !outputBytes)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    return Guarded([&] {
        return StreamTable::Instance().WithStream(
            stream, [&](EncoderStream& encoder) { return encoder.Encode(samples, pcm, output, *outputBytes); });
    });
}

BE_API BE_ERR beDeinitStream(HBE_STREAM stream, uint8_t* output, uint32_t* outputBytes)
{
    if (outputBytes)
        *outputBytes = 0;
    if (!output || !outputBytes)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    return Guarded([&] {
        StreamTable& table = StreamTable::Instance();
        return table.WithStream(stream, [&](EncoderStream& encoder) {
            const BE_ERR result = encoder.Finish(output, *outputBytes);
            if (result == BE_ERR_SUCCESSFUL)
                if (std::optional<FinishedTag> tag = encoder.TakeTag())
                    table.KeepTag(stream, std::move(*tag));
            return result;
        });
    });
}

BE_API BE_ERR beCloseStream(HBE_STREAM stream)
{
    return Guarded([&] { return StreamTable::Instance().Close(stream); });
}

BE_API void beVersion(void* version)
{
    if (!version)
        return;
    BeVersion v;
    std::memset(&v, 0, sizeof v);
    v.pluginMajor = kPluginMajor;
    v.pluginMinor = kPluginMinor;
    lame_version_t engine;
    get_lame_version_numerical(&engine);
    v.engineMajor = uint8_t(engine.major);
    v.engineMinor = uint8_t(engine.minor);
    v.alphaLevel = uint8_t(engine.alpha);
    v.betaLevel = uint8_t(engine.beta);
    std::strncpy(v.homepage, get_lame_url(), sizeof v.homepage - 1);
    std::memcpy(version, &v, sizeof v);
}

BE_API BE_ERR beWriteVBRHeader(const char* path)
{
    if (!path)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    return Guarded([&] {
        StreamTable& table = StreamTable::Instance();
        const auto candidates = table.ClosedTagsNewestFirst();
        if (candidates.empty())
            return BE_ERR_INVALID_HANDLE;
        TagFile file(path);
        if (!file.IsOpen())
            return BE_ERR_FILE;
        for (const auto& [handle, tag] : candidates) {
            if (!file.HoldsStream(tag))
                continue;
            const BE_ERR result = file.Write(tag);
            if (result == BE_ERR_SUCCESSFUL)
                table.ForgetTag(handle);
            return result;
        }
        return BE_ERR_FILE;
    });
}

BE_API BE_ERR beWriteInfoTag(HBE_STREAM stream, const char* path)
{
    if (!path)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    return Guarded([&] {
        StreamTable& table = StreamTable::Instance();
        const std::optional<FinishedTag> tag = table.TagOf(stream);
        if (!tag)
            return BE_ERR_INVALID_HANDLE;
        const BE_ERR result = TagFile(path).Write(*tag);
        if (result == BE_ERR_SUCCESSFUL)
            table.ForgetTag(stream);
        return result;
    });
}

}  // extern "C"
