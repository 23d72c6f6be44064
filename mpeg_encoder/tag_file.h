#pragma once
// Puts a finished information frame into the file the stream was written to.
// The caller may still hold the file open for writing: the frame goes over
// the reserved frame at offset 0 through a descriptor of our own, so the
// caller's position and later writes are untouched.

#include "mpeg_encoder/encoder_stream.h"

#include <optional>
#include <vector>

namespace mpeg_encoder {

// The first `bytes` bytes of the file, fewer when it is shorter; none when it
// cannot be read.
std::optional<std::vector<uint8_t>> readFileStart(const char* path, size_t bytes);

// Whether a file that begins with `fileStart` holds the tag's stream.
bool holdsStream(const std::vector<uint8_t>& fileStart, const FinishedTag& tag);

// Writes the frame at offset 0 when the file holds the tag's stream.
BE_ERR writeTagIntoFile(const char* path, const FinishedTag& tag);

}  // namespace mpeg_encoder
