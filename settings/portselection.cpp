#include "settings/portselection.h"

#include <cmath>

#include "link/serial/linesettings.h"

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
    // The list's own form of a rate: "9600,n,8,1" is "9600," and five more
    // characters, whatever they say.
    for (std::size_t position = 0; position < kHostRates.size(); ++position) {
        const QString prefix = QString::number(kHostRates[position]) + QLatin1Char(',');
        if (stored.size() == prefix.size() + 5 && stored.startsWith(prefix)) {
            return static_cast<int>(position);
        }
    }
    return -1;
}

QString lineSettingsFor(const QString& baud) {
    return baud + QStringLiteral(",n,8,1");
}

}  // namespace lumidex
