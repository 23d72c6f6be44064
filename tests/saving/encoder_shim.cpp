// The stand-in plug-in (see encoder_shim.h). QUILLON_REAL_PLUGIN is the path
// of the real libmpeg_encoder.so; SHIM_WITHOUT_<function> leaves one out.

#include "encoder_shim.h"

#include <algorithm>
#include <cstring>
#include <dlfcn.h>
#include <set>
#include <vector>

#include "mpeg_encoder/mpeg_encoder.h"

#define SHIM_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

ShimState g_state;
std::set<HBE_STREAM> g_closed;

struct RealPlugin {
    void* module = nullptr;
    BeInitStreamFunction init = nullptr;
    BeEncodeChunkFunction encode = nullptr;
    BeDeinitStreamFunction deinit = nullptr;
    BeCloseStreamFunction close = nullptr;
    BeVersionFunction version = nullptr;
    BeWriteVBRHeaderFunction vbrHeader = nullptr;
    BeWriteInfoTagFunction infoTag = nullptr;
    uint32_t outputBufferSize = 0;

    RealPlugin()
    {
        module = dlopen(QUILLON_REAL_PLUGIN, RTLD_NOW | RTLD_LOCAL);
        if (!module)
            return;
        init = reinterpret_cast<BeInitStreamFunction>(dlsym(module, "beInitStream"));
        encode = reinterpret_cast<BeEncodeChunkFunction>(dlsym(module, "beEncodeChunk"));
        deinit = reinterpret_cast<BeDeinitStreamFunction>(dlsym(module, "beDeinitStream"));
        close = reinterpret_cast<BeCloseStreamFunction>(dlsym(module, "beCloseStream"));
        version = reinterpret_cast<BeVersionFunction>(dlsym(module, "beVersion"));
        vbrHeader = reinterpret_cast<BeWriteVBRHeaderFunction>(dlsym(module, "beWriteVBRHeader"));
        infoTag = reinterpret_cast<BeWriteInfoTagFunction>(dlsym(module, "beWriteInfoTag"));
    }
    ~RealPlugin()
    {
        if (module)
            dlclose(module);
    }
};

RealPlugin& real()
{
    static RealPlugin plugin;
    return plugin;
}

// One buffer of the real plug-in's size per call; the caller's is smaller.
std::vector<uint8_t> g_realOutput;

BE_ERR copyOut(BE_ERR result, uint32_t produced, uint8_t* output, uint32_t* outputBytes)
{
    if (produced > g_state.reportedOutputBufferSize) {
        ++g_state.outputOverflows;
        return BE_ERR_BUFFER_TOO_SMALL;
    }
    std::memcpy(output, g_realOutput.data(), produced);
    *outputBytes = produced;
    return result;
}

void noteTagCall(HBE_STREAM stream, const char* path)
{
    if (stream != 0 && !g_closed.count(stream))
        ++g_state.tagCallsBeforeClose;
    std::strncpy(g_state.lastTagPath, path ? path : "", sizeof g_state.lastTagPath - 1);
}

}  // namespace

SHIM_EXPORT ShimState* shimState() { return &g_state; }

SHIM_EXPORT BE_ERR beInitStream(const void* config, uint32_t* samplesPerChunk, uint32_t* outputBufferSize,
                                HBE_STREAM* stream)
{
    ++g_state.initCalls;
    if (config)
        std::memcpy(g_state.lastConfig, config, sizeof g_state.lastConfig);
    if (!real().init)
        return BE_ERR_INVALID_FORMAT;
    if (g_state.failInit) {
        *stream = 0;
        return BE_ERR_NO_MORE_HANDLES;
    }
    const BE_ERR result = real().init(config, samplesPerChunk, &real().outputBufferSize, stream);
    g_realOutput.resize(real().outputBufferSize);
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
    if (samples > g_state.reportedOutputBufferSize / 2) {
        ++g_state.oversizedEncodeCalls;
        return BE_ERR_BUFFER_TOO_SMALL;
    }
    if (g_state.failEncodeAtCall != 0 && call >= g_state.failEncodeAtCall)
        return BE_ERR_ENCODING_FAILED;
    uint32_t produced = 0;
    const BE_ERR result = real().encode(stream, samples, pcm, g_realOutput.data(), &produced);
    return copyOut(result, produced, output, outputBytes);
}

SHIM_EXPORT BE_ERR beDeinitStream(HBE_STREAM stream, uint8_t* output, uint32_t* outputBytes)
{
    ++g_state.deinitCalls;
    *outputBytes = 0;
    if (g_state.failDeinit)
        return BE_ERR_ENCODING_FAILED;
    uint32_t produced = 0;
    const BE_ERR result = real().deinit(stream, g_realOutput.data(), &produced);
    return copyOut(result, produced, output, outputBytes);
}

SHIM_EXPORT BE_ERR beCloseStream(HBE_STREAM stream)
{
    ++g_state.closeCalls;
    g_closed.insert(stream);
    return real().close(stream);
}

#ifndef SHIM_WITHOUT_VERSION
SHIM_EXPORT void beVersion(void* version) { real().version(version); }
#endif

#ifndef SHIM_WITHOUT_VBR_HEADER
SHIM_EXPORT BE_ERR beWriteVBRHeader(const char* path)
{
    ++g_state.vbrHeaderCalls;
    noteTagCall(g_state.lastStream, path);
    return real().vbrHeader(path);
}
#endif

#ifndef SHIM_WITHOUT_INFO_TAG
SHIM_EXPORT BE_ERR beWriteInfoTag(HBE_STREAM stream, const char* path)
{
    ++g_state.infoTagCalls;
    noteTagCall(stream, path);
    return real().infoTag(stream, path);
}
#endif
