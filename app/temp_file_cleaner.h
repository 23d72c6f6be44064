#pragma once
// Start-up clean-up of the temporary recording files of earlier runs.
// A run that crashed leaves its WAVE file behind: that is a recording, so it
// is salvaged, never deleted; one that cannot be repaired is kept as it is.
// Files another running instance holds are left alone.

#include <QDateTime>
#include <QFile>
#include <QString>
#include <QStringList>

class TempFileCleaner {
public:
    // `tempFolder`: where the temporary files live; `recordFolder`: where
    // salvaged recordings go when it exists; `fallbackFolder`: where they go
    // otherwise (created on demand).
    TempFileCleaner(QString tempFolder, QString recordFolder, QString fallbackFolder);

    // Leftover "quillon_temp_*.wav" files (exactly this case) that hold audio
    // are repaired and moved as "<clock> recovered.wav", or untouched as
    // "<clock> damaged.wav" when their header or the repair fails; files with
    // nothing after the header and every leftover "quillon_temp_*.mp3" are
    // deleted. Unfinished files of saves that were killed are removed from
    // the record folder.
    void CleanTempFiles();

    // Paths of the recordings salvaged by CleanTempFiles (damaged ones
    // included), in the order found.
    const QStringList& SalvagedFiles() const { return m_salvaged; }

    // ~/.local/share/tessaly/Quillon/recovered
    static QString DefaultRecoveryFolder();

private:
    void Salvage(const QString& path, QFile& file);
    QString TargetPathFor(const QDateTime& when, const QString& what) const;

    QString m_tempFolder;
    QString m_recordFolder;
    QString m_fallbackFolder;
    QStringList m_salvaged;
};

// Makes the size fields of an open WAVE file with our 44-byte header match
// its length, dropping a trailing partial frame. False, with the file
// untouched, when it does not start with such a header, holds no whole frame
// or more than the header can describe; false also when a write fails.
bool RepairWaveFile(QFile& file);
