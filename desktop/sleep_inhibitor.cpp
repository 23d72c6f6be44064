#include "desktop/sleep_inhibitor.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>
#include <utility>

#include "desktop/desktop_log.h"

namespace desktop {

namespace {

const QString kApplication = QStringLiteral("Quillon");

// A hung service must not hold a recording's inhibition hostage for long.
constexpr int kCallTimeoutMs = 5000;

// The portal's flags: suspend (4) and idle (8).
constexpr uint kPortalSuspendAndIdle = 4 | 8;

}  // namespace

SleepInhibitor::SleepInhibitor(QString why, QObject* parent)
    : QObject(parent)
    , m_why(std::move(why))
{
}

SleepInhibitor::~SleepInhibitor()
{
    m_wanted = false;
    Release();
}

void SleepInhibitor::SetActive(bool active)
{
    if (active == m_wanted)
        return;
    m_wanted = active;
    if (m_asking)
        return;  // the answer decides
    if (active)
        AskAfter(Via::None);
    else
        Release();
}

void SleepInhibitor::AskAfter(Via previous)
{
    Via next = Via::None;
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusMessage call;
    switch (previous) {
    case Via::None:
        next = Via::Logind;
        bus = QDBusConnection::systemBus();
        call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
        call << QStringLiteral("sleep:idle") << kApplication << m_why << QStringLiteral("block");
        break;
    case Via::Logind:
        next = Via::ScreenSaver;
        call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.ScreenSaver"),
                                              QStringLiteral("/org/freedesktop/ScreenSaver"),
                                              QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("Inhibit"));
        call << kApplication << m_why;
        break;
    case Via::ScreenSaver:
        next = Via::Portal;
        call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.portal.Desktop"), QStringLiteral("/org/freedesktop/portal/desktop"),
            QStringLiteral("org.freedesktop.portal.Inhibit"), QStringLiteral("Inhibit"));
        call << QString() << kPortalSuspendAndIdle << QVariantMap{{QStringLiteral("reason"), m_why}};
        break;
    case Via::Portal:
        if (!m_reportedNone)
            qCInfo(lcDesktop) << "no inhibitor answered: the session may sleep while" << m_why;
        m_reportedNone = true;
        return;
    }
    if (!bus.isConnected()) {
        qCDebug(lcDesktop) << "inhibitor" << int(next) << "skipped:" << bus.lastError().message();
        AskAfter(next);
        return;
    }
    m_asking = true;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, next](QDBusPendingCallWatcher* w) { OnAnswer(next, w); });
}

void SleepInhibitor::OnAnswer(Via via, QDBusPendingCallWatcher* watcher)
{
    watcher->deleteLater();
    m_asking = false;
    const QDBusMessage reply = watcher->reply();
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        qCDebug(lcDesktop) << "inhibitor" << reply.service() << "refused:" << reply.errorName() << reply.errorMessage();
        if (m_wanted)
            AskAfter(via);
        return;
    }
    const QVariant answer = reply.arguments().constFirst();
    switch (via) {
    case Via::Logind:
        m_logindFd = qdbus_cast<QDBusUnixFileDescriptor>(answer);
        break;
    case Via::ScreenSaver:
        m_screenSaverCookie = answer.toUInt();
        break;
    case Via::Portal:
        m_portalRequest = qdbus_cast<QDBusObjectPath>(answer);
        break;
    case Via::None:
        break;
    }
    m_via = via;
    qCDebug(lcDesktop) << "inhibition held through" << int(via) << "for" << m_why;
    emit HeldChanged(true);
    if (!m_wanted)
        Release();
}

void SleepInhibitor::Release()
{
    const Via via = std::exchange(m_via, Via::None);
    switch (via) {
    case Via::None:
        return;
    case Via::Logind:
        // logind lets go when the last copy of its descriptor closes.
        m_logindFd = QDBusUnixFileDescriptor();
        break;
    case Via::ScreenSaver:
        QDBusConnection::sessionBus().send(
            QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.ScreenSaver"),
                                           QStringLiteral("/org/freedesktop/ScreenSaver"),
                                           QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("UnInhibit"))
            << m_screenSaverCookie);
        break;
    case Via::Portal:
        QDBusConnection::sessionBus().send(
            QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.portal.Desktop"), m_portalRequest.path(),
                                           QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Close")));
        break;
    }
    qCDebug(lcDesktop) << "inhibition released for" << m_why;
    emit HeldChanged(false);
}

}  // namespace desktop
