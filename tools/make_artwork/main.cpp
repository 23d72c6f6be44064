// Draws every bitmap and icon of the program into PNG files named by their
// numbers, plus the Qt resource file that lists them:
//   make_artwork <output folder> [<hicolor icon folder>]
//   (normally resources/artwork and data/icons/hicolor)
// The output is reproducible: no randomness, no timestamps.

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>

#include <cmath>
#include <cstdio>
#include <functional>

namespace {

// One palette for all pictures.
const QColor kInk(0x3b, 0x44, 0x52);
const QColor kAccent(0x2f, 0x76, 0xc9);
const QColor kAccentLight(0x6a, 0xa6, 0xea);
const QColor kAccentDark(0x1d, 0x54, 0x9a);
const QColor kGreen(0x2e, 0x9d, 0x52);
const QColor kGreenLight(0x5c, 0xc2, 0x7c);
const QColor kGreenDark(0x1f, 0x73, 0x3b);
const QColor kRed(0xd0, 0x38, 0x3b);
const QColor kRedLight(0xef, 0x6a, 0x6a);
const QColor kRedDark(0x9c, 0x22, 0x25);

// Colours the program treats specially.
const QColor kKey(192, 192, 192);     // transparent pixels
const QColor kChannelBack(236, 236, 236);  // matched to the button face
const QColor kFace(236, 236, 236);    // what keyed edges are blended against
const QColor kWhite(255, 255, 255);

QImage canvas(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// Flattens a drawing: fully transparent pixels take the key colour, the rest
// is laid over `under`, so that soft edges blend into the background they
// will be shown on. A drawn pixel never equals the key by accident.
QImage keyed(const QImage& art, QColor under, QColor key = kKey)
{
    QImage out(art.size(), QImage::Format_RGB32);
    const QImage src = art.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < src.height(); ++y) {
        for (int x = 0; x < src.width(); ++x) {
            const QRgb c = src.pixel(x, y);
            const int a = qAlpha(c);
            if (a == 0) {
                out.setPixel(x, y, key.rgb());
                continue;
            }
            auto mix = [&](int fg, int bg) { return (fg * a + bg * (255 - a) + 127) / 255; };
            QRgb flat = qRgb(mix(qRed(c), under.red()), mix(qGreen(c), under.green()), mix(qBlue(c), under.blue()));
            if ((flat & 0xffffffu) == (key.rgb() & 0xffffffu))
                flat = qRgb(qRed(flat), qGreen(flat), qBlue(flat) + 1);
            out.setPixel(x, y, flat);
        }
    }
    return out;
}

QImage opaque(const QImage& art, QColor under)
{
    QImage out(art.size(), QImage::Format_RGB32);
    out.fill(under);
    QPainter p(&out);
    p.drawImage(0, 0, art);
    return out;
}

void smooth(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing, true);
}

QLinearGradient vertical(double top, double bottom, QColor a, QColor b)
{
    QLinearGradient g(0, top, 0, bottom);
    g.setColorAt(0, a);
    g.setColorAt(1, b);
    return g;
}

// ---- transport glyphs ----------------------------------------------------

void playGlyph(QPainter& p, QPointF centre, double size)
{
    const double h = size, w = size * 0.85;
    QPolygonF tri;
    tri << QPointF(centre.x() - w * 0.42, centre.y() - h / 2) << QPointF(centre.x() + w * 0.58, centre.y())
        << QPointF(centre.x() - w * 0.42, centre.y() + h / 2);
    p.setPen(QPen(kGreenDark, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(vertical(centre.y() - h / 2, centre.y() + h / 2, kGreenLight, kGreen));
    p.drawPolygon(tri);
}

void stopGlyph(QPainter& p, QPointF centre, double size)
{
    const QRectF r(centre.x() - size / 2, centre.y() - size / 2, size, size);
    p.setPen(QPen(kInk.darker(120), 1.0));
    p.setBrush(vertical(r.top(), r.bottom(), kInk.lighter(150), kInk));
    p.drawRoundedRect(r, 1.5, 1.5);
}

void pauseGlyph(QPainter& p, QPointF centre, double size)
{
    const double barW = size * 0.33;
    for (double dx : {-size / 2, size / 2 - barW}) {
        const QRectF r(centre.x() + dx, centre.y() - size / 2, barW, size);
        p.setPen(QPen(kInk.darker(120), 1.0));
        p.setBrush(vertical(r.top(), r.bottom(), kInk.lighter(150), kInk));
        p.drawRoundedRect(r, 1.0, 1.0);
    }
}

void recordGlyph(QPainter& p, QPointF centre, double size)
{
    QRadialGradient g(centre - QPointF(size * 0.15, size * 0.2), size * 0.6);
    g.setColorAt(0, kRedLight);
    g.setColorAt(1, kRed);
    p.setPen(QPen(kRedDark, 1.0));
    p.setBrush(g);
    p.drawEllipse(centre, size / 2, size / 2);
}

// A bar and a triangle: towards the start (pointing left) or the end.
void seekGlyph(QPainter& p, QPointF centre, double size, bool toEnd)
{
    const double h = size, triW = size * 0.7, barW = 2.0, gap = 1.0;
    const double total = triW + gap + barW;
    const double left = centre.x() - total / 2;
    QRectF bar;
    QPolygonF tri;
    if (toEnd) {
        tri << QPointF(left, centre.y() - h / 2) << QPointF(left + triW, centre.y())
            << QPointF(left, centre.y() + h / 2);
        bar = QRectF(left + triW + gap, centre.y() - h / 2, barW, h);
    } else {
        bar = QRectF(left, centre.y() - h / 2, barW, h);
        const double tl = left + barW + gap;
        tri << QPointF(tl + triW, centre.y() - h / 2) << QPointF(tl, centre.y())
            << QPointF(tl + triW, centre.y() + h / 2);
    }
    p.setPen(QPen(kAccentDark, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(vertical(centre.y() - h / 2, centre.y() + h / 2, kAccentLight, kAccent));
    p.drawPolygon(tri);
    p.drawRect(bar);
}

QImage transportButton(const std::function<void(QPainter&, QPointF, double)>& glyph, double size)
{
    QImage art = canvas(16, 16);
    QPainter p(&art);
    smooth(p);
    glyph(p, QPointF(8, 8), size);
    p.end();
    return keyed(art, kFace);
}

QImage transportStrip()
{
    // start, end, play, stop, record; 25 x 16 each.
    QImage art = canvas(125, 16);
    QPainter p(&art);
    smooth(p);
    const double cy = 8;
    seekGlyph(p, QPointF(12.5, cy), 10, false);
    seekGlyph(p, QPointF(37.5, cy), 10, true);
    playGlyph(p, QPointF(62.5, cy), 11);
    stopGlyph(p, QPointF(87.5, cy), 9);
    recordGlyph(p, QPointF(112.5, cy), 10);
    p.end();
    return keyed(art, kFace);
}

// ---- show / hide the playlist -------------------------------------------

QImage panelArrow(bool pointRight)
{
    QImage art = canvas(7, 15);
    QPainter p(&art);
    smooth(p);
    QPolygonF tri;
    if (pointRight)
        tri << QPointF(1.5, 3.5) << QPointF(5.5, 7.5) << QPointF(1.5, 11.5);
    else
        tri << QPointF(5.5, 3.5) << QPointF(1.5, 7.5) << QPointF(5.5, 11.5);
    p.setPen(QPen(kInk, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(kInk);
    p.drawPolygon(tri);
    p.end();
    return keyed(art, kFace);
}

// ---- playlist slider ----------------------------------------------------

QImage channel(bool filled)
{
    QImage art = canvas(332, 12);
    QPainter p(&art);
    smooth(p);
    const QRectF groove(1.5, 3.5, 329, 5);
    if (filled) {
        p.setPen(QPen(kAccentDark, 1.0));
        p.setBrush(vertical(groove.top(), groove.bottom(), kAccentLight, kAccent));
    } else {
        p.setPen(QPen(QColor(0xa3, 0xab, 0xb6), 1.0));
        p.setBrush(vertical(groove.top(), groove.bottom(), QColor(0xc9, 0xcf, 0xd7), QColor(0xe4, 0xe8, 0xed)));
    }
    p.drawRoundedRect(groove, 2.5, 2.5);
    p.end();
    // The background around the groove stays one connected area of 236 grey.
    QImage out = opaque(art, kChannelBack);
    return out;
}

QImage thumb(bool pressed)
{
    QImage art = canvas(17, 11);
    QPainter p(&art);
    smooth(p);
    const QRectF body(0.5, 0.5, 16, 10);
    if (pressed) {
        p.setPen(QPen(kAccentDark, 1.0));
        p.setBrush(vertical(0, 11, kAccentLight, kAccent));
    } else {
        p.setPen(QPen(QColor(0x7d, 0x87, 0x96), 1.0));
        p.setBrush(vertical(0, 11, QColor(0xff, 0xff, 0xff), QColor(0xd9, 0xde, 0xe5)));
    }
    p.drawRoundedRect(body, 3, 3);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(pressed ? QColor(0xe6, 0xf0, 0xfc) : QColor(0x95, 0x9e, 0xab));
    for (int x : {6, 8, 10})
        p.drawLine(x, 3, x, 7);
    p.end();
    return keyed(art, kFace);
}

// ---- playlist rows ------------------------------------------------------

// The row picture's tile: crisp edges, so that the white around it stays
// exactly white (a selected row floods that white with its colour).
void tile(QPainter& p, QColor top, QColor bottom, QColor border)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    QPainterPath path;
    path.moveTo(3, 1);
    path.lineTo(27, 1);
    path.lineTo(29, 3);
    path.lineTo(29, 27);
    path.lineTo(27, 29);
    path.lineTo(3, 29);
    path.lineTo(1, 27);
    path.lineTo(1, 3);
    path.closeSubpath();
    p.fillPath(path, vertical(1, 29, top, bottom));
    p.setPen(border);
    p.drawLine(3, 1, 26, 1);
    p.drawLine(3, 28, 26, 28);
    p.drawLine(1, 3, 1, 26);
    p.drawLine(28, 3, 28, 26);
    p.drawPoint(2, 2);
    p.drawPoint(27, 2);
    p.drawPoint(2, 27);
    p.drawPoint(27, 27);
    p.restore();
}

QImage rowDefault()
{
    QImage art(30, 30, QImage::Format_ARGB32_Premultiplied);
    art.fill(kWhite);
    QPainter p(&art);
    tile(p, QColor(0xe9, 0xf1, 0xfb), QColor(0xc4, 0xd8, 0xf0), QColor(0x8f, 0xb0, 0xd8));
    smooth(p);
    // A pair of beamed eighth notes.
    p.setPen(Qt::NoPen);
    p.setBrush(kAccentDark);
    p.drawEllipse(QPointF(10.5, 20.5), 3.2, 2.5);
    p.drawEllipse(QPointF(19.5, 18.5), 3.2, 2.5);
    p.setPen(QPen(kAccentDark, 1.6));
    p.drawLine(QPointF(13.2, 20), QPointF(13.2, 8.5));
    p.drawLine(QPointF(22.2, 18), QPointF(22.2, 6.5));
    p.setPen(QPen(kAccentDark, 2.6, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(13.2, 8.8), QPointF(22.2, 6.8));
    p.end();
    return art.convertToFormat(QImage::Format_RGB32);
}

// Loading animation: eight dots round a circle; frame k lights dots k and
// k + 4 with a fading tail, so four frames make a seamless turn.
QImage rowLoading(int frame)
{
    QImage art(30, 30, QImage::Format_ARGB32_Premultiplied);
    art.fill(kWhite);
    QPainter p(&art);
    tile(p, QColor(0xf3, 0xf5, 0xf8), QColor(0xdc, 0xe2, 0xea), QColor(0xb0, 0xbb, 0xc8));
    smooth(p);
    p.setPen(Qt::NoPen);
    const QColor dim(0xbc, 0xc5, 0xd1);
    for (int i = 0; i < 8; ++i) {
        const double angle = (i * 45.0 - 90.0) * M_PI / 180.0;
        const QPointF c(15 + 8 * std::cos(angle), 15 + 8 * std::sin(angle));
        const int age = ((frame - i) % 4 + 4) % 4;  // 0: lit now, 1: one frame ago
        QColor colour = dim;
        if (age == 0)
            colour = kAccent;
        else if (age == 1)
            colour = kAccentLight;
        p.setBrush(colour);
        p.drawEllipse(c, age == 0 ? 2.3 : 1.9, age == 0 ? 2.3 : 1.9);
    }
    p.end();
    return art.convertToFormat(QImage::Format_RGB32);
}

QImage rowFailed()
{
    QImage art(30, 30, QImage::Format_ARGB32_Premultiplied);
    art.fill(kWhite);
    QPainter p(&art);
    tile(p, QColor(0xfc, 0xee, 0xee), QColor(0xf2, 0xd2, 0xd2), QColor(0xd9, 0x9a, 0x9a));
    smooth(p);
    p.setPen(QPen(kRedDark, 1.0));
    QRadialGradient g(QPointF(13, 12), 10);
    g.setColorAt(0, kRedLight);
    g.setColorAt(1, kRed);
    p.setBrush(g);
    p.drawEllipse(QPointF(15, 15), 8, 8);
    p.setPen(QPen(kWhite, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(11.5, 11.5), QPointF(18.5, 18.5));
    p.drawLine(QPointF(18.5, 11.5), QPointF(11.5, 18.5));
    p.end();
    return art.convertToFormat(QImage::Format_RGB32);
}

// Queue markers: the colour of the top-left pixel is transparent.
QImage queueMarker(bool current)
{
    QImage art = canvas(9, 9);
    QPainter p(&art);
    smooth(p);
    if (current) {
        QPolygonF tri;
        tri << QPointF(2, 1) << QPointF(8, 4.5) << QPointF(2, 8);
        p.setPen(QPen(kGreenDark, 0.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(kGreen);
        p.drawPolygon(tri);
    } else {
        p.setPen(QPen(kAccentDark, 0.8));
        p.setBrush(kAccent);
        p.drawEllipse(QPointF(4.5, 4.5), 3.3, 3.3);
    }
    p.end();
    return keyed(art, kWhite);
}

// ---- the playlist's corner picture --------------------------------------

// A faint microphone with sound arcs, printed behind the rows on white.
void microphone(QPainter& p, QColor body, QColor line, double lineWidth)
{
    p.setPen(QPen(line, lineWidth));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(24, 6, 16, 26), 8, 8);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(line, lineWidth * 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(18, 12, 28, 28), 200 * 16, 140 * 16);
    p.drawLine(QPointF(32, 40), QPointF(32, 46));
    p.drawLine(QPointF(25, 47), QPointF(39, 47));
}

QImage cornerPicture()
{
    QImage art(55, 51, QImage::Format_ARGB32_Premultiplied);
    art.fill(kWhite);
    QPainter p(&art);
    smooth(p);
    microphone(p, QColor(0xee, 0xf3, 0xf9), QColor(0xd6, 0xe1, 0xee), 1.4);
    // Sound waves on both sides of the capsule.
    p.setBrush(Qt::NoBrush);
    const QPointF centre(32, 19);
    for (int i = 0; i < 2; ++i) {
        const double r = 13 + i * 6;
        p.setPen(QPen(QColor(0xdc, 0xe6, 0xf2), 1.4, Qt::SolidLine, Qt::RoundCap));
        const QRectF box(centre.x() - r, centre.y() - r, 2 * r, 2 * r);
        p.drawArc(box, 150 * 16, 60 * 16);
        p.drawArc(box, -30 * 16, 60 * 16);
    }
    p.end();
    return art.convertToFormat(QImage::Format_RGB32);
}

// ---- program icon -------------------------------------------------------

QImage programIcon(int size)
{
    QImage art = canvas(size, size);
    QPainter p(&art);
    smooth(p);
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
QByteArray programIconSvg()
{
    const auto hex = [](const QColor& c) { return c.name(QColor::HexRgb).toLatin1(); };
    // Qt's arcs run counter-clockwise from three o'clock with y upwards.
    const auto arcPoint = [](double degrees) {
        const double r = degrees * M_PI / 180.0;
        return QByteArray::number(32 + 16 * std::cos(r), 'f', 3) + ' ' + QByteArray::number(31 - 15 * std::sin(r), 'f', 3);
    };
    QByteArray svg;
    svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!-- Written by tools/make_artwork; do not edit. -->\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" viewBox=\"0 0 64 64\">\n"
           "  <defs><linearGradient id=\"face\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"64\" gradientUnits=\"userSpaceOnUse\">"
           "<stop offset=\"0\" stop-color=\"" + hex(QColor(0x4a, 0x93, 0xe6)) + "\"/>"
           "<stop offset=\"1\" stop-color=\"" + hex(kAccentDark) + "\"/></linearGradient></defs>\n";
    svg += "  <rect x=\"2\" y=\"2\" width=\"60\" height=\"60\" rx=\"13\" fill=\"url(#face)\" stroke=\""
         + hex(kAccentDark.darker(115)) + "\" stroke-width=\"1.5\"/>\n";
    svg += "  <rect x=\"24\" y=\"10\" width=\"16\" height=\"28\" rx=\"8\" fill=\"#ffffff\"/>\n";
    svg += "  <g fill=\"none\" stroke=\"#ffffff\" stroke-width=\"4\" stroke-linecap=\"round\">\n"
           "    <path d=\"M " + arcPoint(200) + " A 16 15 0 0 0 " + arcPoint(340) + "\"/>\n"
           "    <path d=\"M 32 46 L 32 52 M 24 53 L 40 53\"/>\n  </g>\n";
    svg += "  <circle cx=\"49\" cy=\"15\" r=\"6.5\" fill=\"" + hex(kRed) + "\" stroke=\"#ffffff\" stroke-width=\"2\"/>\n";
    svg += "</svg>\n";
    return svg;
}

// The program's icon for the desktop's hicolor theme: <folder>/<n>x<n>/apps
// and <folder>/scalable/apps.
bool saveThemeIcons(const QDir& folder, const QString& name)
{
    bool ok = true;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString sub = QStringLiteral("%1x%1/apps").arg(size);
        QDir().mkpath(folder.filePath(sub));
        ok = programIcon(size).save(folder.filePath(sub + QLatin1Char('/') + name + QStringLiteral(".png")), "PNG") && ok;
    }
    QDir().mkpath(folder.filePath(QStringLiteral("scalable/apps")));
    QFile svg(folder.filePath(QStringLiteral("scalable/apps/") + name + QStringLiteral(".svg")));
    ok = svg.open(QIODevice::WriteOnly | QIODevice::Truncate) && svg.write(programIconSvg()) > 0 && ok;
    if (!ok)
        std::fprintf(stderr, "make_artwork: cannot write the theme icons into %s\n", qPrintable(folder.path()));
    return ok;
}

bool save(const QImage& image, const QString& path)
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
    if (argc == 3 && !saveThemeIcons(QDir(QString::fromLocal8Bit(argv[2])), QStringLiteral("com.example.quillon.Quillon")))
        return 1;
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.filePath("bitmaps"));
    QDir().mkpath(out.filePath("icons"));

    const std::pair<int, QImage> bitmaps[] = {
        {131, cornerPicture()},
        {132, panelArrow(true)},
        {133, panelArrow(false)},
        {134, channel(true)},
        {137, channel(false)},
        {135, thumb(false)},
        {138, thumb(true)},
        {159, transportButton(stopGlyph, 9)},
        {160, transportButton(pauseGlyph, 10)},
        {194, transportButton(playGlyph, 11)},
        {193, rowDefault()},
        {229, transportStrip()},
        {238, rowLoading(0)},
        {234, rowLoading(1)},
        {235, rowLoading(2)},
        {236, rowLoading(3)},
        {237, rowFailed()},
        {249, queueMarker(false)},
        {250, queueMarker(true)},
    };
    const int iconSizes[] = {16, 24, 32, 48, 64, 128};

    QStringList entries;
    bool ok = true;
    for (const auto& [id, image] : bitmaps) {
        const QString name = QStringLiteral("bitmaps/%1.png").arg(id);
        ok = save(image, out.filePath(name)) && ok;
        entries << name;
    }
    for (int size : iconSizes) {
        const QString name = QStringLiteral("icons/128-%1.png").arg(size);
        ok = save(programIcon(size), out.filePath(name)) && ok;
        entries << name;
    }

    QFile qrc(out.filePath("artwork.qrc"));
    if (!qrc.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        std::fprintf(stderr, "make_artwork: cannot write artwork.qrc\n");
        return 1;
    }
    QTextStream s(&qrc);
    s << "<!DOCTYPE RCC>\n<!-- Written by tools/make_artwork; do not edit. -->\n<RCC version=\"1.0\">\n  <qresource prefix=\"/\">\n";
    for (const QString& e : entries)
        s << "    <file>" << e << "</file>\n";
    s << "  </qresource>\n</RCC>\n";
    return ok ? 0 : 1;
}
