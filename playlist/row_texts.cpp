#include "playlist/row_texts.h"

#include "playlist/playlist_item.h"

#include <QCoreApplication>

namespace playlist {

namespace {

QString FileName(const QString& path) { return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1); }

}  // namespace

QString GetItemTitle(const PlaylistItem& item)
{
    const QString path = item.FilePath();
    if (!item.IsLoaded())
        return path;
    const QString topic = item.stream.Topic();
    if (!topic.isEmpty())
        return topic;
    const QString name = FileName(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

QString FormatDetailLine(const PlaylistItem& item)
{
    if (!item.IsLoaded() || !item.format || item.format->samplesPerSec == 0)
        return {};
    const ZLWaveFormat& f = *item.format;
    const uint32_t rate = f.samplesPerSec;
    const uint32_t s = item.length / rate;
    const QString channels = f.channels == 1 ? QCoreApplication::translate("PlaylistRows", "mono")
        : f.channels == 2                    ? QCoreApplication::translate("PlaylistRows", "stereo")
                                             : QString();
    QString line = QString::asprintf("%02u:%02u:%02u.%u   %u Hz, ", s / 3600, s % 3600 / 60, s % 60,
                                     unsigned(uint64_t(item.length % rate) * 10 / rate), rate) +
        channels + QCoreApplication::translate("PlaylistRows", ", %1 bits").arg(f.bitsPerSample);
    const QString path = item.FilePath();
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0 && path.mid(dot).compare(QLatin1String(".mp3"), Qt::CaseInsensitive) == 0)
        line += QCoreApplication::translate("PlaylistRows", ", %1 kbps").arg(uint64_t(f.avgBytesPerSec) * 8 / 1000);
    return line;
}

QString TooltipText(const PlaylistItem& item, int index)
{
    QString text = QStringLiteral("%1) ").arg(index + 1) + GetItemTitle(item);
    if (item.IsLoaded()) {
        text += QStringLiteral("\r\n") + item.FilePath();
        const QString description = item.stream.Description();
        if (!description.isEmpty())
            text += QStringLiteral("\r\n") + QString(48, QLatin1Char('-')) + QStringLiteral("\r\n") + description;
    }
    if (text.size() > kTooltipLimit) {
        // A character outside the basic plane is two units: never keep half.
        const bool splitsPair = text.at(kTooltipLimit - 1).isHighSurrogate();
        text = text.left(kTooltipLimit - (splitsPair ? 1 : 0)) + QStringLiteral("...");
    }
    return text;
}

}  // namespace playlist
