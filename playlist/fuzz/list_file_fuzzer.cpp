// libFuzzer target: the list-file reader. Whatever the bytes, it stays inside
// them, keeps its field limits, and what it reads is written and read back
// unchanged.
#include "playlist/list_file.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace playlist;
    const std::span<const uint8_t> bytes(data, size);
    // Also as a file that shrank by up to 255 bytes while it was read.
    const uint64_t lengths[] = {size, size + (size ? data[size - 1] : 0)};
    for (uint64_t fileLength : lengths) {
        const auto entries = ParseListFile(bytes, fileLength);
        for (const ListEntry& entry : entries) {
            if (entry.path.size() > kListMaxPathBytes + 1 || entry.path.find('\0') != std::string::npos ||
                entry.attribute > 5 || entry.marked)
                std::abort();
        }
        std::vector<ListEntry> writable;
        for (const ListEntry& entry : entries)
            if (entry.path.size() <= kListMaxPathBytes)
                writable.push_back(entry);
        const auto written = SerializeListFile(writable, 0x12345678);
        const auto again = ParseListFile(written, written.size());
        if (again.size() != writable.size())
            std::abort();
        for (size_t i = 0; i < again.size(); ++i)
            if (again[i].path != writable[i].path || again[i].attribute != writable[i].attribute)
                std::abort();
    }
    return 0;
}
