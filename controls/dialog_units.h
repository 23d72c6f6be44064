#pragma once
// Dialog templates are laid out in dialog units: a quarter of the font's
// average character width horizontally and an eighth of its height
// vertically, so a layout scales with the font and the screen.

#include <QFont>
#include <QRect>

namespace controls {

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    int X(int dlu) const { return (dlu * m_avgWidth + 2) / 4; }
    int Y(int dlu) const { return (dlu * m_height + 4) / 8; }
    QRect Rect(int x0, int y0, int w, int h) const { return QRect(X(x0), Y(y0), X(w), Y(h)); }
    int AverageCharWidth() const { return m_avgWidth; }
    int CharHeight() const { return m_height; }

private:
    int m_avgWidth;
    int m_height;
};

// The dialogs' font: the stand-in for "MS Sans Serif" 8.
QFont DialogFont();

}  // namespace controls
