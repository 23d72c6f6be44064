// The library's C functions: argument checks, the handle table, and no
// exception ever crossing into the caller.

#include "handle_table.h"
#include "zldecoder.h"

#include <cstring>
#include <new>

namespace {

using zldecoder::HandleTable;
using zldecoder::Stream;

// Far above the playlist's 5000; bounds what a runaway caller can hold.
constexpr size_t kMaxOpenStreams = 65535;

HandleTable& Table()
{
    static HandleTable streams(kMaxOpenStreams);
    return streams;
}

template <typename Body>
uint32_t Guarded(Body body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return ZLDEC_ERR_NO_MEMORY;
    } catch (...) {
        return ZLDEC_ERR_DAMAGED;
    }
}

// Runs body(stream) for a live handle.
template <typename Body>
uint32_t WithStream(ZLDEC_HANDLE handle, Body body) noexcept
{
    return Guarded([&]() -> uint32_t {
        const auto stream = Table().Find(handle);
        return stream ? body(*stream) : ZLDEC_ERR_HANDLE;
    });
}

// Copies as much of text as fits, never splitting a UTF-8 character.
void CopyText(const std::string& text, char* buffer, uint32_t size)
{
    size_t n = std::min<size_t>(text.size(), size - 1);
    if (n < text.size())
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xc0) == 0x80)
            --n;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

uint32_t GetText(ZLDEC_HANDLE handle, char* buffer, uint32_t size, const std::string& (Stream::*text)() const)
{
    return WithStream(handle, [&](Stream& stream) -> uint32_t {
        if (!buffer || size == 0)
            return ZLDEC_ERR_ARGUMENT;
        CopyText((stream.*text)(), buffer, size);
        return ZLDEC_OK;
    });
}

}  // namespace

extern "C" {

uint32_t ZLDec_OpenStream(ZLDEC_HANDLE* handle, const char* path, uint32_t a, uint32_t b)
{
    if (!handle || !path || a != ZLDEC_INTERFACE_VERSION || (b != ZLDEC_OPEN_PLAY && b != ZLDEC_OPEN_INSPECT))
        return ZLDEC_ERR_ARGUMENT;
    return Guarded([&]() -> uint32_t {
        std::unique_ptr<Stream> stream;
        if (const uint32_t code = Stream::Open(path, b, stream))
            return code;
        const ZLDEC_HANDLE opened = Table().Add(std::move(stream));
        if (opened == 0)
            return ZLDEC_ERR_NO_MEMORY;
        *handle = opened;
        return ZLDEC_OK;
    });
}

uint32_t ZLDec_GetStreamLength(ZLDEC_HANDLE handle, uint32_t* frames)
{
    return WithStream(handle, [&](Stream& stream) -> uint32_t {
        if (!frames)
            return ZLDEC_ERR_ARGUMENT;
        *frames = stream.Length();
        return ZLDEC_OK;
    });
}

uint32_t ZLDec_GetStreamFormat(ZLDEC_HANDLE handle, const ZLWaveFormat** format)
{
    return WithStream(handle, [&](Stream& stream) -> uint32_t {
        if (!format)
            return ZLDEC_ERR_ARGUMENT;
        *format = &stream.Format();
        return ZLDEC_OK;
    });
}

uint32_t ZLDec_GetImageArray(ZLDEC_HANDLE handle, const ZLImage** images, uint16_t* count)
{
    return WithStream(handle, [&](Stream& stream) -> uint32_t {
        if (!images || !count)
            return ZLDEC_ERR_ARGUMENT;
        const auto& all = stream.Images();
        *images = all.empty() ? nullptr : all.data();
        *count = static_cast<uint16_t>(all.size());
        return ZLDEC_OK;
    });
}

uint32_t ZLDec_GetTopic(ZLDEC_HANDLE handle, char* buffer, uint32_t size)
{
    return GetText(handle, buffer, size, &Stream::Topic);
}

uint32_t ZLDec_GetDescription(ZLDEC_HANDLE handle, char* buffer, uint32_t size)
{
    return GetText(handle, buffer, size, &Stream::Description);
}

uint32_t ZLDec_DecodeAudioBegin(ZLDEC_HANDLE handle)
{
    return WithStream(handle, [](Stream& stream) { return stream.BeginDecoding(); });
}

uint32_t ZLDec_DecodeAudio(ZLDEC_HANDLE handle, uint32_t firstFrame, uint32_t maxFrames, void* output,
                           uint32_t* framesWritten)
{
    return WithStream(handle, [&](Stream& stream) -> uint32_t {
        if (!framesWritten || (!output && maxFrames > 0))
            return ZLDEC_ERR_ARGUMENT;
        uint32_t written = 0;
        const uint32_t code = stream.Decode(firstFrame, maxFrames, output, written);
        *framesWritten = written;
        return code;
    });
}

uint32_t ZLDec_DecodeAudioEnd(ZLDEC_HANDLE handle)
{
    return WithStream(handle, [](Stream& stream) { return stream.EndDecoding(); });
}

uint32_t ZLDec_CloseStream(ZLDEC_HANDLE handle)
{
    return Guarded([&]() -> uint32_t {
        // The stream dies here, outside the table's lock, or later in a
        // thread that is still decoding it.
        const auto stream = Table().Remove(handle);
        return stream ? ZLDEC_OK : ZLDEC_ERR_HANDLE;
    });
}

}  // extern "C"
