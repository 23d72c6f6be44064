#include "stream.h"

namespace zldecoder {

Stream::Stream(std::string path, const FileIdentity& identity, StreamInfo info)
    : m_path(std::move(path))
    , m_identity(identity)
    , m_info(std::move(info))
{
}

uint32_t Stream::Open(const char* path, uint32_t mode, std::unique_ptr<Stream>& out)
{
    OpenedFile file;
    if (const uint32_t code = OpenRegularFile(path, file))
        return code;
    FileSource source(file.fd.get(), file.identity.size);
    StreamInfo info;
    if (const uint32_t code = ReadStreamInfo(source, mode, info))
        return code;
    out.reset(new Stream(path, file.identity, std::move(info)));
    return ZLDEC_OK;  // `file` closes here: an idle stream holds no descriptor
}

uint32_t Stream::BeginDecoding()
{
    std::lock_guard lock(m_sessionLock);
    if (m_session)
        return ZLDEC_OK;
    if (m_info.notLoadableHere)
        return ZLDEC_ERR_NOT_HERE;
    auto session = std::make_unique<Session>();
    if (const uint32_t code = OpenRegularFile(m_path.c_str(), session->file))
        return code;
    if (!(session->file.identity == m_identity))
        return ZLDEC_ERR_CHANGED;
    session->source = std::make_unique<FileSource>(session->file.fd.get(), session->file.identity.size);
    if (const uint32_t code = StartDecoder(*session->source, m_info, session->decoder))
        return code;
    m_session = std::move(session);
    return ZLDEC_OK;
}

uint32_t Stream::Decode(uint32_t firstFrame, uint32_t maxFrames, void* output, uint32_t& written)
{
    std::lock_guard lock(m_sessionLock);
    if (!m_session)
        return ZLDEC_ERR_NOT_DECODING;
    return m_session->decoder->Decode(firstFrame, maxFrames, static_cast<uint8_t*>(output), written);
}

uint32_t Stream::EndDecoding()
{
    std::lock_guard lock(m_sessionLock);
    if (!m_session)
        return ZLDEC_ERR_NOT_DECODING;
    m_session.reset();
    return ZLDEC_OK;
}

}  // namespace zldecoder
