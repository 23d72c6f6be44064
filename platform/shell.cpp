#include "platform/shell.h"

#include <QProcess>
#include <QStandardPaths>

namespace platform {
namespace {

// xdg-open's exit codes (xdg-utils): 0 success, 1 syntax error, 2 file not
// found, 3 a required tool is missing, 4 the action failed. They become the
// ShellExecute codes the callers already know how to report.
int shellCodeForXdgExit(int exitCode)
{
    switch (exitCode) {
    case 0: return 33;
    case 2: return 2;  // ERROR_FILE_NOT_FOUND
    case 3: return 31; // SE_ERR_NOASSOC
    case 4: return 31;
    default: return 0;
    }
}

class DesktopShell final : public Shell {
public:
    int openUrl(const QString& url) override
    {
        const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
        if (opener.isEmpty())
            return 31;
        // On the heap: a handler that runs the browser in the foreground must
        // outlive this call, and a QProcess on the stack would kill it.
        auto* p = new QProcess;
        QObject::connect(p, &QProcess::finished, p, &QObject::deleteLater);
        p->start(opener, {url});
        if (!p->waitForStarted(2000)) {
            delete p;
            return 31;
        }
        // Still busy after two seconds: it found something to open the address with.
        if (!p->waitForFinished(2000))
            return 33;
        const int code = p->exitStatus() == QProcess::NormalExit ? p->exitCode() : 4;
        p->deleteLater();
        return shellCodeForXdgExit(code);
    }

    bool startProgram(const QString& program, const QStringList& arguments) override
    {
        return QProcess::startDetached(program, arguments);
    }
};

DesktopShell desktopShell;
Shell* current = nullptr;

}  // namespace

Shell& shell() { return current ? *current : desktopShell; }
void setShellForTesting(Shell* replacement) { current = replacement; }

}  // namespace platform
