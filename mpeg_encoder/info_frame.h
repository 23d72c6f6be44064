#pragma once
// The information frame at the start of the MP3 data: an "Info" tag with the
// LAME extension, which tells decoders the number of frames and bytes and the
// encoder's delay and padding, so that they play exactly the encoded samples.
//
// LAME drops its own tag whenever a frame of the stream's bit rate is too
// small to hold it (low bit rates), so the plug-in reserves and writes the
// frame itself, in the same layout, with a bit rate large enough.

#include "mpeg_encoder/encoder_settings.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mpeg_encoder {

// CRC-16 with polynomial 0x8005, reflected (the tag's checksums).
uint16_t Crc16(const uint8_t* data, size_t size, uint16_t crc = 0);

// What the finished stream tells the information frame.
struct StreamSummary {
    uint32_t audioFrames = 0;   // frames after the information frame
    uint32_t streamBytes = 0;   // every byte of the stream, the information frame included
    uint16_t musicCrc = 0;      // CRC-16 of the bytes after the information frame
    uint32_t encoderDelay = 0;  // samples per channel before the first input sample
    uint32_t padding = 0;       // samples per channel after the last one
    uint32_t lowpassHz = 0;
    int athType = 0;
    int qualityIndicator = 0;  // 100 - 10 * VBR quality - algorithm quality, as LAME writes it
    std::string encoderName;   // for example "LAME3.100"; at most 9 characters are kept
};

class InfoFrame {
public:
    explicit InfoFrame(const EncoderSettings& settings);

    // The frame reserved at the start of the stream: a valid header with an
    // empty body, decoded as silence until the tag is written over it.
    std::vector<uint8_t> Placeholder() const;
    // The finished frame, of the placeholder's size.
    std::vector<uint8_t> Finished(const StreamSummary& summary) const;

    uint32_t BitrateKbps() const { return m_kbps; }
    uint32_t size() const { return m_size; }

private:
    uint32_t HeaderWord() const;

    EncoderSettings m_settings;
    uint32_t m_kbps = 0;
    uint32_t m_size = 0;
    uint32_t m_tagOffset = 0;
};

}  // namespace mpeg_encoder
