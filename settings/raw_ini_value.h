#pragma once
// A value's bytes as they stand in the settings file, for a value that
// QSettings cannot carry as text (bytes that are no UTF-8, which it drops
// when it reads the file and so when it writes the file back).

#include <QByteArray>
#include <QString>

// The bytes after "<key>=" on the key's line in section [<section>], as
// they stand (escapes and quotes included); null when there is no such line.
QByteArray ReadRawIniValue(const QString& file, const QByteArray& section, const QByteArray& key);

// Puts `value` after "<key>=" on that line again, under the lock that
// QSettings takes for its own writes; the file is replaced whole. False
// when the line is missing or the file cannot be written.
bool WriteRawIniValue(const QString& file, const QByteArray& section, const QByteArray& key, const QByteArray& value);
