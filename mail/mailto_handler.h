#pragma once
// The program the desktop opens mail links with, found the way xdg-email
// finds it: the default application of x-scheme-handler/mailto (xdg-mime),
// the first word of its desktop entry's Exec line, looked up on PATH and
// followed through symbolic links.

#include <QString>

namespace mail {

// The desktop entry's file name ("thunderbird.desktop"), or empty when no
// handler is registered or xdg-mime cannot be asked.
QString MailtoHandlerEntry();

// The program the entry `entry` runs, as a canonical path; empty when the
// entry or its program cannot be found.
QString ProgramOfDesktopEntry(const QString& entry);

// The handler's program when it is Thunderbird (or Debian's Icedove), which
// xdg-email would start with "-compose"; empty otherwise, and whenever
// $MAILER is set, since xdg-email then runs that instead.
QString ThunderbirdMailtoHandler();

}  // namespace mail
