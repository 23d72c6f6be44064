#pragma once
// A file written beside its target and renamed over it only when complete.
// Until Commit the target keeps what it had (or stays absent); a write that
// fails or is abandoned leaves nothing of its own behind. While it is being
// written the file is held under an advisory lock, so that the start-up
// clean-up of another instance can tell a live write from one that was
// killed and left its file behind.

#include <QFile>
#include <QString>

namespace platform {

class ReplacingFile {
public:
    // `target` may be a link: the file it leads to is the one replaced.
    explicit ReplacingFile(const QString& target);
    // A new file that replaces nothing: Commit gives it the first of
    // `stem` + `extension`, `stem` + " 2" + `extension`, " 3" … that is free
    // at that moment, so that a name another writer took meanwhile stays its.
    ReplacingFile(const QString& stem, const QString& extension);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // False when the target exists but is no plain file or cannot be opened
    // for writing, or when nothing can be created beside it.
    bool Open(QIODevice::OpenMode extraMode = {});
    QFile& File() { return m_file; }
    // Where the bytes go until Commit, for writers that reopen the file by name.
    const QString& WritingPath() const { return m_writingPath; }
    // Flushes to the disk and renames over the target, or for a new file
    // onto the first free name; false leaves the target as it was.
    bool Commit();
    // The name the file has after Commit: the target as given, or the
    // numbered name a new file took.
    const QString& CommittedPath() const { return m_committedPath; }

    // Removes what every unfinished write has put on disk so far, for a
    // process about to end without unwinding to their destructors.
    static void DiscardUnfinished();
    // Removes the unfinished files in `folder` that no live writer holds:
    // those of a process that was killed while writing.
    static void RemoveAbandoned(const QString& folder);

private:
    void Discard();
    bool ClaimFreeName(const QByteArray& from);

    QString m_target;
    QString m_stem, m_extension;  // set for a new file only
    QString m_committedPath;
    QString m_writingPath;
    QFile m_file;
};

}  // namespace platform
