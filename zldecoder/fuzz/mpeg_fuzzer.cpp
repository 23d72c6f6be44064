// libFuzzer target: MPEG audio recognition, measuring and block decoding.
#include "fuzz_decoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace zldecoder;
    MemorySource source(data, size);
    const ByteRange range = ByteRange::Whole(source);
    AudioInfo info;
    if (ProbeMpeg(range, info) != 0)
        return 0;
    fuzz::CheckFormat(info);
    fuzz::Require(info.format.bitsPerSample == 16 && info.format.channels <= 2);
    std::unique_ptr<AudioDecoder> decoder;
    if (StartMpegDecoder(range, info, decoder) != 0)
        return 0;
    fuzz::DecodeSome(*decoder, info, data, size);
    return 0;
}
