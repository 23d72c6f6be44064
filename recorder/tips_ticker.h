#pragma once
// The tips line across the bottom of the window: a linked tip from the
// string table, the next one every half minute in a colour picked by the clock.

#include <QObject>
#include <QStringList>

namespace controls {
class HyperlinkLabel;
}

class TipsTicker : public QObject {
    Q_OBJECT
public:
    // Shows a tip picked by the clock on `line` and starts the timer.
    explicit TipsTicker(controls::HyperlinkLabel& line, QObject* parent = nullptr);

    void ShowNextTip();
    int TipIndex() const { return m_tipIndex; }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void Show();

    controls::HyperlinkLabel& m_line;
    QStringList m_tipTexts;
    QStringList m_tipLinks;
    int m_tipIndex = 0;
    int m_timer = 0;
};
