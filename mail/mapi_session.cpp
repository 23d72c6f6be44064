#include "mail/mapi_session.h"

#include "mail/xdg_email_hand_over.h"

namespace mail {

MapiSession::MapiSession(std::unique_ptr<MailHandOver> handOver)
    : m_handOver(handOver ? std::move(handOver) : std::make_unique<XdgEmailHandOver>())
{
}

MapiSession::~MapiSession() = default;

MapiResult MapiSession::CheckInstalled() { return m_handOver->IsInstalled() ? kSuccess : kEFail; }

void MapiSession::Load()
{
    if (CheckInstalled() != kSuccess)
        return;
    m_library = m_handOver.get();
}

MapiResult MapiSession::Logon(QWidget* /*window*/, const QString& profileName)
{
    if (m_session != 0)
        return kSuccess;
    if (!m_library)
        return kEFail;
    // The desktop's mail program has no log-on of its own: the session is
    // ours, numbered so that a reused one can be told from a new one.
    static quint32 lastSession = 0;
    m_session = ++lastSession == 0 ? ++lastSession : lastSession;
    m_profileName = profileName;
    return kSuccess;
}

MapiResult MapiSession::Send(QWidget* /*window*/, const QStringList& recipients, const QString& subject,
                             const QString& body, bool withSignature, const QString& signature,
                             const QStringList& attachments)
{
    if (!m_library || m_session == 0)
        return kInvalidSession;
    // A line break would start a new header line or a new address in the
    // message the mail program builds.
    for (const QString& address : recipients) {
        if (HasLineBreak(address))
            return kInvalidRecips;
    }
    if (HasLineBreak(subject))
        return kFailure;
    MailMessage message{recipients, subject, ComposeNoteText(body, withSignature, signature), attachments};
    return m_library->Deliver(message);
}

MapiResult MapiSession::Logoff()
{
    m_session = 0;
    return kSuccess;
}

void MapiSession::Unload() { m_library = nullptr; }

}  // namespace mail
