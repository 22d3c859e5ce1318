// The program's pictures, painted in code: the program icon, the banner and the small button icons.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace tagwright {

// The program icon (a tag on a note), square, of the given side.
QPixmap ProgramPixmap(int side);
QIcon ProgramIcon();
// The top banner: the program's name on sky blue.
QPixmap BannerPixmap(int width, int height);
// The About button: an "i" in a circle.
QIcon AboutIcon();
// The folder pane's refresh arrow.
QIcon RefreshIcon();
// The details panel's previous and next arrows (up and down).
QIcon ArrowIcon(bool up);

}  // namespace tagwright
