#pragma once
// Facts of MPEG audio layer III that the plug-in needs to choose a bit rate
// and to build its own information frame.

#include <cstdint>
#include <optional>
#include <span>

namespace mpeg_encoder {

enum class MpegVersion { Mpeg1, Mpeg2, Mpeg25 };

// The nine sampling rates of MPEG-1, MPEG-2 and MPEG-2.5; nullopt for others.
std::optional<MpegVersion> VersionForRate(uint32_t rate);

// Constant bit rates (kbit/s, ascending) the encoder writes at a version:
// MPEG-1 32..320, MPEG-2 8..160 and MPEG-2.5 8..64 (the engine's limit).
std::span<const uint16_t> LegalBitrates(MpegVersion version);

// The asked rate when legal, else the nearest legal one, the lower on a tie.
uint32_t NearestLegalBitrate(MpegVersion version, uint32_t askedKbps);

// Index of a legal bit rate in the frame header's table.
uint32_t BitrateIndex(MpegVersion version, uint32_t kbps);
// Index of a sampling rate in the frame header's table.
uint32_t RateIndex(uint32_t rate);

uint32_t SamplesPerFrame(MpegVersion version);
// Size of a frame without the padding slot.
uint32_t FrameBytes(MpegVersion version, uint32_t kbps, uint32_t rate);
// Size of the side information that follows the 4-byte header.
uint32_t SideInfoBytes(MpegVersion version, bool mono);

}  // namespace mpeg_encoder
