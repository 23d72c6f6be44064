#pragma once
// The user's mail accounts, for the send-mail dialog's account list. This
// platform has no system-wide account store, so they are read from the
// desktop's mail program where it keeps them readably: Thunderbird's default
// profile, in its account manager's order.

#include <QHash>
#include <QString>
#include <QStringList>

namespace mail {

// The account names of the default Thunderbird profile under `home` (plain,
// Flatpak or Snap installation, the first that has one); empty when none.
QStringList ListMailAccounts(const QString& home);

// The string preferences of a prefs.js text: user_pref("key", "value");
QHash<QString, QString> ReadStringPrefs(const QByteArray& prefsJs);

// The folder of the default profile of the profiles.ini at `iniPath`;
// empty when it names none.
QString DefaultProfileFolder(const QString& iniPath);

}  // namespace mail
