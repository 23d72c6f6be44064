#pragma once
// A shell that opens nothing and remembers what it was asked to open.

#include <QStringList>

#include "platform/shell.h"

namespace testsupport {

class RecordingShell : public platform::Shell {
public:
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

// A recording shell that is the program's shell for as long as it lives, so
// a failing test cannot leave the global pointing at a dead object.
class ScopedRecordingShell : public RecordingShell {
public:
    ScopedRecordingShell() { platform::SetShellForTesting(this); }
    ~ScopedRecordingShell() override { platform::SetShellForTesting(nullptr); }
};

}  // namespace testsupport
