#include "engine/encoder_plugin.h"

#include <dlfcn.h>
#include <QFile>
#include <vector>

#include "platform/paths.h"

namespace {

std::vector<QByteArray> CandidateNames(const QString& folder)
{
    std::vector<QByteArray> names;
    if (!folder.isEmpty())
        names.push_back(
            QFile::encodeName(platform::JoinPath(folder, QString::fromLatin1(EncoderPlugin::kLibraryName))));
    // A bare name makes the loader search the system's library path.
    names.push_back(QByteArray(EncoderPlugin::kLibraryName));
    return names;
}

template <typename Function>
Function Resolve(void* module, const char* name)
{
    return reinterpret_cast<Function>(dlsym(module, name));
}

}  // namespace

EncoderPlugin::~EncoderPlugin() { Release(); }

void EncoderPlugin::LoadEncoder(const QString& folder)
{
    Release();
    const std::vector<QByteArray> names = CandidateNames(folder);

    // RTLD_NOLOAD finds a copy that is already loaded (by path or by its
    // soname) without loading anything.
    for (const QByteArray& name : names) {
        if ((m_encoderModule = dlopen(name.constData(), RTLD_NOW | RTLD_NOLOAD)))
            break;
    }
    if (!m_encoderModule) {
        for (const QByteArray& name : names) {
            if ((m_encoderModule = dlopen(name.constData(), RTLD_NOW | RTLD_LOCAL))) {
                m_encoderLoadedHere = true;
                break;
            }
        }
    }
    if (!m_encoderModule)
        return;

    beInitStream = Resolve<BeInitStreamFunction>(m_encoderModule, "beInitStream");
    beEncodeChunk = Resolve<BeEncodeChunkFunction>(m_encoderModule, "beEncodeChunk");
    beDeinitStream = Resolve<BeDeinitStreamFunction>(m_encoderModule, "beDeinitStream");
    beCloseStream = Resolve<BeCloseStreamFunction>(m_encoderModule, "beCloseStream");
    beVersion = Resolve<BeVersionFunction>(m_encoderModule, "beVersion");
    beWriteVBRHeader = Resolve<BeWriteVBRHeaderFunction>(m_encoderModule, "beWriteVBRHeader");
    beWriteInfoTag = Resolve<BeWriteInfoTagFunction>(m_encoderModule, "beWriteInfoTag");

    if (!beInitStream || !beEncodeChunk || !beDeinitStream || !beCloseStream || !beVersion || !beWriteVBRHeader)
        Release();
}

void EncoderPlugin::Release()
{
    // The probe of an already loaded copy took a reference as well; giving it
    // back leaves that copy exactly as loaded as it was before.
    if (m_encoderModule)
        dlclose(m_encoderModule);
    m_encoderModule = nullptr;
    m_encoderLoadedHere = false;
    ForgetFunctions();
}

void EncoderPlugin::ForgetFunctions()
{
    beInitStream = nullptr;
    beEncodeChunk = nullptr;
    beDeinitStream = nullptr;
    beCloseStream = nullptr;
    beVersion = nullptr;
    beWriteVBRHeader = nullptr;
    beWriteInfoTag = nullptr;
}
