#include <QApplication>

#include "app/recorder_app.h"
#include "resources/language.h"

int main(int argc, char** argv)
{
    QApplication qapp(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("tessaly"));
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    resources::InstallTranslations(resources::SystemLanguage());

    RecorderApp app;
    return app.InitInstance();
}
