#include "ui/pictures.h"

#include <QFont>
#include <QPainter>
#include <QPolygonF>
#include <QStringList>

namespace lumidex {

namespace {

// Outline of a horizontal or vertical segment with pointed ends.
QPolygonF segment(QPointF from, QPointF to, qreal thickness) {
    const qreal h = thickness / 2;
    if (from.y() == to.y()) {
        return QPolygonF({from,
                          {from.x() + h, from.y() - h},
                          {to.x() - h, to.y() - h},
                          to,
                          {to.x() - h, to.y() + h},
                          {from.x() + h, from.y() + h}});
    }
    return QPolygonF({from,
                      {from.x() + h, from.y() + h},
                      {to.x() + h, to.y() - h},
                      to,
                      {to.x() - h, to.y() - h},
                      {from.x() - h, from.y() + h}});
}

struct Segment {
    const char* letter;
    const char* place;
    std::uint8_t bit;
    QPointF from;
    QPointF to;
};

// Digit geometry in an 80 x 105 box.
constexpr qreal L = 14, R = 58, T = 10, M = 51, B = 92;
const Segment kSegments[] = {
    {"a", "top", 0x01, {L, T}, {R, T}},         {"b", "upper right", 0x02, {R, T}, {R, M}},
    {"c", "lower right", 0x20, {R, M}, {R, B}}, {"d", "bottom", 0x40, {L, B}, {R, B}},
    {"e", "lower left", 0x80, {L, M}, {L, B}},  {"f", "upper left", 0x04, {L, T}, {L, M}},
    {"g", "middle", 0x10, {L, M}, {R, M}},
};
const QPointF kPoint(70, B);
constexpr std::uint8_t kPointBit = 0x08;
const QColor kRed(230, 20, 20);

void paintDigit(QPainter& p, qreal thickness, bool letters) {
    paintSegments(p, 0xFF, thickness, kRed, kRed);
    if (!letters) {
        return;
    }
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(9);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    for (const Segment& s : kSegments) {
        const QPointF centre = (s.from + s.to) / 2;
        p.drawText(QRectF(centre.x() - 6, centre.y() - 6, 12, 12), Qt::AlignCenter,
                   QString::fromLatin1(s.letter));
    }
    p.drawText(QRectF(kPoint.x() - 9, kPoint.y() + 3, 18, 10), Qt::AlignCenter,
               QStringLiteral("dp"));
}

}  // namespace

void paintSegments(QPainter& p, std::uint8_t segments, qreal thickness, const QColor& lit,
                   const QColor& unlit) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    for (const Segment& s : kSegments) {
        p.setBrush(segments & s.bit ? lit : unlit);
        p.drawPolygon(segment(s.from, s.to, thickness));
    }
    p.setBrush(segments & kPointBit ? lit : unlit);
    p.drawEllipse(kPoint, thickness * 0.6, thickness * 0.6);
}

QString segmentKeyText() {
    QStringList places;
    for (const Segment& s : kSegments) {
        places << QStringLiteral("%1 %2").arg(QLatin1String(s.letter), QLatin1String(s.place));
    }
    return places.join(QStringLiteral(", ")) + QStringLiteral(", dp decimal point lower right");
}

QPixmap segmentKeyPicture() {
    QPixmap pixmap(80, 105);
    pixmap.fill(Qt::black);
    QPainter p(&pixmap);
    paintDigit(p, 9, true);
    return pixmap;
}

QIcon appIcon() {
    QPixmap big(80, 105);
    big.fill(Qt::black);
    {
        QPainter p(&big);
        paintDigit(p, 12, false);
    }
    QPixmap icon(32, 32);
    icon.fill(Qt::black);
    QPainter p(&icon);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawPixmap(QRect(3, 0, 24, 32), big);
    return QIcon(icon);
}

}  // namespace lumidex
