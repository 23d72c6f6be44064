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

inline QColor face(const QPalette& p) { return p.color(QPalette::Active, QPalette::Button); }
inline QColor text(const QPalette& p) { return p.color(QPalette::Active, QPalette::ButtonText); }
inline QColor shadow(const QPalette& p) { return p.color(QPalette::Active, QPalette::Dark); }
inline QColor highlight(const QPalette& p) { return p.color(QPalette::Active, QPalette::Light); }
inline QColor light3d(const QPalette& p) { return p.color(QPalette::Active, QPalette::Midlight); }
inline QColor darkShadow(const QPalette& p) { return p.color(QPalette::Active, QPalette::Shadow); }
inline QColor selection(const QPalette& p) { return p.color(QPalette::Active, QPalette::Highlight); }
inline QColor grayText(const QPalette& p) { return p.color(QPalette::Disabled, QPalette::Text); }

}  // namespace controls::syscolour
