#include "zla_writer.h"

#include "file_access.h"
#include "zla_format.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace zla {
namespace {

using zldecoder::UniqueFd;

void PutLe16(std::string& out, uint16_t v)
{
    out.push_back(char(v & 0xff));
    out.push_back(char(v >> 8));
}

void PutLe32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(char((v >> (8 * i)) & 0xff));
}

bool WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= size_t(n);
    }
    return true;
}

}  // namespace

void ZlaWriter::AddChunk(uint32_t id, std::string bytes)
{
    const uint64_t size = bytes.size();
    m_chunks.push_back({id, std::move(bytes), {}, size});
}

void ZlaWriter::AddFileChunk(uint32_t id, std::string path, uint64_t size)
{
    m_chunks.push_back({id, {}, std::move(path), size});
}

std::string ZlaWriter::WriteChunks(int fd, const std::string& shownName) const
{
    const auto writeError = [&] { return shownName + ": " + std::strerror(errno); };
    std::string header(zldecoder::zla::kMagic, zldecoder::zla::kMagic + 4);
    PutLe16(header, zldecoder::zla::kMajorVersion);
    PutLe16(header, zldecoder::zla::kMinorVersion);
    PutLe32(header, m_flags);
    PutLe32(header, static_cast<uint32_t>(m_chunks.size()));
    if (!WriteAll(fd, header.data(), header.size()))
        return writeError();

    for (const Chunk& chunk : m_chunks) {
        std::string head;
        PutLe32(head, chunk.id);
        PutLe32(head, static_cast<uint32_t>(chunk.size));
        if (!WriteAll(fd, head.data(), head.size()))
            return writeError();
        if (chunk.filePath.empty()) {
            if (!WriteAll(fd, chunk.bytes.data(), chunk.bytes.size()))
                return writeError();
            continue;
        }
        const UniqueFd in(::open(chunk.filePath.c_str(), O_RDONLY | O_CLOEXEC));
        if (in.get() < 0)
            return chunk.filePath + ": " + std::strerror(errno);
        std::vector<char> buffer(1 << 16);
        uint64_t left = chunk.size;
        while (left > 0) {
            const ssize_t n = ::read(in.get(), buffer.data(), std::min<uint64_t>(left, buffer.size()));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return chunk.filePath + ": changed while being packed";
            if (!WriteAll(fd, buffer.data(), size_t(n)))
                return writeError();
            left -= uint64_t(n);
        }
    }
    return {};
}

std::string ZlaWriter::WriteTo(const std::string& path) const
{
    // Errors name `path`: the temporary file is ours, not the user's.
    const std::string temporary = path + ".partial";
    UniqueFd out(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644));
    if (out.get() < 0)
        return path + ": " + std::strerror(errno);
    std::string error = WriteChunks(out.get(), path);
    if (error.empty() && ::fsync(out.get()) != 0)
        error = path + ": " + std::strerror(errno);
    if (::close(out.Release()) != 0 && error.empty())
        error = path + ": " + std::strerror(errno);
    if (error.empty() && ::rename(temporary.c_str(), path.c_str()) != 0)
        error = path + ": " + std::strerror(errno);
    if (!error.empty())
        ::unlink(temporary.c_str());
    return error;
}

}  // namespace zla
