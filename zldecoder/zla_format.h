#pragma once
// The ZLA container: numbers shared by the reader in the library and the
// packer in tools/zla. docs/zla.md describes the layout.

#include <cstdint>

namespace zldecoder::zla {

inline constexpr uint8_t kMagic[4] = {'Z', 'L', 'A', 0x1a};
inline constexpr uint32_t kHeaderBytes = 16;
inline constexpr uint32_t kChunkHeaderBytes = 8;

// A reader refuses a major version it does not know; minor versions only add
// chunk kinds, which older readers skip.
inline constexpr uint16_t kMajorVersion = 1;
inline constexpr uint16_t kMinorVersion = 0;

inline constexpr uint32_t kFlagNotLoadableHere = 0x1;

constexpr uint32_t ChunkId(const char (&name)[5])
{
    return uint32_t(uint8_t(name[0])) | uint32_t(uint8_t(name[1])) << 8 | uint32_t(uint8_t(name[2])) << 16 |
        uint32_t(uint8_t(name[3])) << 24;
}
inline constexpr uint32_t kTitle = ChunkId("TITL");
inline constexpr uint32_t kDescription = ChunkId("DESC");
inline constexpr uint32_t kPicture = ChunkId("PICT");
inline constexpr uint32_t kMpegAudio = ChunkId("AMPG");
inline constexpr uint32_t kWaveAudio = ChunkId("AWAV");

// Limits that keep an open stream small; a file beyond them is refused.
inline constexpr uint32_t kMaxChunks = 4096;
inline constexpr uint32_t kMaxTextBytes = 64 * 1024;
inline constexpr uint32_t kMaxPictures = 64;
inline constexpr uint32_t kMaxPictureChunkBytes = 1024 * 1024;
inline constexpr uint32_t kMaxPictureSide = 255;
inline constexpr uint32_t kMaxPicturePixels = 256 * 1024;  // all pictures of a file together

}  // namespace zldecoder::zla
