#pragma once
// Start-up clean-up of the temporary recording files of earlier runs.
// A run that crashed leaves its WAVE file behind: that is a recording, so it
// is salvaged, not deleted. Files another running instance holds are left alone.

#include <QDateTime>
#include <QString>
#include <QStringList>

class TempFileCleaner {
public:
    // `tempFolder`: where the temporary files live; `recordFolder`: where
    // salvaged recordings go when it exists; `fallbackFolder`: where they go
    // otherwise (created on demand).
    TempFileCleaner(QString tempFolder, QString recordFolder, QString fallbackFolder);

    // Salvages leftover "quillon_temp_*.wav" files that hold audio, deletes
    // the empty ones and every leftover "quillon_temp_*.mp3".
    void CleanTempFiles();

    // Paths of the recordings salvaged by CleanTempFiles, in the order found.
    const QStringList& salvagedFiles() const { return m_salvaged; }

    // ~/.local/share/tessaly/Quillon/recovered
    static QString defaultRecoveryFolder();

private:
    enum class Salvage { Salvaged, NoAudio, Failed };
    Salvage salvage(const QString& path);
    QString targetPathFor(const QDateTime& when) const;

    QString m_tempFolder;
    QString m_recordFolder;
    QString m_fallbackFolder;
    QStringList m_salvaged;
};

// Makes the size fields of a WAVE file with our 44-byte header match its
// length, dropping a trailing partial frame. False when the file does not
// start with such a header or holds no audio.
bool repairWaveFile(const QString& path);
