// Pictures the program paints itself: the segment key on the segment page and
// the window icon.
#pragma once

#include <QColor>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QString>
#include <cstdint>

namespace lumidex {

// 80 x 105: one red seven-segment digit with its decimal point, every segment
// lit, on black, each segment marked with its letter (a to g, dp) in white.
QPixmap segmentKeyPicture();
// The same key in words: "a top, b upper right, ..., dp decimal point lower right".
QString segmentKeyText();

// Paints one seven-segment digit with its decimal point in an 80 x 105 box
// (scale the painter to fit another): the segments set in the segment byte
// `segments` (1 a, 2 b, 4 f, 8 dp, 16 g, 32 c, 64 d, 128 e) in `lit`, the
// others in `unlit`.
void paintSegments(QPainter& p, std::uint8_t segments, qreal thickness, const QColor& lit,
                   const QColor& unlit);

// 32 x 32 window icon: a lit digit on black.
QIcon appIcon();

}  // namespace lumidex
