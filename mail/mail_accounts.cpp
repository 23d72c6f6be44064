#include "mail/mail_accounts.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace mail {

namespace {

// Where Thunderbird keeps its profiles: installed from the distribution,
// as a Flatpak, as a Snap, and under Debian's old name.
const char* const kProfileRoots[] = {
    ".thunderbird",
    ".var/app/org.mozilla.Thunderbird/.thunderbird",
    "snap/thunderbird/common/.thunderbird",
    ".mozilla-thunderbird",
};

QString UnescapeJsString(const QString& s)
{
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c != QLatin1Char('\\') || i + 1 >= s.size()) {
            out.append(c);
            continue;
        }
        const QChar e = s[++i];
        switch (e.unicode()) {
        case 'n':
            out.append(QLatin1Char('\n'));
            break;
        case 'r':
            out.append(QLatin1Char('\r'));
            break;
        case 't':
            out.append(QLatin1Char('\t'));
            break;
        case 'u':
            if (i + 4 < s.size()) {
                bool ok = false;
                const ushort code = s.mid(i + 1, 4).toUShort(&ok, 16);
                if (ok) {
                    out.append(QChar(code));
                    i += 4;
                    break;
                }
            }
            out.append(e);
            break;
        default:
            out.append(e);
            break;
        }
    }
    return out;
}

// profiles.ini as sections of key=value lines; QSettings would read commas
// in a path as a list.
using IniSections = QList<std::pair<QString, QHash<QString, QString>>>;

IniSections ReadIni(const QString& path)
{
    IniSections sections;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return sections;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            sections.append({line.mid(1, line.size() - 2), {}});
        } else if (!sections.isEmpty() && line.contains(QLatin1Char('='))) {
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            sections.last().second.insert(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
        }
    }
    return sections;
}

}  // namespace

QHash<QString, QString> ReadStringPrefs(const QByteArray& prefsJs)
{
    static const char kPattern[] = R"re(user_pref\(\s*"((?:[^"\\]|\\.)*)"\s*,\s*"((?:[^"\\]|\\.)*)"\s*\)\s*;)re";
    static const QRegularExpression pref(QString::fromLatin1(kPattern));
    QHash<QString, QString> prefs;
    auto it = pref.globalMatch(QString::fromUtf8(prefsJs));
    while (it.hasNext()) {
        const auto m = it.next();
        prefs.insert(UnescapeJsString(m.captured(1)), UnescapeJsString(m.captured(2)));
    }
    return prefs;
}

QString DefaultProfileFolder(const QString& iniPath)
{
    const IniSections sections = ReadIni(iniPath);
    const QDir base = QFileInfo(iniPath).absoluteDir();
    // Newer versions name each installation's default in an [Install…] section.
    for (const auto& [name, values] : sections) {
        if (name.startsWith(QStringLiteral("Install")) && !values.value(QStringLiteral("Default")).isEmpty())
            return base.absoluteFilePath(values.value(QStringLiteral("Default")));
    }
    QString first;
    for (const auto& [name, values] : sections) {
        if (!name.startsWith(QStringLiteral("Profile")) || values.value(QStringLiteral("Path")).isEmpty())
            continue;
        const QString path = values.value(QStringLiteral("Path"));
        const QString folder = values.value(QStringLiteral("IsRelative"), QStringLiteral("1")) == QLatin1String("1")
            ? base.absoluteFilePath(path)
            : path;
        if (values.value(QStringLiteral("Default")) == QLatin1String("1"))
            return folder;
        if (first.isEmpty())
            first = folder;
    }
    return first;
}

QStringList ListMailAccounts(const QString& home)
{
    for (const char* root : kProfileRoots) {
        const QString ini = QDir(home).filePath(QString::fromLatin1(root) + QStringLiteral("/profiles.ini"));
        if (!QFile::exists(ini))
            continue;
        const QString profile = DefaultProfileFolder(ini);
        QFile prefsFile(QDir(profile).filePath(QStringLiteral("prefs.js")));
        if (profile.isEmpty() || !prefsFile.open(QIODevice::ReadOnly))
            continue;
        const QHash<QString, QString> prefs = ReadStringPrefs(prefsFile.readAll());
        QStringList names;
        const QStringList accounts =
            prefs.value(QStringLiteral("mail.accountmanager.accounts")).split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (const QString& account : accounts) {
            const QString server = prefs.value(QStringLiteral("mail.account.%1.server").arg(account.trimmed()));
            if (server.isEmpty())
                continue;
            // "Local Folders" is listed by the account manager but sends no mail.
            if (prefs.value(QStringLiteral("mail.server.%1.type").arg(server)) == QLatin1String("none"))
                continue;
            const QString name = prefs.value(QStringLiteral("mail.server.%1.name").arg(server)).trimmed();
            if (!name.isEmpty())
                names.append(name);
        }
        return names;
    }
    return {};
}

}  // namespace mail
