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
    static uint32_t open(const char* path, uint32_t mode, std::unique_ptr<Stream>& out);

    const ZLWaveFormat& format() const { return m_info.audio.format; }
    uint32_t length() const { return m_info.audio.length; }
    const std::string& topic() const { return m_info.topic; }
    const std::string& description() const { return m_info.description; }
    const std::vector<ZLImage>& images() const { return m_info.images; }

    uint32_t beginDecoding();
    uint32_t decode(uint32_t firstFrame, uint32_t maxFrames, void* output, uint32_t& written);
    uint32_t endDecoding();

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
