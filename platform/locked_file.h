#pragma once
// Files that other instances of the program must leave alone while they are
// open: created with mode 0600, never through a symbolic link, and held under
// an advisory lock for as long as they are open.
//
// A file gets its name only once it is locked, and a name is removed or moved
// only by whoever holds the lock of the file behind it. So a running
// instance's file is never taken by another instance's clean-up, whatever the
// timing, and a creator never replaces what is already at a name.

#include <QFile>
#include <QString>

namespace platform {

// Creates a new locked file at `path`, or, when something is already there,
// at the first free one of "<name>-2<ext>", "<name>-3<ext>" ... beside it.
// Returns the path it got, empty on failure. On success `file` is open for
// reading and writing, plus `extraMode` (QIODevice::Unbuffered for a file
// whose every write must reach the kernel).
QString CreateLockedFile(const QString& path, QFile& file, QIODevice::OpenMode extraMode = QIODevice::NotOpen);

// Opens the regular file at `path` for reading and writing and takes its
// lock. False when another open file holds the lock, when the name is a
// symbolic link or not a regular file, or when it changed meanwhile.
bool LockExistingFile(const QString& path, QFile& file);

// Removes `path` if it still names the file open (and locked) in `file`;
// the file stays open.
bool RemoveLockedFile(const QString& path, const QFile& file);

// Moves the locked file open in `file` from `path` to `target`, never
// replacing a file there; copies and removes the original across file
// systems. The bytes are not changed.
bool MoveLockedFile(const QString& path, QFile& file, const QString& target);

// True when another open file holds the advisory lock of `path`.
bool IsLockedElsewhere(const QString& path);

}  // namespace platform
