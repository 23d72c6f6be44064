#include "program_icon.h"

#include <cmath>
#include <cstdio>
#include <QFile>
#include <QPainterPath>

#include "painting.h"

namespace artwork {

// ---- program icon -------------------------------------------------------

QImage ProgramIcon(int size)
{
    QImage art = Canvas(size, size);
    QPainter p(&art);
    Smooth(p);
    p.scale(size / 64.0, size / 64.0);
    QLinearGradient g(0, 0, 0, 64);
    g.setColorAt(0, QColor(0x4a, 0x93, 0xe6));
    g.setColorAt(1, kAccentDark);
    p.setPen(QPen(kAccentDark.darker(115), 1.5));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 13, 13);
    // Microphone in white.
    p.setPen(Qt::NoPen);
    p.setBrush(kWhite);
    p.drawRoundedRect(QRectF(24, 10, 16, 28), 8, 8);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kWhite, 4.0, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(16, 16, 32, 30), 200 * 16, 140 * 16);
    p.drawLine(QPointF(32, 46), QPointF(32, 52));
    p.drawLine(QPointF(24, 53), QPointF(40, 53));
    // A red recording dot.
    p.setPen(QPen(kWhite, 2.0));
    p.setBrush(kRed);
    p.drawEllipse(QPointF(49, 15), 6.5, 6.5);
    p.end();
    return art;
}

// The same drawing as programIcon, as SVG for the scalable icon: the
// numbers are those of the 64-unit canvas above.
static QByteArray ProgramIconSvg()
{
    const auto hex = [](const QColor& c) { return c.name(QColor::HexRgb).toLatin1(); };
    // Qt's arcs run counter-clockwise from three o'clock with y upwards.
    const auto arcPoint = [](double degrees) {
        const double r = degrees * M_PI / 180.0;
        return QByteArray::number(32 + 16 * std::cos(r), 'f', 3) + ' ' +
            QByteArray::number(31 - 15 * std::sin(r), 'f', 3);
    };
    QByteArray svg;
    svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!-- Written by tools/make_artwork; do not edit. -->\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" viewBox=\"0 0 64 64\">\n"
           "  <defs><linearGradient id=\"face\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"64\" gradientUnits=\"userSpaceOnUse\">"
           "<stop offset=\"0\" stop-color=\"" +
        hex(QColor(0x4a, 0x93, 0xe6)) +
        "\"/>"
        "<stop offset=\"1\" stop-color=\"" +
        hex(kAccentDark) + "\"/></linearGradient></defs>\n";
    svg += "  <rect x=\"2\" y=\"2\" width=\"60\" height=\"60\" rx=\"13\" fill=\"url(#face)\" stroke=\"" +
        hex(kAccentDark.darker(115)) + "\" stroke-width=\"1.5\"/>\n";
    svg += "  <rect x=\"24\" y=\"10\" width=\"16\" height=\"28\" rx=\"8\" fill=\"#ffffff\"/>\n";
    svg += "  <g fill=\"none\" stroke=\"#ffffff\" stroke-width=\"4\" stroke-linecap=\"round\">\n"
           "    <path d=\"M " +
        arcPoint(200) + " A 16 15 0 0 0 " + arcPoint(340) +
        "\"/>\n"
        "    <path d=\"M 32 46 L 32 52 M 24 53 L 40 53\"/>\n  </g>\n";
    svg +=
        "  <circle cx=\"49\" cy=\"15\" r=\"6.5\" fill=\"" + hex(kRed) + "\" stroke=\"#ffffff\" stroke-width=\"2\"/>\n";
    svg += "</svg>\n";
    return svg;
}

bool SaveThemeIcons(const QDir& folder, const QString& name)
{
    bool ok = true;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString sub = QStringLiteral("%1x%1/apps").arg(size);
        QDir().mkpath(folder.filePath(sub));
        ok = ProgramIcon(size).save(folder.filePath(sub + QLatin1Char('/') + name + QStringLiteral(".png")), "PNG") &&
            ok;
    }
    QDir().mkpath(folder.filePath(QStringLiteral("scalable/apps")));
    QFile svg(folder.filePath(QStringLiteral("scalable/apps/") + name + QStringLiteral(".svg")));
    ok = svg.open(QIODevice::WriteOnly | QIODevice::Truncate) && svg.write(ProgramIconSvg()) > 0 && ok;
    if (!ok)
        std::fprintf(stderr, "make_artwork: cannot write the theme icons into %s\n", qPrintable(folder.path()));
    return ok;
}

}  // namespace artwork
