#pragma once
// Process-wide state a test changes, put back when the test ends however it
// ends, so that no later test meets a back end that is gone or a folder of
// an earlier test.

#include <QByteArray>
#include <QFile>
#include <QString>

#include "platform/audio/audio_backend.h"

namespace testsupport {

// The audio back end pointed at the test's own while this lives.
class ScopedBackend {
public:
    explicit ScopedBackend(platform::audio::AudioBackend& backend) { platform::audio::SetBackendForTesting(&backend); }
    ~ScopedBackend() { platform::audio::SetBackendForTesting(nullptr); }
    ScopedBackend(const ScopedBackend&) = delete;
    ScopedBackend& operator=(const ScopedBackend&) = delete;
};

// An environment variable set (or, for a null value, unset) while this
// lives, then restored or unset.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QString& value)
        : m_name(name)
        , m_saved(qgetenv(name))
    {
        value.isNull() ? void(qunsetenv(name)) : void(qputenv(name, QFile::encodeName(value)));
    }
    ~ScopedEnv() { m_saved.isNull() ? void(qunsetenv(m_name)) : void(qputenv(m_name, m_saved)); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    QByteArray m_saved;
};

}  // namespace testsupport
