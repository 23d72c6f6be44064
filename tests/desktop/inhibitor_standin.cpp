// Stands in for the inhibitors of a desktop on the test bus: logind's
// manager and the session's idle inhibitor. Every inhibition taken and let go
// is appended to the log file as one line, so a test sees what the program
// asked for:  take <service> <what> <who> <why>  /  release <service> <why>
//
//   inhibitor_standin LOG [logind|logind-refuses] [screensaver]
//
// Prints "ready" once its names are taken.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusUnixFileDescriptor>
#include <QFile>
#include <QHash>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

namespace {

QString g_logPath;
bool g_logindRefuses = false;

void Log(const QString& line)
{
    QFile file(g_logPath);
    if (file.open(QIODevice::Append | QIODevice::Text))
        file.write((line + QLatin1Char('\n')).toUtf8());
}

// logind hands out one end of a pipe and lets go when every copy is closed.
class LogindManager : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why, const QString& mode)
    {
        if (g_logindRefuses) {
            Log(QStringLiteral("refuse logind %1").arg(why));
            sendErrorReply(QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"), QStringLiteral("not allowed"));
            return {};
        }
        int ends[2];
        if (pipe(ends) != 0)
            return {};
        Log(QStringLiteral("take logind %1 %2 %3 %4").arg(what, who, why, mode));
        auto* watch = new QSocketNotifier(ends[0], QSocketNotifier::Read, this);
        connect(watch, &QSocketNotifier::activated, this, [watch, why, fd = ends[0]] {
            char byte;
            if (read(fd, &byte, 1) > 0)
                return;
            Log(QStringLiteral("release logind %1").arg(why));
            watch->setEnabled(false);
            watch->deleteLater();
            close(fd);
        });
        QDBusUnixFileDescriptor handed(ends[1]);  // a copy travels with the reply
        close(ends[1]);
        return handed;
    }
};

class ScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public slots:
    uint Inhibit(const QString& application, const QString& reason)
    {
        Log(QStringLiteral("take screensaver %1 %2").arg(application, reason));
        m_reasons.insert(++m_cookie, reason);
        return m_cookie;
    }
    void UnInhibit(uint cookie) { Log(QStringLiteral("release screensaver %1").arg(m_reasons.take(cookie))); }

private:
    uint m_cookie = 0;
    QHash<uint, QString> m_reasons;
};

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    g_logPath = args.value(0);
    // Without the bus nothing can be offered, and the start fails below.
    QDBusConnection bus = QDBusConnection::sessionBus();
    const auto offer = [&](const QString& service, const QString& path, QObject* object) {
        return bus.registerObject(path, object, QDBusConnection::ExportAllSlots) && bus.registerService(service);
    };
    for (const QString& what : args.mid(1)) {
        bool ok = true;
        g_logindRefuses = g_logindRefuses || what == QLatin1String("logind-refuses");
        if (what.startsWith(QLatin1String("logind")))
            ok = offer(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                       new LogindManager);
        else if (what == QLatin1String("screensaver"))
            ok = offer(QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver"),
                       new ScreenSaver);
        if (!ok)
            return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}

#include "inhibitor_standin.moc"
