#include <QApplication>

#include "app/recorder_app.h"

int main(int argc, char** argv)
{
    QApplication qapp(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("tessaly"));
    QApplication::setApplicationName(QStringLiteral("Quillon"));

    RecorderApp app;
    return app.InitInstance();
}
