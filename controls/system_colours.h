#pragma once
// The button scheme's named colours, taken from the widget's palette so that
// a theme change recolours every control the same way:
//   face       QPalette::Button      shadow       QPalette::Dark
//   text       QPalette::ButtonText  highlight    QPalette::Light
//   light3d    QPalette::Midlight    darkShadow   QPalette::Shadow
//   selection  QPalette::Highlight   grayText     disabled QPalette::Text

#include <QColor>
#include <QPalette>

namespace controls::syscolour {

inline QColor Face(const QPalette& p) { return p.color(QPalette::Active, QPalette::Button); }
inline QColor Text(const QPalette& p) { return p.color(QPalette::Active, QPalette::ButtonText); }
inline QColor Shadow(const QPalette& p) { return p.color(QPalette::Active, QPalette::Dark); }
inline QColor Highlight(const QPalette& p) { return p.color(QPalette::Active, QPalette::Light); }
inline QColor Light3d(const QPalette& p) { return p.color(QPalette::Active, QPalette::Midlight); }
inline QColor DarkShadow(const QPalette& p) { return p.color(QPalette::Active, QPalette::Shadow); }
inline QColor Selection(const QPalette& p) { return p.color(QPalette::Active, QPalette::Highlight); }
inline QColor GrayText(const QPalette& p) { return p.color(QPalette::Disabled, QPalette::Text); }

}  // namespace controls::syscolour
