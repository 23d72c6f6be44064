#pragma once
// The mail sender of the send-mail dialog: loaded while the dialog opens,
// one log-on, send and log-off per press of Send, unloaded when it closes.
// A failed send keeps the session for the next try.

#include <memory>

#include <QString>
#include <QStringList>

#include "mail/mail_hand_over.h"
#include "mail/mapi_codes.h"

class QWidget;

namespace mail {

class MapiSession {
public:
    // Without a hand-over the desktop's mail program is reached through xdg-email.
    explicit MapiSession(std::unique_ptr<MailHandOver> handOver = nullptr);
    ~MapiSession();
    MapiSession(const MapiSession&) = delete;
    MapiSession& operator=(const MapiSession&) = delete;

    void Load();
    MapiResult CheckInstalled();
    MapiResult Logon(QWidget* window, const QString& profileName);
    MapiResult Send(QWidget* window, const QStringList& recipients, const QString& subject, const QString& body,
                    bool withSignature, const QString& signature, const QStringList& attachments);
    MapiResult Logoff();
    void Unload();

    // Whether Load found a mail program.
    bool IsLoaded() const { return m_library != nullptr; }
    // 0 while no session is open.
    quint32 Session() const { return m_session; }
    QString ProfileName() const { return m_profileName; }

private:
    MailHandOver* m_library = nullptr;  // the hand-over once loaded
    quint32 m_session = 0;
    QString m_profileName;
    std::unique_ptr<MailHandOver> m_handOver;
};

}  // namespace mail
