// Draws every bitmap and icon of the program into PNG files named by their
// numbers, plus the Qt resource file that lists them:
//   make_artwork <output folder> [<hicolor icon folder>]
//   (normally resources/artwork and data/icons/hicolor)
// The output is reproducible: no randomness, no timestamps.

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>

#include "playlist_art.h"
#include "program_icon.h"
#include "window_art.h"

using namespace artwork;

namespace {

bool Save(const QImage& image, const QString& path)
{
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "make_artwork: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: make_artwork <output folder> [<hicolor icon folder>]\n");
        return 2;
    }
    if (argc == 3 &&
        !SaveThemeIcons(QDir(QString::fromLocal8Bit(argv[2])), QStringLiteral("com.example.quillon.Quillon")))
        return 1;
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.filePath("bitmaps"));
    QDir().mkpath(out.filePath("icons"));

    const std::pair<int, QImage> bitmaps[] = {
        {131, CornerPicture()},
        {132, PanelArrow(true)},
        {133, PanelArrow(false)},
        {134, Channel(true)},
        {137, Channel(false)},
        {135, Thumb(false)},
        {138, Thumb(true)},
        {159, TransportButton(StopGlyph, 9)},
        {160, TransportButton(PauseGlyph, 10)},
        {194, TransportButton(PlayGlyph, 11)},
        {193, RowDefault()},
        {229, TransportStrip()},
        {238, RowLoading(0)},
        {234, RowLoading(1)},
        {235, RowLoading(2)},
        {236, RowLoading(3)},
        {237, RowFailed()},
        {249, QueueMarker(false)},
        {250, QueueMarker(true)},
    };
    const int iconSizes[] = {16, 24, 32, 48, 64, 128};

    QStringList entries;
    bool ok = true;
    for (const auto& [id, image] : bitmaps) {
        const QString name = QStringLiteral("bitmaps/%1.png").arg(id);
        ok = Save(image, out.filePath(name)) && ok;
        entries << name;
    }
    for (int size : iconSizes) {
        const QString name = QStringLiteral("icons/128-%1.png").arg(size);
        ok = Save(ProgramIcon(size), out.filePath(name)) && ok;
        entries << name;
    }

    QFile qrc(out.filePath("artwork.qrc"));
    if (!qrc.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        std::fprintf(stderr, "make_artwork: cannot write artwork.qrc\n");
        return 1;
    }
    QTextStream s(&qrc);
    s << "<!DOCTYPE RCC>\n<!-- Written by tools/make_artwork; do not edit. -->\n<RCC version=\"1.0\">\n  <qresource "
         "prefix=\"/\">\n";
    for (const QString& e : entries)
        s << "    <file>" << e << "</file>\n";
    s << "  </qresource>\n</RCC>\n";
    return ok ? 0 : 1;
}
