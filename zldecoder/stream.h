#pragma once
// One open stream: what was learnt at opening, and the decoding session that
// exists only between DecodeAudioBegin and DecodeAudioEnd. Only the session
// holds a file descriptor.

#include "file_access.h"
#include "stream_info.h"

#include <memory>
#include <mutex>
#include <string>

namespace zldecoder {

class Stream {
public:
    static uint32_t Open(const char* path, uint32_t mode, std::unique_ptr<Stream>& out);

    const ZLWaveFormat& Format() const { return m_info.audio.format; }
    uint32_t Length() const { return m_info.audio.length; }
    const std::string& Topic() const { return m_info.topic; }
    const std::string& Description() const { return m_info.description; }
    const std::vector<ZLImage>& Images() const { return m_info.images; }

    uint32_t BeginDecoding();
    uint32_t Decode(uint32_t firstFrame, uint32_t maxFrames, void* output, uint32_t& written);
    uint32_t EndDecoding();

private:
    struct Session {
        OpenedFile file;
        std::unique_ptr<FileSource> source;
        std::unique_ptr<AudioDecoder> decoder;  // reads through `source`; declared after it
    };

    Stream(std::string path, const FileIdentity& identity, StreamInfo info);

    const std::string m_path;
    const FileIdentity m_identity;
    const StreamInfo m_info;
    std::mutex m_sessionLock;
    std::unique_ptr<Session> m_session;
};

}  // namespace zldecoder
