#include "ui/pictures.h"

#include <QFont>
#include <QPainter>
#include <QPolygonF>

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
    QPointF from;
    QPointF to;
};

// Digit geometry in an 80 x 105 box.
constexpr qreal L = 14, R = 58, T = 10, M = 51, B = 92;
const Segment kSegments[] = {
    {"a", {L, T}, {R, T}}, {"b", {R, T}, {R, M}}, {"c", {R, M}, {R, B}}, {"d", {L, B}, {R, B}},
    {"e", {L, M}, {L, B}}, {"f", {L, T}, {L, M}}, {"g", {L, M}, {R, M}},
};
const QPointF kPoint(70, B);

void paintDigit(QPainter& p, qreal thickness, bool letters) {
    const QColor red(230, 20, 20);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(red);
    for (const Segment& s : kSegments) {
        p.drawPolygon(segment(s.from, s.to, thickness));
    }
    p.drawEllipse(kPoint, thickness * 0.6, thickness * 0.6);
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
