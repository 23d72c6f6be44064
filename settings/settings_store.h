#pragma once
// The options and remembered choices, kept in the per-user settings store
// under the sections "Settings" and "History".

#include <array>
#include <QSettings>
#include <QString>

// Section "Settings": the recorder window's options.
struct RecorderSettings {
    int encodeMethod = 0;  // 0 MP3, 1 WAVE
    QString recordFolder;  // no trailing separator
    // False when the stored folder holds bytes that are no text (no UTF-8):
    // recordFolder then shows them as replacement characters and names no
    // folder. Written back unchanged, the stored bytes stay as they were.
    bool recordFolderIntact = true;
    bool showRightPanel = true;
    int recordQuality = 9;  // index into QualityBitrates
    bool askForRenaming = false;
    bool loopPlaying = false;
};

// The recorder's "History" values (the input choice).
struct InputHistory {
    int device = 0;  // "OfflineRecDev"
    int format = 9;  // "OfflineRecFmt"
};

// The nine remembered folders, in slot order.
inline constexpr int kFolderHistorySlots = 9;
using FolderHistory = std::array<QString, kFolderHistorySlots>;
// Their keys, in slot order (slot 1 is the add-files folder, slot 2 the add-directory folder).
extern const std::array<const char*, kFolderHistorySlots> kFolderHistoryKeys;
// The order in which they are written back at exit.
extern const std::array<const char*, kFolderHistorySlots> kFolderHistoryWriteOrder;

// Removes trailing "/" one at a time; the root "/" stays usable as "/".
QString WithoutTrailingSeparators(QString folder);

class SettingsStore {
public:
    // The store of the running program: QSettings("tessaly", "Quillon").
    SettingsStore();
    // A store on a given settings object (tests); not owned.
    explicit SettingsStore(QSettings* settings);
    ~SettingsStore();

    RecorderSettings ReadSettings();
    // Writes the input history first, then the settings, in the documented
    // order. A record folder equal to the one read last is stored as it was
    // read, byte for byte.
    void WriteSettings(const InputHistory& history, const RecorderSettings& settings);

    InputHistory ReadInputHistory();

    // Missing slots default to `defaultFolder` (the user's home folder).
    FolderHistory ReadFolderHistory(const QString& defaultFolder);
    void WriteFolderHistory(const FolderHistory& history);

    // Any other "History" string or integer (the playlist's and the mail
    // dialog's keys); written at once.
    QString ReadHistoryString(const QString& key, const QString& fallback);
    void WriteHistoryString(const QString& key, const QString& value);
    int ReadHistoryInt(const QString& key, int fallback);
    void WriteHistoryInt(const QString& key, int value);

    // Writes what changed to the file.
    void Sync();

private:
    int ReadInt(const QString& key, int fallback);
    QString ReadString(const QString& key, const QString& fallback);

    QSettings* m_settings;
    bool m_owned;
    // The record folder as read, and its stored bytes while QSettings cannot
    // carry them: every write of the file puts them back.
    QString m_readFolder;
    QByteArray m_keptFolderBytes;
    bool m_folderAsRead = true;
};
