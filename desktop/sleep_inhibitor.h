#pragma once
// Keeps the session from suspending or going idle while it is active.
//
// Asks logind first (system bus, "sleep:idle"), then the session's idle
// inhibitor (org.freedesktop.ScreenSaver), then the desktop portal. A service
// that is missing or refuses passes the request on; with none answering the
// program simply runs without one. Calls are asynchronous: the window never
// waits for a bus.

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QString>

class QDBusPendingCallWatcher;

namespace desktop {

class SleepInhibitor : public QObject {
    Q_OBJECT
public:
    // `why` is shown by the desktop beside the inhibition.
    explicit SleepInhibitor(QString why, QObject* parent = nullptr);
    // Lets go of a held inhibition.
    ~SleepInhibitor() override;

    void SetActive(bool active);
    bool IsActive() const { return m_wanted; }
    // An inhibitor granted the request and it is held now.
    bool IsHeld() const { return m_via != Via::None; }

signals:
    // Held or let go (for tests and logs).
    void HeldChanged(bool held);

private:
    enum class Via { None, Logind, ScreenSaver, Portal };

    // Asks the service after `previous`, or gives up after the last.
    void AskAfter(Via previous);
    void OnAnswer(Via via, QDBusPendingCallWatcher* watcher);
    void Release();

    QString m_why;
    bool m_wanted = false;
    bool m_asking = false;
    Via m_via = Via::None;
    QDBusUnixFileDescriptor m_logindFd;
    uint m_screenSaverCookie = 0;
    QDBusObjectPath m_portalRequest;
    bool m_reportedNone = false;
};

}  // namespace desktop
