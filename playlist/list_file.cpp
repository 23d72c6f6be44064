#include "playlist/list_file.h"

#include <algorithm>
#include <cstring>

namespace playlist {

namespace {

uint32_t Read32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t Read16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

void Put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

void Put16(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

// The record of each version; version 0 has none and adds nothing.
size_t RecordSize(uint32_t version)
{
    switch (version) {
    case 1:
        return 256;
    case 2:
        return 260;
    case 3:
        return kListEntrySize;
    default:
        return 0;
    }
}

}  // namespace

std::vector<ListEntry> ParseListFile(std::span<const uint8_t> bytes, uint64_t fileLength)
{
    std::vector<ListEntry> entries;
    if (bytes.size() < kListHeaderSize)
        return entries;
    const uint8_t* header = bytes.data();
    const uint32_t version = Read32(header + 4);
    const size_t count = Read16(header + 8);
    const size_t entrySize = Read16(header + 10);
    if (Read32(header) != kListMagic || version > kListVersion)
        return entries;
    if (fileLength < kListHeaderSize || fileLength - kListHeaderSize < count * entrySize)
        return entries;
    const std::span<const uint8_t> body = bytes.subspan(kListHeaderSize);
    // Entries larger than their version's record would overrun it.
    const size_t record = RecordSize(version);
    if (entrySize > record || record == 0)
        return entries;

    size_t offset = 0;
    for (size_t i = 0; i < count; ++i) {
        // An entry size of 0 reads nothing: the entry is short.
        if (entrySize == 0 || body.size() - offset < entrySize)
            break;
        const uint8_t* raw = body.data() + offset;
        offset += entrySize;
        // A shorter entry than its record leaves the rest zero, as the
        // original reader's buffer did.
        uint8_t buffer[kListEntrySize] = {};
        std::memcpy(buffer, raw, entrySize);
        const size_t pathField = std::min(record, kListPathField);
        const auto* end = std::find(buffer, buffer + pathField, uint8_t(0));
        ListEntry entry;
        entry.path.assign(reinterpret_cast<const char*>(buffer), reinterpret_cast<const char*>(end));
        if (version == 3)
            entry.attribute = uint8_t(((buffer[260] >> 1) & 7) % 6);
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<uint8_t> SerializeListFile(const std::vector<ListEntry>& entries, uint32_t savedAt)
{
    std::vector<uint8_t> out(kListHeaderSize + entries.size() * kListEntrySize, 0);
    Put32(out.data(), kListMagic);
    Put32(out.data() + 4, kListVersion);
    Put16(out.data() + 8, uint16_t(entries.size()));
    Put16(out.data() + 10, uint16_t(kListEntrySize));
    uint8_t* record = out.data() + kListHeaderSize;
    for (const ListEntry& entry : entries) {
        const size_t length = std::min(entry.path.size(), kListMaxPathBytes);
        std::memcpy(record, entry.path.data(), length);
        if (length < 256)
            Put32(record + 256, savedAt);
        Put32(record + 260, uint32_t(entry.attribute) << 1 | (entry.marked ? 0x10u : 0u));
        record += kListEntrySize;
    }
    return out;
}

}  // namespace playlist
