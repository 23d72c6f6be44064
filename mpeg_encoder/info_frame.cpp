#include "mpeg_encoder/info_frame.h"

#include <algorithm>
#include <cstring>

namespace mpeg_encoder {

namespace {

constexpr uint32_t kInfoBytes = 120;      // "Info", flags, frames, bytes, 100-entry table, quality
constexpr uint32_t kExtensionBytes = 36;  // the LAME extension, its own checksum last
constexpr uint32_t kTagBytes = kInfoBytes + kExtensionBytes;
constexpr uint32_t kAllFields = 0x0F;  // frames, bytes, table and quality present

void PutBigEndian(uint8_t* at, uint32_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i) {
        at[i] = uint8_t(value);
        value >>= 8;
    }
}

uint32_t ModeBits(ChannelMode mode)
{
    switch (mode) {
    case ChannelMode::Stereo:
        return 0;
    case ChannelMode::JointStereo:
        return 1;
    case ChannelMode::Mono:
        return 3;
    }
    return 0;
}

// The extension's stereo mode code: 0 mono, 1 stereo, 3 joint stereo.
uint8_t StereoModeCode(ChannelMode mode)
{
    switch (mode) {
    case ChannelMode::Mono:
        return 0;
    case ChannelMode::Stereo:
        return 1;
    case ChannelMode::JointStereo:
        return 3;
    }
    return 0;
}

uint8_t SourceRateCode(uint32_t rate)
{
    if (rate <= 32000)
        return 0;
    if (rate <= 44100)
        return 1;
    return rate <= 48000 ? 2 : 3;
}

uint32_t VersionBits(MpegVersion version)
{
    switch (version) {
    case MpegVersion::Mpeg1:
        return 3;
    case MpegVersion::Mpeg2:
        return 2;
    case MpegVersion::Mpeg25:
        return 0;
    }
    return 3;
}

}  // namespace

uint16_t Crc16(const uint8_t* data, size_t size, uint16_t crc)
{
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
    }
    return crc;
}

InfoFrame::InfoFrame(const EncoderSettings& settings)
    : m_settings(settings)
{
    const bool mono = settings.mode == ChannelMode::Mono;
    m_tagOffset = 4 + SideInfoBytes(settings.version, mono);
    const uint32_t needed = m_tagOffset + kTagBytes;
    // The stream's own rate keeps the file uniform; low rates need a bigger frame.
    m_kbps = settings.bitrateKbps;
    if (FrameBytes(settings.version, m_kbps, settings.outputRate) < needed) {
        for (uint16_t kbps : LegalBitrates(settings.version)) {
            m_kbps = kbps;
            if (FrameBytes(settings.version, kbps, settings.outputRate) >= needed)
                break;
        }
    }
    m_size = FrameBytes(settings.version, m_kbps, settings.outputRate);
}

uint32_t InfoFrame::HeaderWord() const
{
    const EncoderSettings& s = m_settings;
    uint32_t word = 0xFFE00000u;
    word |= VersionBits(s.version) << 19;
    word |= 1u << 17;  // layer III
    word |= 1u << 16;  // no CRC on this frame
    word |= BitrateIndex(s.version, m_kbps) << 12;
    word |= RateIndex(s.outputRate) << 10;
    word |= uint32_t(s.privateBit) << 8;
    word |= ModeBits(s.mode) << 6;
    word |= uint32_t(s.copyrightBit) << 3;
    word |= uint32_t(s.originalBit) << 2;
    word |= s.emphasis & 3;
    return word;
}

std::vector<uint8_t> InfoFrame::Placeholder() const
{
    std::vector<uint8_t> frame(m_size, 0);
    PutBigEndian(frame.data(), HeaderWord(), 4);
    return frame;
}

std::vector<uint8_t> InfoFrame::Finished(const StreamSummary& summary) const
{
    std::vector<uint8_t> frame = Placeholder();
    uint8_t* tag = frame.data() + m_tagOffset;

    std::memcpy(tag, "Info", 4);
    PutBigEndian(tag + 4, kAllFields, 4);
    PutBigEndian(tag + 8, summary.audioFrames, 4);
    PutBigEndian(tag + 12, summary.streamBytes, 4);
    // Constant bit rate: byte positions grow linearly with time.
    for (uint32_t i = 0; i < 100; ++i)
        tag[16 + i] = uint8_t(i * 256 / 100);
    PutBigEndian(tag + 116, uint32_t(std::clamp(summary.qualityIndicator, 0, 100)), 4);

    uint8_t* ext = tag + kInfoBytes;
    const size_t nameBytes = std::min<size_t>(summary.encoderName.size(), 9);
    std::memcpy(ext, summary.encoderName.data(), nameBytes);
    ext[9] = 0x01;  // tag revision 0, constant bit rate
    ext[10] = uint8_t(std::min<uint32_t>((summary.lowpassHz + 50) / 100, 255));
    // 11..18: peak and replay gains, not measured
    ext[19] = uint8_t(0x10 | (summary.athType & 0x0F));  // new psychoacoustics, ATH type
    ext[20] = uint8_t(std::min<uint32_t>(m_settings.bitrateKbps, 255));
    const uint32_t delay = std::min<uint32_t>(summary.encoderDelay, 0xFFF);
    const uint32_t padding = std::min<uint32_t>(summary.padding, 0xFFF);
    PutBigEndian(ext + 21, (delay << 12) | padding, 3);
    ext[24] = uint8_t(StereoModeCode(m_settings.mode) << 2 | SourceRateCode(m_settings.inputRate) << 6);
    // 25: gain, 26..27: surround and preset, all unset
    PutBigEndian(ext + 28, summary.streamBytes, 4);
    PutBigEndian(ext + 32, summary.musicCrc, 2);
    PutBigEndian(ext + 34, Crc16(frame.data(), m_tagOffset + kTagBytes - 2), 2);
    return frame;
}

}  // namespace mpeg_encoder
