#include "app/first_run.h"

#include <QSettings>
#include <QStandardPaths>

FirstRunMarker::FirstRunMarker()
    : m_path(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
             QStringLiteral("/tessaly/system.ini"))
{
}

FirstRunMarker::FirstRunMarker(QString iniPath)
    : m_path(std::move(iniPath))
{
}

bool FirstRunMarker::takeFirstRun()
{
    QSettings ini(m_path, QSettings::IniFormat);
    const QString value = ini.value(QStringLiteral("Quillon/INST"), QStringLiteral("not_installed")).toString();
    if (value != QLatin1String("not_installed"))
        return false;
    ini.setValue(QStringLiteral("Quillon/INST"), QStringLiteral("Installed"));
    ini.sync();
    return true;
}
