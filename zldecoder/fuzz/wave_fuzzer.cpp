// libFuzzer target: the WAVE reader (libsndfile through the library's window).
#include "fuzz_decoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace zldecoder;
    MemorySource source(data, size);
    const ByteRange range = ByteRange::Whole(source);
    AudioInfo info;
    if (ProbeWave(range, info) != 0)
        return 0;
    fuzz::CheckFormat(info);
    std::unique_ptr<AudioDecoder> decoder;
    if (StartWaveDecoder(range, info, decoder) != 0)
        return 0;
    fuzz::DecodeSome(*decoder, info, data, size);
    return 0;
}
