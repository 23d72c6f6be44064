#include "playlist/row_tip.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QStyleOption>
#include <QTextLayout>
#include <QTimerEvent>
#include <QToolTip>

#include <cmath>
#include <memory>
#include <vector>

namespace playlist {

// Plain text laid out line by line: wrapped at word boundaries where it can
// be, anywhere where a word (a long path) is wider than the tip.
class RowTip::Window : public QWidget {
public:
    explicit Window(QWidget* owner)
        : QWidget(owner, Qt::ToolTip | Qt::BypassGraphicsProxyWidget)
    {
        setAttribute(Qt::WA_ShowWithoutActivating);
        setPalette(QToolTip::palette());
        setFont(QToolTip::font());
        m_margin = 1 + style()->pixelMetric(QStyle::PM_ToolTipLabelFrameWidth, nullptr, this);
    }

    void SetText(const QString& text)
    {
        m_text = text;
        m_layouts.clear();
        const QFontMetrics metrics(font());
        const QStringList paragraphs = text.split(QLatin1Char('\n'));
        // As wide as the widest line laid out whole, up to the limit.
        qreal natural = 1;
        for (const QString& paragraph : paragraphs) {
            QTextLayout whole(paragraph, font());
            whole.beginLayout();
            QTextLine line = whole.createLine();
            if (line.isValid()) {
                line.setNumColumns(paragraph.size());
                natural = std::max(natural, line.naturalTextWidth());
            }
            whole.endLayout();
        }
        const int width = std::min(int(std::ceil(natural)), kMaxWidth - 2 * m_margin);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        qreal y = 0;
        m_lines = 0;
        for (const QString& paragraph : paragraphs) {
            auto layout = std::make_unique<QTextLayout>(paragraph, font());
            layout->setTextOption(option);
            layout->beginLayout();
            for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
                line.setLineWidth(width);
                line.setPosition(QPointF(0, y));
                y += metrics.lineSpacing();
                ++m_lines;
            }
            layout->endLayout();
            m_layouts.push_back(std::move(layout));
        }
        resize(width + 2 * m_margin, int(y) + 2 * m_margin);
        update();
    }
    const QString& Text() const { return m_text; }
    int LineCount() const { return m_lines; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        QStyleOption frame;
        frame.initFrom(this);
        style()->drawPrimitive(QStyle::PE_PanelTipLabel, &frame, &painter, this);
        painter.setPen(palette().color(QPalette::ToolTipText));
        for (const auto& layout : m_layouts)
            layout->draw(&painter, QPointF(m_margin, m_margin));
    }

private:
    QString m_text;
    std::vector<std::unique_ptr<QTextLayout>> m_layouts;
    int m_margin = 1;
    int m_lines = 0;
};

RowTip::RowTip(QWidget* area, std::function<Tip(QPoint)> tipAt)
    : QObject(area)
    , m_area(area)
    , m_tipAt(std::move(tipAt))
{
    area->setMouseTracking(true);
    area->installEventFilter(this);
}

RowTip::~RowTip() { delete m_window; }

bool RowTip::IsShown() const { return m_window && m_window->isVisible(); }

QString RowTip::ShownText() const { return IsShown() ? m_window->Text() : QString(); }

int RowTip::ShownLineCount() const { return IsShown() ? m_window->LineCount() : 0; }

QWidget* RowTip::GetWindow() const { return m_window; }

void RowTip::Hide()
{
    m_wake.stop();
    m_autoPop.stop();
    if (m_window)
        m_window->hide();
}

void RowTip::ShowAt(QPoint pos)
{
    const Tip tip = m_tipAt(pos);
    if (tip.text.isEmpty()) {
        Hide();
        return;
    }
    if (!m_window)
        m_window = new Window(m_area);
    m_window->SetText(tip.text);
    m_band = tip.band;
    // Below and right of the pointer, kept on its screen.
    const QPoint global = m_area->mapToGlobal(pos);
    QRect placed(global + QPoint(2, 16), m_window->size());
    if (const QScreen* screen = QGuiApplication::screenAt(global)) {
        const QRect room = screen->availableGeometry();
        if (placed.right() > room.right())
            placed.moveRight(room.right());
        if (placed.bottom() > room.bottom())
            placed.moveBottom(global.y() - 4);
        placed.moveLeft(std::max(placed.left(), room.left()));
        placed.moveTop(std::max(placed.top(), room.top()));
    }
    m_window->move(placed.topLeft());
    m_window->show();
    m_window->raise();
    m_wake.stop();
    m_autoPop.start(kAutoPopMs, this);
}

void RowTip::PointerMoved(QPoint pos)
{
    m_pointer = pos;
    m_inside = true;
    if (IsShown()) {
        if (m_band.contains(pos))
            return;
        // Onto another row: its tip follows after the short delay.
        Hide();
        m_wake.start(kReshowDelayMs, Qt::PreciseTimer, this);
        return;
    }
    // The pointer has to rest: every move starts the wait again.
    m_wake.start(kInitialDelayMs, Qt::PreciseTimer, this);
}

bool RowTip::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_area)
        return false;
    switch (event->type()) {
    case QEvent::MouseMove:
        if (static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton)
            PointerMoved(static_cast<QMouseEvent*>(event)->position().toPoint());
        else
            Hide();
        break;
    case QEvent::Leave:
    case QEvent::Hide:
        m_inside = false;
        Hide();
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
        Hide();
        break;
    default:
        break;
    }
    return false;
}

void RowTip::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_wake.timerId()) {
        m_wake.stop();
        if (m_inside)
            ShowAt(m_pointer);
    } else if (event->timerId() == m_autoPop.timerId()) {
        Hide();
    } else {
        QObject::timerEvent(event);
    }
}

}  // namespace playlist
