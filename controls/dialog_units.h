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
    int x(int dlu) const { return (dlu * m_avgWidth + 2) / 4; }
    int y(int dlu) const { return (dlu * m_height + 4) / 8; }
    QRect rect(int x0, int y0, int w, int h) const { return QRect(x(x0), y(y0), x(w), y(h)); }
    int averageCharWidth() const { return m_avgWidth; }
    int charHeight() const { return m_height; }

private:
    int m_avgWidth;
    int m_height;
};

// The dialogs' font: the stand-in for "MS Sans Serif" 8.
QFont dialogFont();

}  // namespace controls
