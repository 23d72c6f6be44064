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

QString WithoutTrailingSeparators(QString folder)
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

int SettingsStore::ReadInt(const QString& key, int fallback)
{
    const QVariant v = m_settings->value(key);
    if (!v.isValid())
        return fallback;
    bool ok = false;
    const int n = v.toInt(&ok);
    return ok ? n : fallback;
}

QString SettingsStore::ReadString(const QString& key, const QString& fallback)
{
    const QVariant v = m_settings->value(key);
    return v.isValid() ? v.toString() : fallback;
}

RecorderSettings SettingsStore::ReadSettings()
{
    RecorderSettings s;
    m_settings->beginGroup(QStringLiteral("Settings"));
    s.encodeMethod = ReadInt(QStringLiteral("EncodeMethod"), 0) & 1;
    s.recordFolder = WithoutTrailingSeparators(ReadString(QStringLiteral("RecordFolder"), QString()));
    s.showRightPanel = ReadInt(QStringLiteral("ShowRightPanel"), 1) != 0;
    s.recordQuality = ReadInt(QStringLiteral("RecordQuality"), 9) & 15;
    s.askForRenaming = ReadInt(QStringLiteral("AskForRenaming"), 0) != 0;
    s.loopPlaying = ReadInt(QStringLiteral("LooplyPlaying"), 0) != 0;
    m_settings->endGroup();

    // QSettings drops the bytes of a value that are no UTF-8; the file still
    // has them once nothing of ours waits to be written over them.
    m_settings->sync();
    const QByteArray raw = ReadRawIniValue(m_settings->fileName(), "Settings", "RecordFolder");
    m_keptFolderBytes.clear();
    if (!raw.isNull() && !QUtf8StringView(raw).isValidUtf8()) {
        m_keptFolderBytes = raw;
        s.recordFolder = WithoutTrailingSeparators(QString::fromUtf8(raw));
        s.recordFolderIntact = false;
    }
    m_readFolder = s.recordFolder;
    m_folderAsRead = true;
    return s;
}

void SettingsStore::WriteSettings(const InputHistory& history, const RecorderSettings& s)
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
    // Settings are written while the user works: a folder typed for a
    // moment and taken back still gets its stored bytes back.
    m_folderAsRead = s.recordFolder == m_readFolder;
    Sync();
}

InputHistory SettingsStore::ReadInputHistory()
{
    InputHistory h;
    m_settings->beginGroup(QStringLiteral("History"));
    h.device = ReadInt(QStringLiteral("OfflineRecDev"), 0);
    h.format = ReadInt(QStringLiteral("OfflineRecFmt"), 9);
    m_settings->endGroup();
    return h;
}

FolderHistory SettingsStore::ReadFolderHistory(const QString& defaultFolder)
{
    FolderHistory h;
    m_settings->beginGroup(QStringLiteral("History"));
    for (int i = 0; i < kFolderHistorySlots; ++i)
        h[i] = ReadString(QString::fromLatin1(kFolderHistoryKeys[i]), defaultFolder).left(kMaxFolderLength);
    m_settings->endGroup();
    return h;
}

void SettingsStore::WriteFolderHistory(const FolderHistory& history)
{
    m_settings->beginGroup(QStringLiteral("History"));
    for (const char* key : kFolderHistoryWriteOrder) {
        int slot = 0;
        while (qstrcmp(kFolderHistoryKeys[slot], key) != 0)
            ++slot;
        m_settings->setValue(QString::fromLatin1(key), history[slot]);
    }
    m_settings->endGroup();
    Sync();
}

QString SettingsStore::ReadHistoryString(const QString& key, const QString& fallback)
{
    m_settings->beginGroup(QStringLiteral("History"));
    const QString v = ReadString(key, fallback);
    m_settings->endGroup();
    return v;
}

void SettingsStore::WriteHistoryString(const QString& key, const QString& value)
{
    m_settings->beginGroup(QStringLiteral("History"));
    m_settings->setValue(key, value);
    m_settings->endGroup();
    Sync();
}

int SettingsStore::ReadHistoryInt(const QString& key, int fallback)
{
    m_settings->beginGroup(QStringLiteral("History"));
    const int v = ReadInt(key, fallback);
    m_settings->endGroup();
    return v;
}

void SettingsStore::WriteHistoryInt(const QString& key, int value)
{
    m_settings->beginGroup(QStringLiteral("History"));
    m_settings->setValue(key, value);
    m_settings->endGroup();
    Sync();
}

void SettingsStore::Sync()
{
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError)
        qCWarning(lcSettings) << "cannot store the settings in" << m_settings->fileName() << "status"
                              << m_settings->status();
    // QSettings writes the whole file from what it could read.
    if (!m_keptFolderBytes.isNull() && m_folderAsRead)
        WriteRawIniValue(m_settings->fileName(), "Settings", "RecordFolder", m_keptFolderBytes);
}
