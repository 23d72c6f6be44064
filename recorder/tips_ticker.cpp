#include "recorder/tips_ticker.h"

#include <QTimerEvent>

#include "controls/hyperlink_label.h"
#include "platform/tick_count.h"
#include "resources/strings.h"

namespace {

constexpr int kTipPeriodMs = 30000;
constexpr int kTipCount = 10;

// Colours of the tips line, picked by the clock at every tip.
QColor TipColour(uint32_t tick)
{
    static const QColor red(255, 0, 0), green(0, 255, 0), blue(0, 0, 255);
    static const QColor table[20] = {red, green, blue, red, green, blue, red, red, green, blue,
                                     red, red,   red,  red, red,   red,  red, red, red,   red};
    return table[tick % 20];
}

}  // namespace

TipsTicker::TipsTicker(controls::HyperlinkLabel& line, QObject* parent)
    : QObject(parent)
    , m_line(line)
{
    // Each tip's text is followed by its link in the table.
    for (int i = 0; i < kTipCount; ++i) {
        m_tipTexts.append(resources::Text(resources::StringId(resources::IDS_FIRST_TIP + 2 * i)));
        m_tipLinks.append(resources::Text(resources::StringId(resources::IDS_FIRST_TIP + 2 * i + 1)));
    }
    m_line.SetAutoSize(true);
    m_line.SetIsUrl(true);
    m_line.SetUnderline(1);
    m_tipIndex = int(platform::TickCount() % uint32_t(m_tipTexts.size()));
    Show();
    m_timer = startTimer(kTipPeriodMs);
}

void TipsTicker::ShowNextTip()
{
    m_tipIndex = (m_tipIndex + 1) % m_tipTexts.size();
    Show();
    const QColor c = TipColour(platform::TickCount());
    m_line.SetColours(c, c, QColor(0, 105, 100));
    m_line.update();
}

void TipsTicker::Show()
{
    m_line.setText(m_tipTexts[m_tipIndex]);
    m_line.SetUrl(m_tipLinks[m_tipIndex]);
}

void TipsTicker::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_timer)
        ShowNextTip();
    else
        QObject::timerEvent(event);
}
