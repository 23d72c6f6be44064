#include "controls/dialog_units.h"

#include <QFontMetrics>

namespace controls {

DialogUnits::DialogUnits(const QFont& font)
{
    const QFontMetrics fm(font);
    // The Windows rule: average width of the 52 Latin letters, rounded.
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    m_avgWidth = (fm.horizontalAdvance(letters) / 26 + 1) / 2;
    if (m_avgWidth < 1)
        m_avgWidth = 1;
    m_height = fm.height();
}

QFont DialogFont()
{
    // A font that carries the Chinese texts too; 8 points as the templates expect.
    QFont f(QStringLiteral("WenQuanYi Micro Hei"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSize(8);
    return f;
}

}  // namespace controls
