#pragma once
// A file written beside its target and renamed over it only when complete.
// Until Commit the target keeps what it had (or stays absent); a write that
// fails or is abandoned leaves nothing of its own behind.

#include <QFile>
#include <QString>

namespace platform {

class ReplacingFile {
public:
    // `target` may be a link: the file it leads to is the one replaced.
    explicit ReplacingFile(const QString& target);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // False when the target exists but is no plain file or cannot be opened
    // for writing, or when nothing can be created beside it.
    bool Open(QIODevice::OpenMode extraMode = {});
    QFile& file() { return m_file; }
    // Where the bytes go until Commit, for writers that reopen the file by name.
    const QString& writingPath() const { return m_writingPath; }
    // Flushes to the disk and renames over the target; false leaves the target as it was.
    bool Commit();

    // Removes what every unfinished write has put on disk so far, for a
    // process about to end without unwinding to their destructors.
    static void DiscardUnfinished();

private:
    void Discard();

    QString m_target;
    QString m_writingPath;
    QFile m_file;
};

}  // namespace platform
