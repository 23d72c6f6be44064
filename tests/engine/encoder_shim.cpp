// The stand-in plug-in (see encoder_shim.h). QUILLON_REAL_PLUGIN is the path
// of the real libmpeg_encoder.so; SHIM_WITHOUT_<function> leaves one out.

#include "encoder_shim.h"

#include <cstring>
#include <dlfcn.h>
#include <set>
#include <vector>

#include "mpeg_encoder/mpeg_encoder.h"

#define SHIM_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

ShimState g_state;
std::set<HBE_STREAM> g_closed;
std::vector<uint8_t> g_realOutput;  // the real plug-in's size; the caller's is smaller

template <typename Function>
Function Real(const char* name)
{
    // Unloaded with the stand-in, so that no copy of the real one lingers.
    static const struct Module {
        void* handle = dlopen(QUILLON_REAL_PLUGIN, RTLD_NOW | RTLD_LOCAL);
        ~Module() { dlclose(handle); }
    } module;
    return reinterpret_cast<Function>(dlsym(module.handle, name));
}

BE_ERR CopyOut(BE_ERR result, uint32_t produced, uint8_t* output, uint32_t* outputBytes)
{
    if (produced > g_state.reportedOutputBufferSize)
        return BE_ERR_BUFFER_TOO_SMALL;
    std::memcpy(output, g_realOutput.data(), produced);
    *outputBytes = produced;
    return result;
}

void NoteTagCall(HBE_STREAM stream, const char* path)
{
    g_state.tagCallsBeforeClose += !g_closed.count(stream);
    std::strncpy(g_state.lastTagPath, path ? path : "", sizeof g_state.lastTagPath - 1);
}

}  // namespace

SHIM_EXPORT ShimState* shimState() { return &g_state; }

SHIM_EXPORT BE_ERR beInitStream(const void* config, uint32_t* samplesPerChunk, uint32_t* outputBufferSize,
                                HBE_STREAM* stream)
{
    uint32_t realSize = 0;
    const BE_ERR result = Real<BeInitStreamFunction>("beInitStream")(config, samplesPerChunk, &realSize, stream);
    g_realOutput.resize(realSize);
    *outputBufferSize = g_state.reportedOutputBufferSize;
    g_state.lastStream = *stream;
    return result;
}

SHIM_EXPORT BE_ERR beEncodeChunk(HBE_STREAM stream, uint32_t samples, const int16_t* pcm, uint8_t* output,
                                 uint32_t* outputBytes)
{
    *outputBytes = 0;
    const uint32_t call = ++g_state.encodeCalls;
    if (call <= uint32_t(ShimState::kMaxRecordedCalls))
        g_state.encodeSamples[call - 1] = samples;
    if (samples > g_state.reportedOutputBufferSize / 2)
        return BE_ERR_BUFFER_TOO_SMALL;
    if (g_state.failEncodeAtCall != 0 && call >= g_state.failEncodeAtCall)
        return BE_ERR_ENCODING_FAILED;
    uint32_t produced = 0;
    const BE_ERR result =
        Real<BeEncodeChunkFunction>("beEncodeChunk")(stream, samples, pcm, g_realOutput.data(), &produced);
    return CopyOut(result, produced, output, outputBytes);
}

SHIM_EXPORT BE_ERR beDeinitStream(HBE_STREAM stream, uint8_t* output, uint32_t* outputBytes)
{
    uint32_t produced = 0;
    const BE_ERR result = Real<BeDeinitStreamFunction>("beDeinitStream")(stream, g_realOutput.data(), &produced);
    return CopyOut(result, produced, output, outputBytes);
}

SHIM_EXPORT BE_ERR beCloseStream(HBE_STREAM stream)
{
    ++g_state.closeCalls;
    g_closed.insert(stream);
    return Real<BeCloseStreamFunction>("beCloseStream")(stream);
}

#ifndef SHIM_WITHOUT_VERSION
SHIM_EXPORT void beVersion(void* version) { Real<BeVersionFunction>("beVersion")(version); }
#endif

SHIM_EXPORT BE_ERR beWriteVBRHeader(const char* path)
{
    ++g_state.vbrHeaderCalls;
    NoteTagCall(g_state.lastStream, path);
    return Real<BeWriteVBRHeaderFunction>("beWriteVBRHeader")(path);
}

#ifndef SHIM_WITHOUT_INFO_TAG
SHIM_EXPORT BE_ERR beWriteInfoTag(HBE_STREAM stream, const char* path)
{
    ++g_state.infoTagCalls;
    NoteTagCall(stream, path);
    return Real<BeWriteInfoTagFunction>("beWriteInfoTag")(stream, path);
}
#endif
