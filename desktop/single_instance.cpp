#include "desktop/single_instance.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include "desktop/desktop_log.h"

namespace desktop {

namespace {

// A window that is busy with a modal dialog still answers from its event
// loop; one that does not answer within this is taken for hung.
constexpr int kHandOverTimeoutMs = 10000;

}  // namespace

SingleInstance::SingleInstance(QObject* parent)
    : QObject(parent)
{
}

SingleInstance::~SingleInstance()
{
    if (!m_registered)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(QString::fromLatin1(kServiceName));
    bus.unregisterObject(QString::fromLatin1(kObjectPath));
}

SingleInstance::Role SingleInstance::Start(const QStringList& paths)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        qCInfo(lcDesktop) << "no session bus:" << bus.lastError().message();
        return Role::Alone;
    }
    const QString service = QString::fromLatin1(kServiceName);
    const QString path = QString::fromLatin1(kObjectPath);
    // The object stands before the name is taken, so that no call finds
    // the name without it.
    if (bus.registerObject(path, this, QDBusConnection::ExportScriptableSlots)) {
        const auto reply = bus.interface()->registerService(service, QDBusConnectionInterface::DontQueueService,
                                                            QDBusConnectionInterface::DontAllowReplacement);
        if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
            m_registered = true;
            return Role::First;
        }
        bus.unregisterObject(path);
    }

    QDBusMessage call =
        QDBusMessage::createMethodCall(service, path, QString::fromLatin1(kServiceName), QStringLiteral("Open"));
    call << paths;
    const QDBusMessage answer = bus.call(call, QDBus::Block, kHandOverTimeoutMs);
    if (answer.type() == QDBusMessage::ReplyMessage)
        return Role::HandedOver;
    qCWarning(lcDesktop) << "the running window did not take the files:" << answer.errorName() << answer.errorMessage();
    return Role::Alone;
}

void SingleInstance::Open(const QStringList& paths) { emit FilesReceived(paths); }

}  // namespace desktop
