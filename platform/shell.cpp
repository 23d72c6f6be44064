#include "platform/shell.h"

#include <QProcess>
#include <QStandardPaths>

namespace platform {
namespace {

// ShellExecute's "no application is associated" result: what the link
// label reports when there is nothing to open an address with.
constexpr int kNoAssociation = 31;
constexpr int kOpened = 33;

class DesktopShell final : public Shell {
public:
    int OpenUrl(const QString& url) override
    {
        // xdg-open may run the browser in the foreground for as long as it
        // is open: it is started detached and never waited for, so only a
        // failure to start it can be reported.
        const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
        if (opener.isEmpty() || !QProcess::startDetached(opener, {url}))
            return kNoAssociation;
        return kOpened;
    }

    bool StartProgram(const QString& program, const QStringList& arguments) override
    {
        return QProcess::startDetached(program, arguments);
    }
};

DesktopShell desktopShell;
Shell* current = nullptr;

}  // namespace

Shell& CurrentShell() { return current ? *current : desktopShell; }
void SetShellForTesting(Shell* replacement) { current = replacement; }

}  // namespace platform
