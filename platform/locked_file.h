#pragma once
// Files that other instances of the program must leave alone while they are
// open: created with mode 0600, never through a symbolic link, and held under
// an advisory lock for as long as they are open.

#include <QFile>
#include <QString>

namespace platform {

// Creates `path` anew (truncated), exclusively, mode 0600, and locks it.
// A leftover at the name that nobody holds is replaced; one that another
// process holds, a symbolic link or anything but a regular file makes it fail.
// On success `file` is open for reading and writing, plus `extraMode`
// (QIODevice::Unbuffered for a file whose every write must reach the kernel).
bool createLockedFile(const QString& path, QFile& file,
                      QIODevice::OpenMode extraMode = QIODevice::NotOpen);

// True when another open file holds the advisory lock of `path`.
bool isLockedElsewhere(const QString& path);

}  // namespace platform
