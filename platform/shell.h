#pragma once
// Opening addresses and starting programs, behind an interface that tests
// replace so that no browser or mail program is ever started by a test.

#include <QString>
#include <QStringList>

namespace platform {

class Shell {
public:
    virtual ~Shell() = default;
    // Opens a web or "mailto:" address with the desktop's handler, without
    // waiting for it. Returns a code with the meaning of ShellExecute's
    // result: above 32 is success (the handler started), 31 no handler could
    // be started for the address.
    virtual int OpenUrl(const QString& url) = 0;
    // Starts a program detached; false when it could not be started.
    virtual bool StartProgram(const QString& program, const QStringList& arguments) = 0;
};

// The process-wide shell: the desktop's unless a test installed another.
Shell& CurrentShell();
// Installs a shell for tests (nullptr restores the desktop's); not owned.
void SetShellForTesting(Shell* replacement);

}  // namespace platform
