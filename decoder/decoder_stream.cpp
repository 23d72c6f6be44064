#include "decoder/decoder_stream.h"

#include <QFile>

#include <bit>
#include <utility>
#include <vector>

#include "decoder/decoder_log.h"

namespace decoder {

DecoderStream::DecoderStream(DecoderStream&& other) noexcept
    : m_handle(std::exchange(other.m_handle, 0))
    , m_decoding(std::exchange(other.m_decoding, false))
{
}

DecoderStream& DecoderStream::operator=(DecoderStream&& other) noexcept
{
    if (this != &other) {
        Close();
        m_handle = std::exchange(other.m_handle, 0);
        m_decoding = std::exchange(other.m_decoding, false);
    }
    return *this;
}

DecoderStream::~DecoderStream() { Close(); }

uint32_t DecoderStream::Open(const QString& path)
{
    Close();
    const QByteArray name = QFile::encodeName(path);
    ZLDEC_HANDLE opened = 0;
    const uint32_t code = ZLDec_OpenStream(&opened, name.constData(), ZLDEC_INTERFACE_VERSION, ZLDEC_OPEN_PLAY);
    if (code == ZLDEC_OK)
        m_handle = opened;
    else
        qCWarning(lcDecoder) << "cannot open" << path << "decoder code" << code;
    return code;
}

void DecoderStream::Close()
{
    if (!m_handle)
        return;
    EndDecoding();
    ZLDec_CloseStream(m_handle);
    m_handle = 0;
}

ZLDEC_HANDLE DecoderStream::Release()
{
    m_decoding = false;
    return std::exchange(m_handle, 0);
}

uint32_t DecoderStream::Length() const
{
    uint32_t frames = 0;
    return m_handle && ZLDec_GetStreamLength(m_handle, &frames) == ZLDEC_OK ? frames : 0;
}

const ZLWaveFormat* DecoderStream::Format() const
{
    const ZLWaveFormat* format = nullptr;
    return m_handle && ZLDec_GetStreamFormat(m_handle, &format) == ZLDEC_OK ? format : nullptr;
}

std::span<const ZLImage> DecoderStream::Images() const
{
    const ZLImage* images = nullptr;
    uint16_t count = 0;
    if (!m_handle || ZLDec_GetImageArray(m_handle, &images, &count) != ZLDEC_OK || !images)
        return {};
    return {images, count};
}

QImage DecoderStream::Image(size_t index) const
{
    const auto all = Images();
    if (index >= all.size())
        return {};
    const ZLImage& picture = all[index];
    const int width = int(picture.width);
    const int height = int(picture.height);
    // BGRA bytes are QImage's ARGB32 words on a little-endian machine.
    if constexpr (std::endian::native == std::endian::little)
        return QImage(picture.pixels, width, height, width * 4, QImage::Format_ARGB32);
    QImage copy(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = picture.pixels + size_t(y) * width * 4;
        for (int x = 0; x < width; ++x)
            copy.setPixel(x, y, qRgba(row[4 * x + 2], row[4 * x + 1], row[4 * x], row[4 * x + 3]));
    }
    return copy;
}

QString DecoderStream::Text(uint32_t (*get)(ZLDEC_HANDLE, char*, uint32_t), uint32_t size) const
{
    if (!m_handle)
        return {};
    std::vector<char> buffer(size);
    if (get(m_handle, buffer.data(), size) != ZLDEC_OK)
        return {};
    return QString::fromUtf8(buffer.data());
}

QString DecoderStream::Topic() const { return Text(ZLDec_GetTopic, kTopicBufferSize); }

QString DecoderStream::Description() const { return Text(ZLDec_GetDescription, kDescriptionBufferSize); }

bool DecoderStream::BeginDecoding(uint32_t* code)
{
    const uint32_t result = m_handle ? ZLDec_DecodeAudioBegin(m_handle) : ZLDEC_ERR_HANDLE;
    if (code)
        *code = result;
    if (result != ZLDEC_OK) {
        qCWarning(lcDecoder) << "cannot begin decoding, decoder code" << result;
        return false;
    }
    m_decoding = true;
    return true;
}

uint32_t DecoderStream::Decode(uint32_t firstFrame, uint32_t maxFrames, void* output)
{
    uint32_t written = 0;
    if (!m_decoding || ZLDec_DecodeAudio(m_handle, firstFrame, maxFrames, output, &written) != ZLDEC_OK)
        return 0;
    return written;
}

void DecoderStream::EndDecoding()
{
    if (m_decoding)
        ZLDec_DecodeAudioEnd(m_handle);
    m_decoding = false;
}

}  // namespace decoder
