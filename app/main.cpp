#include <QApplication>

#include "app/command_line.h"
#include "app/recorder_app.h"
#include "resources/language.h"

int main(int argc, char** argv)
{
    // --help, --version and wrong options are answered without a display.
    int exitCode = 0;
    const std::optional<CommandLine> line = ReadCommandLine(argc, argv, exitCode);
    if (!line)
        return exitCode;

    QApplication qapp(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("tessaly"));
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    resources::InstallTranslations(resources::SystemLanguage());

    RecorderApp app(line->paths);
    return app.InitInstance();
}
