#include "settings/portselection.h"

#include <cmath>

namespace lumidex {

namespace {

constexpr int kPortCount = 10;

// Nearest whole number, a half going to the even neighbour (2.5 -> 2, 1.5 -> 2).
double roundHalfEven(double x) {
    const double below = std::floor(x);
    const double fraction = x - below;
    if (fraction < 0.5) {
        return below;
    }
    if (fraction > 0.5) {
        return below + 1;
    }
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1;
}

}  // namespace

int storedPortPosition(const QString& stored) {
    bool ok = false;
    const double number = stored.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number)) {
        return 0;
    }
    const double position = roundHalfEven(number - 1);
    if (position < 0 || position > kPortCount - 1) {
        return 0;
    }
    return static_cast<int>(position);
}

int storedBaudPosition(const QString& stored) {
    if (stored.isEmpty()) {
        return 0;
    }
    QString prefix;
    if (stored.size() == 10) {
        prefix = stored.left(5);
    } else if (stored.size() == 11) {
        prefix = stored.left(6);
    }
    if (prefix == QLatin1String("9600,")) {
        return 0;
    }
    if (prefix == QLatin1String("19200,")) {
        return 1;
    }
    if (prefix == QLatin1String("38400,")) {
        return 2;
    }
    return -1;
}

QString lineSettingsFor(const QString& baud) {
    return baud + QStringLiteral(",n,8,1");
}

}  // namespace lumidex
