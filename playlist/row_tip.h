#pragma once
// The tip over the playlist's rows. It keeps rules of its own that Qt's
// tooltips do not offer: plain text whatever it looks like (a file named
// "<b>take.wav" is no markup), wrapped within 550 pixels, shown once the
// pointer has rested on a row for a second, and shown whether or not the
// window is active. Every event of the area passes by it first, as mouse
// messages pass by a tooltip control before the list handles them.

#include <QBasicTimer>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>

#include <functional>

namespace playlist {

class RowTip : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxWidth = 550;
    static constexpr int kInitialDelayMs = 1000;
    // From one row's tip to the next, and how long a tip stays: a fifth and
    // ten times the delay, as an automatic tooltip times itself.
    static constexpr int kReshowDelayMs = kInitialDelayMs / 5;
    static constexpr int kAutoPopMs = kInitialDelayMs * 10;

    struct Tip {
        QString text;  // empty: no tip here
        QRect band;    // the part of the area the text belongs to
    };
    // `tipAt` answers for a point of `area`.
    RowTip(QWidget* area, std::function<Tip(QPoint)> tipAt);
    ~RowTip() override;

    bool IsShown() const;
    QString ShownText() const;
    // The lines the shown text takes once wrapped.
    int ShownLineCount() const;
    // The tip window (null until the first tip).
    QWidget* GetWindow() const;
    // Shows the tip of `pos` now, as the timer does when the pointer rests.
    void ShowAt(QPoint pos);
    void Hide();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void PointerMoved(QPoint pos);

    QWidget* m_area;
    std::function<Tip(QPoint)> m_tipAt;
    class Window;
    QPointer<Window> m_window;
    QRect m_band;
    QPoint m_pointer;
    bool m_inside = false;
    QBasicTimer m_wake;
    QBasicTimer m_autoPop;
};

}  // namespace playlist
