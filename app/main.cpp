#include <QApplication>
#include <csignal>

#include "app/recorder_app.h"

int main(int argc, char** argv)
{
    // A full disk or a file-size limit must fail a write, not end the process.
    std::signal(SIGXFSZ, SIG_IGN);

    QApplication qapp(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("tessaly"));
    QApplication::setApplicationName(QStringLiteral("Quillon"));

    RecorderApp app;
    return app.InitInstance();
}
