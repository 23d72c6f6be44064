#include "stream.h"

namespace zldecoder {

Stream::Stream(std::string path, const FileIdentity& identity, StreamInfo info)
    : m_path(std::move(path))
    , m_identity(identity)
    , m_info(std::move(info))
{
}

uint32_t Stream::open(const char* path, uint32_t mode, std::unique_ptr<Stream>& out)
{
    OpenedFile file;
    if (const uint32_t code = openRegularFile(path, file))
        return code;
    FileSource source(file.fd.get(), file.identity.size);
    StreamInfo info;
    if (const uint32_t code = readStreamInfo(source, mode, info))
        return code;
    out.reset(new Stream(path, file.identity, std::move(info)));
    return ZLDEC_OK;  // `file` closes here: an idle stream holds no descriptor
}

uint32_t Stream::beginDecoding()
{
    std::lock_guard lock(m_sessionLock);
    if (m_session)
        return ZLDEC_OK;
    if (m_info.notLoadableHere)
        return ZLDEC_ERR_NOT_HERE;
    auto session = std::make_unique<Session>();
    if (const uint32_t code = openRegularFile(m_path.c_str(), session->file))
        return code;
    if (!(session->file.identity == m_identity))
        return ZLDEC_ERR_CHANGED;
    session->source = std::make_unique<FileSource>(session->file.fd.get(), session->file.identity.size);
    if (const uint32_t code = startDecoder(*session->source, m_info, session->decoder))
        return code;
    m_session = std::move(session);
    return ZLDEC_OK;
}

uint32_t Stream::decode(uint32_t firstFrame, uint32_t maxFrames, void* output, uint32_t& written)
{
    std::lock_guard lock(m_sessionLock);
    if (!m_session)
        return ZLDEC_ERR_NOT_DECODING;
    return m_session->decoder->decode(firstFrame, maxFrames, static_cast<uint8_t*>(output), written);
}

uint32_t Stream::endDecoding()
{
    std::lock_guard lock(m_sessionLock);
    if (!m_session)
        return ZLDEC_ERR_NOT_DECODING;
    m_session.reset();
    return ZLDEC_OK;
}

}  // namespace zldecoder
