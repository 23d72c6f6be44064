#pragma once
// A hand-over that records what reaches it, and a private settings store.

#include <QSettings>
#include <QTemporaryDir>
#include <vector>

#include "settings/settings_store.h"
#include "mail/mail_hand_over.h"

namespace mailtest {

struct Recorded {
    bool installed = true;
    std::vector<mail::MapiResult> answers;  // one per delivery; success once used up
    std::vector<mail::MailMessage> delivered;
};

class RecordingHandOver : public mail::MailHandOver {
public:
    explicit RecordingHandOver(Recorded& r) : m_r(r) {}
    bool IsInstalled() override { return m_r.installed; }
    mail::MapiResult Deliver(const mail::MailMessage& message) override
    {
        m_r.delivered.push_back(message);
        const size_t n = m_r.delivered.size();
        return n <= m_r.answers.size() ? m_r.answers[n - 1] : mail::kSuccess;
    }

private:
    Recorded& m_r;
};

// Settings in a scratch file, so every test starts from its own history.
struct ScratchSettings {
    QTemporaryDir dir;
    QSettings settings{dir.filePath("Quillon.conf"), QSettings::IniFormat};
    SettingsStore store{&settings};
    QString history(const char* key) { return store.readHistoryString(QString::fromLatin1(key), "<unset>"); }
};

}  // namespace mailtest
