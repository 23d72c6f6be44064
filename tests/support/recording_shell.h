#pragma once
// The shell the tests put in place of the desktop's.

#include <QStringList>

#include "platform/shell.h"

namespace testsupport {

// A shell that opens nothing, remembers what it was asked to open and is the
// program's shell for as long as it lives, so a failing test cannot leave
// the global pointing at a dead object.
class ScopedRecordingShell : public platform::Shell {
public:
    ScopedRecordingShell() { platform::SetShellForTesting(this); }
    ~ScopedRecordingShell() override { platform::SetShellForTesting(nullptr); }
    int OpenUrl(const QString& url) override
    {
        opened.append(url);
        return result;
    }
    bool StartProgram(const QString& program, const QStringList& arguments) override
    {
        started.append(program + ' ' + arguments.join(' '));
        return true;
    }
    QStringList opened;
    QStringList started;
    int result = 33;
};

}  // namespace testsupport
