#pragma once
// What an open stream keeps: the decoded format, length, texts and pictures,
// and where its audio lies, so that decoding can find it again later.

#include "audio.h"
#include "png_picture.h"
#include "zldecoder.h"

#include <string>
#include <vector>

namespace zldecoder {

struct StreamInfo {
    AudioKind kind = AudioKind::Wave;
    uint64_t audioOffset = 0;
    uint64_t audioLength = 0;
    AudioInfo audio;
    std::string topic;
    std::string description;
    std::vector<Picture> pictures;
    std::vector<ZLImage> images;  // point into `pictures`
    bool notLoadableHere = false;
};

// Recognises the source and measures it. mode is ZLDEC_OPEN_PLAY or
// ZLDEC_OPEN_INSPECT. Returns 0 or a ZLDEC_* code.
uint32_t ReadStreamInfo(ByteSource& source, uint32_t mode, StreamInfo& info);

// A decoder for the audio that readStreamInfo found in the same bytes.
uint32_t StartDecoder(ByteSource& source, const StreamInfo& info, std::unique_ptr<AudioDecoder>& out);

}  // namespace zldecoder
