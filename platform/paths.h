#pragma once
// Where things live on this platform.

#include <QString>

namespace platform {

// The temporary folder (honours TMPDIR, /tmp when it names no folder),
// without a trailing separator unless it is the root.
QString TempFolder();
// Where recordings in progress live: a per-user folder that survives a
// reboot ($XDG_STATE_HOME, else ~/.local/state, then tessaly/Quillon),
// created with mode 0700. When it cannot be created or written, the
// temporary folder, and the reason is logged once per process.
QString TakesFolder();
// Folder of the running program (where the encoder plug-in and the list file live).
QString ProgramFolder();
// The user's home folder: the default of the remembered folders.
QString HomeFolder();
// Kernel id of the calling thread; the recorder calls it on the user interface thread.
long CurrentThreadId();
// Joins a folder and a name with exactly one "/" between them.
QString JoinPath(const QString& folder, const QString& name);
// `stem` + `extension`, else the first of `stem` + " 2" + `extension`, " 3" …
// that names nothing yet: a new file never takes an existing one's place.
QString FirstFreeName(const QString& stem, const QString& extension);
// Both paths lead to one file (device and inode), through links or not.
bool IsSameFile(const QString& a, const QString& b);

}  // namespace platform
