#include "settings/settings_store.h"

#include "settings/raw_ini_value.h"
#include "settings/settings_log.h"

const std::array<const char*, kFolderHistorySlots> kFolderHistoryKeys = {
    "CurDirImageFromFile", "CurDirAddFiles",    "CurDirAddDir",      "CurDirSaveZla",     "CurDirEditZla",
    "CurDirAudioForZla",   "CurDirImageForZla", "CurDirExportAudio", "CurDirUploadFiles",
};

const std::array<const char*, kFolderHistorySlots> kFolderHistoryWriteOrder = {
    "CurDirImageFromFile", "CurDirAddFiles",    "CurDirSaveZla", "CurDirEditZla",     "CurDirAudioForZla",
    "CurDirImageForZla",   "CurDirExportAudio", "CurDirAddDir",  "CurDirUploadFiles",
};

namespace {
// Folder slots hold at most 259 characters plus the terminating zero.
constexpr int kMaxFolderLength = 259;
}  // namespace

QString withoutTrailingSeparators(QString folder)
{
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

SettingsStore::SettingsStore()
    : m_settings(new QSettings(QStringLiteral("tessaly"), QStringLiteral("Quillon")))
    , m_owned(true)
{
}

SettingsStore::SettingsStore(QSettings* settings)
    : m_settings(settings)
    , m_owned(false)
{
}

SettingsStore::~SettingsStore()
{
    if (m_owned)
        delete m_settings;
}

int SettingsStore::readInt(const QString& key, int fallback)
{
    const QVariant v = m_settings->value(key);
    if (!v.isValid())
        return fallback;
    bool ok = false;
    const int n = v.toInt(&ok);
    return ok ? n : fallback;
}

QString SettingsStore::readString(const QString& key, const QString& fallback)
{
    const QVariant v = m_settings->value(key);
    return v.isValid() ? v.toString() : fallback;
}

RecorderSettings SettingsStore::readSettings()
{
    RecorderSettings s;
    m_settings->beginGroup(QStringLiteral("Settings"));
    s.encodeMethod = readInt(QStringLiteral("EncodeMethod"), 0) & 1;
    s.recordFolder = withoutTrailingSeparators(readString(QStringLiteral("RecordFolder"), QString()));
    s.showRightPanel = readInt(QStringLiteral("ShowRightPanel"), 1) != 0;
    s.recordQuality = readInt(QStringLiteral("RecordQuality"), 9) & 15;
    s.askForRenaming = readInt(QStringLiteral("AskForRenaming"), 0) != 0;
    s.loopPlaying = readInt(QStringLiteral("LooplyPlaying"), 0) != 0;
    m_settings->endGroup();

    // QSettings drops the bytes of a value that are no UTF-8; the file still
    // has them once nothing of ours waits to be written over them.
    m_settings->sync();
    const QByteArray raw = readRawIniValue(m_settings->fileName(), "Settings", "RecordFolder");
    m_keptFolderBytes.clear();
    if (!raw.isNull() && !QUtf8StringView(raw).isValidUtf8()) {
        m_keptFolderBytes = raw;
        s.recordFolder = withoutTrailingSeparators(QString::fromUtf8(raw));
        s.recordFolderIntact = false;
    }
    m_readFolder = s.recordFolder;
    return s;
}

void SettingsStore::writeSettings(const InputHistory& history, const RecorderSettings& s)
{
    m_settings->beginGroup(QStringLiteral("History"));
    m_settings->setValue(QStringLiteral("OfflineRecDev"), history.device);
    m_settings->setValue(QStringLiteral("OfflineRecFmt"), history.format);
    m_settings->endGroup();

    m_settings->beginGroup(QStringLiteral("Settings"));
    m_settings->setValue(QStringLiteral("ShowRightPanel"), s.showRightPanel ? 1 : 0);
    m_settings->setValue(QStringLiteral("EncodeMethod"), s.encodeMethod);
    m_settings->setValue(QStringLiteral("RecordFolder"), s.recordFolder);
    m_settings->setValue(QStringLiteral("RecordQuality"), s.recordQuality);
    m_settings->setValue(QStringLiteral("AskForRenaming"), s.askForRenaming ? 1 : 0);
    m_settings->setValue(QStringLiteral("LooplyPlaying"), s.loopPlaying ? 1 : 0);
    m_settings->endGroup();
    if (s.recordFolder != m_readFolder)
        m_keptFolderBytes.clear();
    sync();
}

InputHistory SettingsStore::readInputHistory()
{
    InputHistory h;
    m_settings->beginGroup(QStringLiteral("History"));
    h.device = readInt(QStringLiteral("OfflineRecDev"), 0);
    h.format = readInt(QStringLiteral("OfflineRecFmt"), 9);
    m_settings->endGroup();
    return h;
}

FolderHistory SettingsStore::readFolderHistory(const QString& defaultFolder)
{
    FolderHistory h;
    m_settings->beginGroup(QStringLiteral("History"));
    for (int i = 0; i < kFolderHistorySlots; ++i)
        h[i] = readString(QString::fromLatin1(kFolderHistoryKeys[i]), defaultFolder).left(kMaxFolderLength);
    m_settings->endGroup();
    return h;
}

void SettingsStore::writeFolderHistory(const FolderHistory& history)
{
    m_settings->beginGroup(QStringLiteral("History"));
    for (const char* key : kFolderHistoryWriteOrder) {
        int slot = 0;
        while (qstrcmp(kFolderHistoryKeys[slot], key) != 0)
            ++slot;
        m_settings->setValue(QString::fromLatin1(key), history[slot]);
    }
    m_settings->endGroup();
    sync();
}

QString SettingsStore::readHistoryString(const QString& key, const QString& fallback)
{
    m_settings->beginGroup(QStringLiteral("History"));
    const QString v = readString(key, fallback);
    m_settings->endGroup();
    return v;
}

void SettingsStore::writeHistoryString(const QString& key, const QString& value)
{
    m_settings->beginGroup(QStringLiteral("History"));
    m_settings->setValue(key, value);
    m_settings->endGroup();
    sync();
}

int SettingsStore::readHistoryInt(const QString& key, int fallback)
{
    m_settings->beginGroup(QStringLiteral("History"));
    const int v = readInt(key, fallback);
    m_settings->endGroup();
    return v;
}

void SettingsStore::writeHistoryInt(const QString& key, int value)
{
    m_settings->beginGroup(QStringLiteral("History"));
    m_settings->setValue(key, value);
    m_settings->endGroup();
    sync();
}

void SettingsStore::sync()
{
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError)
        qCWarning(lcSettings) << "cannot store the settings in" << m_settings->fileName() << "status"
                              << m_settings->status();
    // QSettings writes the whole file from what it could read.
    if (!m_keptFolderBytes.isNull())
        writeRawIniValue(m_settings->fileName(), "Settings", "RecordFolder", m_keptFolderBytes);
}
