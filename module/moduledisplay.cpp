#include "module/moduledisplay.h"

#include <QPainter>
#include <algorithm>

#include "ui/pictures.h"
#include "ui/toolkit.h"

namespace lumidex {

namespace {

// One digit is painted in an 80 x 105 box; four stand side by side with a
// margin around them.
constexpr qreal DigitWidth = 80, DigitHeight = 105, Margin = 12;
constexpr qreal Thickness = 10;

}  // namespace

ModuleDisplay::ModuleDisplay(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAttribute(Qt::WA_OpaquePaintEvent);
    exposeAsText(this, QStringLiteral("Digits"));
}

void ModuleDisplay::setScreen(const ModuleScreen& screen) {
    if (!(screen == screen_)) {
        const QString before = text();
        screen_ = screen;
        update();
        announceTextChange(this, before);
    }
}

QString ModuleDisplay::text() const {
    return QString::fromStdString(screenText(screen_));
}

QSize ModuleDisplay::sizeHint() const {
    return QSize(int(4 * DigitWidth + 2 * Margin), int(DigitHeight + 2 * Margin));
}

QSize ModuleDisplay::minimumSizeHint() const {
    return sizeHint() / 2;
}

void ModuleDisplay::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    // The largest scale at which the four digits fit, centred.
    const qreal naturalWidth = 4 * DigitWidth + 2 * Margin;
    const qreal naturalHeight = DigitHeight + 2 * Margin;
    const qreal scale = std::min(width() / naturalWidth, height() / naturalHeight);
    p.translate((width() - naturalWidth * scale) / 2, (height() - naturalHeight * scale) / 2);
    p.scale(scale, scale);
    const QColor lit = screen_.bright ? QColor(255, 30, 30) : QColor(120, 12, 12);
    const QColor unlit(38, 6, 6);
    for (std::size_t i = 0; i < screen_.digits.size(); ++i) {
        p.save();
        p.translate(Margin + DigitWidth * qreal(i), Margin);
        paintSegments(p, screen_.digits[i], Thickness, lit, unlit);
        p.restore();
    }
}

}  // namespace lumidex
