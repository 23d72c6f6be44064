// libFuzzer target: the whole opening path (ZLA container, texts, PNG
// pictures, then the audio inside), as ZLDec_OpenStream runs it.
#include "fuzz_decoding.h"
#include "stream_info.h"
#include "zla_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace zldecoder;
    MemorySource source(data, size);
    StreamInfo info;
    if (ReadStreamInfo(source, ZLDEC_OPEN_INSPECT, info) != 0)
        return 0;
    fuzz::CheckFormat(info.audio);
    fuzz::Require(info.topic.size() <= zla::kMaxTextBytes && info.description.size() <= zla::kMaxTextBytes);
    fuzz::Require(info.images.size() <= zla::kMaxPictures);
    uint64_t pixels = 0;
    unsigned checksum = 0;
    for (const ZLImage& image : info.images) {
        fuzz::Require(image.width >= 1 && image.width <= zla::kMaxPictureSide);
        fuzz::Require(image.height >= 1 && image.height <= zla::kMaxPictureSide);
        pixels += uint64_t(image.width) * image.height;
        for (size_t i = 0; i < size_t(image.width) * image.height * 4; ++i)
            checksum += image.pixels[i];  // every byte must be readable
    }
    fuzz::Require(pixels <= zla::kMaxPicturePixels);
    static volatile unsigned sink;
    sink = checksum;
    std::unique_ptr<AudioDecoder> decoder;
    if (StartDecoder(source, info, decoder) != 0)
        return 0;
    fuzz::DecodeSome(*decoder, info.audio, data, size);
    return 0;
}
