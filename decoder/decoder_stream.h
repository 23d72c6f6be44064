#pragma once
// One stream of the decoder library, owned: closed (and its decoding ended)
// when the object goes. The handle can be handed over between threads with
// Release() and the adopting constructor.

#include <zldecoder.h>

#include <QImage>
#include <QString>

#include <cstdint>
#include <span>

namespace decoder {

// The buffer sizes the playlist reads its texts with.
inline constexpr uint32_t kTopicBufferSize = 256;
inline constexpr uint32_t kDescriptionBufferSize = 2049;

class DecoderStream {
public:
    DecoderStream() = default;
    explicit DecoderStream(ZLDEC_HANDLE adopted)
        : m_handle(adopted)
    {
    }
    DecoderStream(DecoderStream&& other) noexcept;
    DecoderStream& operator=(DecoderStream&& other) noexcept;
    DecoderStream(const DecoderStream&) = delete;
    DecoderStream& operator=(const DecoderStream&) = delete;
    ~DecoderStream();

    // Opens a file to play it (closing what was open). Returns 0 or the
    // library's code: 1 no such file, 2 locked, 3 cannot open, 4 damaged,
    // 5 unrecognised, 6 not loadable here, 13 an empty file (shown as an
    // unknown failure), others unspecified.
    uint32_t Open(const QString& path);
    void Close();

    bool IsOpen() const { return m_handle != 0; }
    ZLDEC_HANDLE Handle() const { return m_handle; }
    // Gives up ownership without closing.
    ZLDEC_HANDLE Release();

    // Length in sample frames; 0 when nothing is open.
    uint32_t Length() const;
    // The PCM format the decoding delivers; null when nothing is open.
    const ZLWaveFormat* Format() const;
    // The stream's pictures, owned by the library while the stream is open.
    std::span<const ZLImage> Images() const;
    // One picture as an image sharing the library's pixels: valid while open.
    QImage Image(size_t index) const;
    QString Topic() const;
    QString Description() const;

    // `code`, when given, receives the library's answer (ZLDEC_ERR_CHANGED:
    // the file is no longer the one that was opened).
    bool BeginDecoding(uint32_t* code = nullptr);
    bool IsDecoding() const { return m_decoding; }
    // Frames written to output (maxFrames * blockAlign bytes); fewer at the
    // end, 0 past the end or on failure.
    uint32_t Decode(uint32_t firstFrame, uint32_t maxFrames, void* output);
    void EndDecoding();

private:
    QString Text(uint32_t (*get)(ZLDEC_HANDLE, char*, uint32_t), uint32_t size) const;

    ZLDEC_HANDLE m_handle = 0;
    bool m_decoding = false;
};

}  // namespace decoder
