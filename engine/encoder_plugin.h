#pragma once
// The MP3 encoder plug-in, bound at run time. The program works without it:
// when the library is missing, or lacks one of the six functions every use
// needs, MP3 is simply unavailable and saving writes WAVE files.

#include <QString>

#include "mpeg_encoder/mpeg_encoder.h"

class EncoderPlugin {
public:
    static constexpr const char* kLibraryName = "libmpeg_encoder.so";

    EncoderPlugin() = default;
    ~EncoderPlugin();
    EncoderPlugin(const EncoderPlugin&) = delete;
    EncoderPlugin& operator=(const EncoderPlugin&) = delete;

    // Binds the plug-in. A copy that is already loaded in the process is used
    // as it stands; otherwise the library is loaded from `folder` (the
    // program's folder) or, failing that, from the system's library path.
    void LoadEncoder(const QString& folder);
    // Unloads the library when LoadEncoder loaded it; a copy that was already
    // there stays loaded for whoever loaded it.
    void Release();

    bool IsAvailable() const { return m_encoderModule != nullptr; }
    bool LoadedHere() const { return m_encoderLoadedHere; }
    bool HasWriteInfoTag() const { return beWriteInfoTag != nullptr; }

    // Set while the plug-in is bound; beWriteInfoTag may be absent.
    BeInitStreamFunction beInitStream = nullptr;
    BeEncodeChunkFunction beEncodeChunk = nullptr;
    BeDeinitStreamFunction beDeinitStream = nullptr;
    BeCloseStreamFunction beCloseStream = nullptr;
    BeVersionFunction beVersion = nullptr;
    BeWriteVBRHeaderFunction beWriteVBRHeader = nullptr;
    BeWriteInfoTagFunction beWriteInfoTag = nullptr;

private:
    void ForgetFunctions();

    void* m_encoderModule = nullptr;
    bool m_encoderLoadedHere = false;
};
