#pragma once
// The program's icon: raster sizes for the window, and the desktop's
// hicolor theme (PNGs and an SVG drawn with the same numbers).

#include <QDir>
#include <QImage>
#include <QString>

namespace artwork {

QImage ProgramIcon(int size);
// Writes <folder>/<n>x<n>/apps/<name>.png and <folder>/scalable/apps/<name>.svg.
bool SaveThemeIcons(const QDir& folder, const QString& name);

}  // namespace artwork
