#pragma once
// The bytes of the list file "Quillon.lst": a 12-byte header ("TSIL",
// version, entry count, entry size) and the entries of its version. Plain
// C++: the reader is fuzzed without Qt.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace playlist {

struct ListEntry {
    std::string path;  // as stored: the file system's bytes, maybe relative
    uint8_t attribute = 0;
    bool marked = false;
};

inline constexpr size_t kListHeaderSize = 12;
inline constexpr uint32_t kListMagic = 0x4C495354;  // "TSIL" on disk
inline constexpr uint32_t kListVersion = 3;
inline constexpr size_t kListPathField = 260;
inline constexpr size_t kListEntrySize = 264;
// Longest path a written entry can hold (the field keeps its zero byte).
inline constexpr size_t kListMaxPathBytes = kListPathField - 1;

// The entries of a list file. `fileLength` is the file's size when it was
// opened and decides whether the header's promise can hold; `bytes` is what
// reading it gave, fewer if the file shrank meanwhile. A damaged header
// gives no entry; a short entry ends the list with the entries before it.
std::vector<ListEntry> ParseListFile(std::span<const uint8_t> bytes, uint64_t fileLength);

// The bytes of a version-3 list file, `savedAt` (seconds since 1970) in
// every entry whose path leaves room for it. Paths longer than
// kListMaxPathBytes must not reach here.
std::vector<uint8_t> SerializeListFile(const std::vector<ListEntry>& entries, uint32_t savedAt);

}  // namespace playlist
