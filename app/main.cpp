#include <QApplication>

#include "app/recorder_app.h"
#include "resources/qt_translations.h"

int main(int argc, char** argv)
{
    QApplication qapp(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("tessaly"));
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    resources::InstallQtTranslations();

    RecorderApp app;
    return app.InitInstance();
}
