#include "settings/raw_ini_value.h"

#include <QFile>
#include <QLockFile>
#include <QSaveFile>

#include "settings/settings_log.h"

namespace {

// Where the value of `key` in [section] starts and ends in `text`; start -1 when absent.
struct ValueSpan {
    qsizetype start = -1, end = -1;
};

ValueSpan FindValue(const QByteArray& text, const QByteArray& section, const QByteArray& key)
{
    QByteArray current;
    for (qsizetype at = 0; at < text.size();) {
        qsizetype end = text.indexOf('\n', at);
        if (end < 0)
            end = text.size();
        qsizetype lineEnd = end;
        if (lineEnd > at && text[lineEnd - 1] == '\r')
            --lineEnd;
        const QByteArray line = text.mid(at, lineEnd - at);
        const QByteArray trimmed = line.trimmed();
        if (trimmed.startsWith('[') && trimmed.endsWith(']')) {
            current = trimmed.mid(1, trimmed.size() - 2).trimmed();
        } else if (current == section) {
            const qsizetype equals = line.indexOf('=');
            if (equals > 0 && line.left(equals).trimmed() == key) {
                qsizetype start = at + equals + 1;
                while (start < lineEnd && (text[start] == ' ' || text[start] == '\t'))
                    ++start;
                return {start, lineEnd};
            }
        }
        at = end + 1;
    }
    return {};
}

}  // namespace

QByteArray ReadRawIniValue(const QString& file, const QByteArray& section, const QByteArray& key)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = in.readAll();
    const ValueSpan span = FindValue(text, section, key);
    if (span.start < 0)
        return {};
    const QByteArray value = text.mid(span.start, span.end - span.start);
    return value.isNull() ? QByteArray("") : value;
}

bool WriteRawIniValue(const QString& file, const QByteArray& section, const QByteArray& key, const QByteArray& value)
{
    QLockFile lock(file + QStringLiteral(".lock"));
    if (!lock.lock()) {
        qCWarning(lcSettings) << "cannot lock" << file << "to keep" << key << "as written, lock error" << lock.error();
        return false;
    }
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        qCWarning(lcSettings) << "cannot read" << file << in.errorString();
        return false;
    }
    QByteArray text = in.readAll();
    in.close();
    const ValueSpan span = FindValue(text, section, key);
    if (span.start < 0)
        return false;
    if (text.mid(span.start, span.end - span.start) == value)
        return true;
    text.replace(span.start, span.end - span.start, value);
    QSaveFile out(file);
    if (out.open(QIODevice::WriteOnly) && out.write(text) == text.size() && out.commit())
        return true;
    qCWarning(lcSettings) << "cannot write" << file << out.errorString();
    return false;
}
