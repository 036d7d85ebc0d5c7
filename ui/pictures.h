// Pictures the program paints itself: the segment key on the segment page and
// the window icon.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace lumidex {

// 80 x 105: one red seven-segment digit with its decimal point, every segment
// lit, on black, each segment marked with its letter (a to g, dp) in white.
QPixmap segmentKeyPicture();

// 32 x 32 window icon: a lit digit on black.
QIcon appIcon();

}  // namespace lumidex
