#pragma once
// A label that is a link: drawn in a link colour, underlined while the mouse
// is over it, with a hand cursor; a click opens its address (a web address,
// or a mail address through "mailto:") with the desktop's handler.

#include <QBasicTimer>
#include <QColor>
#include <QFont>
#include <QLabel>

namespace controls {

class HyperlinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit HyperlinkLabel(QWidget* parent = nullptr);
    explicit HyperlinkLabel(const QString& text, QWidget* parent = nullptr);
    ~HyperlinkLabel() override;

    // Takes the label's place in its dialog: the address falls back to the
    // text and the text to the address, the fonts are made and the size is
    // fitted. Runs by itself when the label is first shown; calling it again
    // does nothing.
    void Attach();
    bool IsAttached() const { return m_attached; }

    void SetUrl(const QString& url);
    QString Url() const { return m_url; }
    void SetIsUrl(bool isUrl) { m_isUrl = isUrl; }
    bool IsUrl() const { return m_isUrl; }
    // An invalid hover colour means the palette's highlight colour.
    void SetColours(QColor link, QColor visited, QColor hover = QColor());
    void SetVisited(bool visited);
    bool IsVisited() const { return m_visited; }
    // 1: always underlined; 0: never; -1: only while the mouse is over it.
    void SetUnderline(int mode);
    int Underline() const { return m_underline; }
    void SetAutoSize(bool autoSize);

    bool IsOver() const { return m_over; }
    bool IsHoverTimerActive() const { return m_hoverTimer.isActive(); }
    QColor CurrentTextColour() const;

    // The address a click opens: "mailto:" and the address for mail.
    QString AddressToOpen() const;
    // "Unable to open hyperlink:" and the words for a shell result code.
    static QString ErrorReport(int code);
    static QString ErrorText(int code);

    static constexpr int kHoverPeriodMs = 100;

signals:
    void Opened(const QString& address);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void OnClicked();

private:
    void FitSize();
    void OnHoverTick();

    QColor m_linkColour{0, 0, 238};
    QColor m_visitedColour{85, 26, 139};
    QColor m_hoverColour{255, 0, 0};
    bool m_over = false;
    bool m_visited = false;
    int m_underline = -1;
    bool m_autoSize = true;
    QString m_url;
    QFont m_underlineFont;
    QFont m_normalFont;
    QBasicTimer m_hoverTimer;  // runs only while the mouse is over the label
    bool m_isUrl = true;
    bool m_attached = false;
    bool m_pressed = false;
};

}  // namespace controls
