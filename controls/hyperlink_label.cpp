#include "controls/hyperlink_label.h"

#include "controls/system_colours.h"
#include "platform/shell.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>

namespace controls {

HyperlinkLabel::HyperlinkLabel(QWidget* parent)
    : HyperlinkLabel(QString(), parent)
{
}

HyperlinkLabel::HyperlinkLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent)
{
    // A dialog's plain label: text at the top left unless told otherwise.
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextFormat(Qt::PlainText);
}

HyperlinkLabel::~HyperlinkLabel() { m_hoverTimer.stop(); }

void HyperlinkLabel::Attach()
{
    if (m_attached)
        return;
    if (m_url.isEmpty())
        m_url = text();
    if (text().isEmpty())
        setText(m_url);
    // The label keeps its own font until the first hover or SetUnderline.
    m_normalFont = font();
    m_normalFont.setUnderline(false);
    m_underlineFont = m_normalFont;
    m_underlineFont.setUnderline(true);
    m_attached = true;
    // A mode chosen before the label took its place applies now, as if it
    // had been set afterwards.
    if (m_underline == 1)
        setFont(m_underlineFont);
    setMouseTracking(true);
    FitSize();
    setCursor(Qt::PointingHandCursor);
}

void HyperlinkLabel::showEvent(QShowEvent* event)
{
    Attach();
    QLabel::showEvent(event);
}

void HyperlinkLabel::SetUrl(const QString& url)
{
    m_url = url;
    FitSize();
}

void HyperlinkLabel::SetColours(QColor link, QColor visited, QColor hover)
{
    m_linkColour = link;
    m_visitedColour = visited;
    m_hoverColour = hover.isValid() ? hover : syscolour::Selection(palette());
    if (m_attached)
        update();
}

void HyperlinkLabel::SetVisited(bool visited)
{
    m_visited = visited;
    if (m_attached)
        update();
}

void HyperlinkLabel::SetUnderline(int mode)
{
    if (mode == m_underline)
        return;
    if (m_attached) {
        setFont(mode == 1 ? m_underlineFont : m_normalFont);
        update();
    }
    m_underline = mode;
}

void HyperlinkLabel::SetAutoSize(bool autoSize)
{
    m_autoSize = autoSize;
    if (autoSize)
        FitSize();
}

void HyperlinkLabel::FitSize()
{
    if (!m_autoSize || !m_attached)
        return;
    // The frame around the text is kept; the text is measured underlined, the
    // widest it gets.
    const QSize border = size() - contentsRect().size();
    const QSize text = QFontMetrics(m_underlineFont).size(0, QLabel::text());
    const int needW = text.width() + border.width();
    const int needH = text.height() + border.height();

    QRect r = geometry();
    const Qt::Alignment a = alignment();
    if (a & Qt::AlignVCenter) {
        const int centre2 = r.top() * 2 + r.height();  // twice the centre, kept exactly
        r.setTop((centre2 - needH) / 2);
    }
    r.setHeight(needH);
    if (a & Qt::AlignHCenter) {
        const int centre2 = r.left() * 2 + r.width();
        r.setLeft((centre2 - needW) / 2);
        r.setWidth(needW);
    } else if (a & Qt::AlignRight) {
        r.setLeft(r.right() + 1 - needW);
    } else {
        r.setWidth(needW);
    }
    setGeometry(r);
}

QColor HyperlinkLabel::CurrentTextColour() const
{
    if (m_over)
        return m_hoverColour;
    return m_visited ? m_visitedColour : m_linkColour;
}

void HyperlinkLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), syscolour::Face(palette()));
    painter.setFont(font());
    painter.setPen(CurrentTextColour());
    painter.drawText(contentsRect(), int(alignment()), text());
}

void HyperlinkLabel::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_over) {
        m_over = true;
        if (m_underline == -1)
            setFont(m_underlineFont);
        update();
        m_hoverTimer.start(kHoverPeriodMs, this);
    }
    QLabel::mouseMoveEvent(event);
}

void HyperlinkLabel::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_hoverTimer.timerId())
        OnHoverTick();
    QLabel::timerEvent(event);
}

void HyperlinkLabel::OnHoverTick()
{
    if (rect().contains(mapFromGlobal(QCursor::pos())))
        return;
    m_over = false;
    m_hoverTimer.stop();
    if (m_underline != 1)
        setFont(m_normalFont);
    // The underline reaches below the text box: repaint a little further.
    update(rect().adjusted(0, 0, 0, 10));
}

void HyperlinkLabel::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void HyperlinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    QLabel::mouseReleaseEvent(event);
    if (click)
        OnClicked();
}

QString HyperlinkLabel::AddressToOpen() const { return m_isUrl ? m_url : QStringLiteral("mailto:") + m_url; }

void HyperlinkLabel::OnClicked()
{
    m_over = false;
    const QString address = AddressToOpen();
    // The shell's answer is the only step here: xdg-open already asks the
    // desktop for the browser, so there is no second route through a
    // registered browser command. platform::Shell answers in the shell's
    // result codes (33 when the opener started, 31 when none could be
    // started), so they meet the table of ErrorText unchanged.
    const int result = platform::CurrentShell().OpenUrl(address);
    if (result > 32) {
        m_visited = true;
        update();
        emit Opened(address);
        return;
    }
    m_visited = false;
    update();
    QApplication::beep();
    QMessageBox::warning(window(), QGuiApplication::applicationDisplayName(), ErrorReport(result));
}

QString HyperlinkLabel::ErrorReport(int code)
{
    return QCoreApplication::translate("HyperlinkLabel", "Unable to open hyperlink:\n\n") + ErrorText(code);
}

QString HyperlinkLabel::ErrorText(int code)
{
    switch (code) {
    case 0:
        return QCoreApplication::translate("HyperlinkLabel", "The operating system is out\nof memory or resources.");
    case 2:
        return QCoreApplication::translate("HyperlinkLabel", "The specified file was not found.");
    case 3:
        return QCoreApplication::translate("HyperlinkLabel", "The specified path was not found.");
    case 5:
        return QCoreApplication::translate("HyperlinkLabel",
                                           "The operating system denied\naccess to the specified file.");
    case 8:
        return QCoreApplication::translate("HyperlinkLabel", "There was not enough memory to complete the operation.");
    case 11:
        return QCoreApplication::translate("HyperlinkLabel",
                                           "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).");
    case 26:
        return QCoreApplication::translate("HyperlinkLabel", "A sharing violation occurred. ");
    case 27:
        return QCoreApplication::translate("HyperlinkLabel", "The filename association is\nincomplete or invalid.");
    case 28:
        return QCoreApplication::translate(
            "HyperlinkLabel", "The DDE transaction could not\nbe completed because the request timed out.");
    case 29:
        return QCoreApplication::translate("HyperlinkLabel", "The DDE transaction failed.");
    case 30:
        return QCoreApplication::translate("HyperlinkLabel",
                                           "The DDE transaction could not\nbe completed because other DDE "
                                           "transactions\nwere being processed.");
    case 31:
        return QCoreApplication::translate("HyperlinkLabel",
                                           "There is no application associated\nwith the given filename extension.");
    case 32:
        return QCoreApplication::translate("HyperlinkLabel", "The specified dynamic-link library was not found.");
    default:
        return QCoreApplication::translate("HyperlinkLabel", "Unknown Error (%1) occurred.").arg(code);
    }
}

}  // namespace controls
