#include "app/first_run.h"

#include <QSettings>
#include <QStandardPaths>

#include "app/app_log.h"

FirstRunMarker::FirstRunMarker()
    : m_path(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
             QStringLiteral("/tessaly/system.ini"))
{
}

FirstRunMarker::FirstRunMarker(QString iniPath)
    : m_path(std::move(iniPath))
{
}

bool FirstRunMarker::TakeFirstRun()
{
    QSettings ini(m_path, QSettings::IniFormat);
    const QString value = ini.value(QStringLiteral("Quillon/INST"), QStringLiteral("not_installed")).toString();
    if (value != QLatin1String("not_installed"))
        return false;
    ini.setValue(QStringLiteral("Quillon/INST"), QStringLiteral("Installed"));
    ini.sync();
    if (ini.status() != QSettings::NoError)
        qCWarning(lcApp) << "cannot mark the first run in" << m_path << "; the next start counts as first again";
    return true;
}
