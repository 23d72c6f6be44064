#include "recorder/readout_label.h"

#include <algorithm>
#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>

ReadoutLabel::ReadoutLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent)
{
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignHCenter | Qt::AlignTop);
}

void ReadoutLabel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        m_lines.clear();
        m_figures.clear();
    }
    QLabel::changeEvent(event);
}

bool ReadoutLabel::CanPaintLines() const
{
    // What a readout is: plain, unwrapped, top-centred text without frame,
    // margin or mnemonic. Anything else, and a disabled label (whose look is
    // the style's), is left to QLabel.
    return isEnabled() && textFormat() == Qt::PlainText && !wordWrap() &&
        alignment() == (Qt::AlignHCenter | Qt::AlignTop) && frameWidth() == 0 && margin() == 0 && indent() <= 0 &&
        layoutDirection() == Qt::LeftToRight && !text().contains(QLatin1Char('&')) &&
        !text().contains(QLatin1Char('\t')) && !text().contains(QLatin1Char('\r'));
}

std::shared_ptr<QTextLayout> ReadoutLabel::LayOut(const QString& text)
{
    auto layout = std::make_shared<QTextLayout>(text, font(), this);
    QTextOption option;
    option.setTextDirection(Qt::LeftToRight);
    option.setAlignment(Qt::AlignLeft);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    layout->beginLayout();
    layout->createLine().setLineWidth(0x01000000);
    layout->endLayout();
    return layout;
}

void ReadoutLabel::LayOutLines()
{
    // The figures are put together from their characters, laid out once each:
    // shaping the changing line anew was still most of a repaint.
    const auto isFigure = [](QChar c) { return (c >= u'0' && c <= u'9') || c == u':' || c == u'.'; };
    const QStringList texts = text().split(QLatin1Char('\n'));
    std::vector<Line> lines;
    lines.reserve(size_t(texts.size()));
    for (const QString& lineText : texts) {
        const auto same =
            std::find_if(m_lines.begin(), m_lines.end(), [&](const Line& l) { return l.text == lineText; });
        if (same != m_lines.end()) {
            lines.push_back(*same);
            continue;
        }
        Line line{lineText, {}};
        if (!lineText.isEmpty() && std::all_of(lineText.begin(), lineText.end(), isFigure)) {
            for (const QChar c : lineText) {
                auto& piece = m_figures[c];
                if (!piece)
                    piece = LayOut(QString(c));
                line.pieces.push_back(piece);
            }
        } else {
            line.pieces.push_back(LayOut(lineText));
        }
        lines.push_back(std::move(line));
    }
    m_lines = std::move(lines);
}

void ReadoutLabel::paintEvent(QPaintEvent* event)
{
    if (text().isEmpty() || !CanPaintLines())
        return QLabel::paintEvent(event);
    LayOutLines();

    // Stacked and centred as QPainter::drawText places the lines of a text.
    struct Placed {
        qreal top = 0, ascent = 0, advance = 0;
    };
    const QRectF r = contentsRect();
    const qreal leading = QFontMetricsF(font()).leading();
    std::vector<Placed> placed;
    qreal height = -leading, width = 0;
    for (const Line& line : m_lines) {
        Placed p;
        qreal descent = 0;
        for (const auto& piece : line.pieces) {
            const QTextLine laidOut = piece->lineAt(0);
            p.ascent = std::max(p.ascent, laidOut.ascent());
            descent = std::max(descent, laidOut.descent());
            p.advance += laidOut.horizontalAdvance();
        }
        height = qCeil(height + leading);
        p.top = height;
        height += p.ascent + descent;
        width = std::max(width, p.advance);
        placed.push_back(p);
    }

    QPainter painter(this);
    painter.setPen(QPen(palette().brush(foregroundRole()), painter.pen().widthF()));
    if (height > r.height() || width > r.width())
        painter.setClipRect(r, Qt::IntersectClip);
    for (size_t i = 0; i < placed.size(); ++i) {
        qreal x = r.x() + (r.width() - placed[i].advance) / 2;
        for (const auto& piece : m_lines[i].pieces) {
            const QTextLine laidOut = piece->lineAt(0);
            laidOut.draw(&painter, QPointF(x, r.y() + placed[i].top + placed[i].ascent - laidOut.ascent()));
            x += laidOut.horizontalAdvance();
        }
    }
}
