#include "link/portpins.h"

#include "link/serial/portnames.h"

namespace lumidex {

namespace {

PortPins& pinTable() {
    static PortPins pins;
    return pins;
}

}  // namespace

PortPins parsePortPins(const std::vector<std::pair<QString, QString>>& entries) {
    PortPins pins;
    for (const auto& [key, value] : entries) {
        if (!key.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) || value.isEmpty()) {
            continue;
        }
        const QString digits = key.mid(3);
        bool ok = false;
        const int n = digits.toInt(&ok);
        // The number as the port list writes it: digits only, no sign or zero in front.
        if (ok && n >= 1 && n <= 32767 && digits == QString::number(n)) {
            pins.emplace(n, value);
        }
    }
    return pins;
}

void setPortPins(PortPins pins) {
    pinTable() = std::move(pins);
}

std::optional<QString> pinnedDevice(int n) {
    const auto it = pinTable().find(n);
    if (it == pinTable().end()) {
        return std::nullopt;
    }
    return it->second;
}

std::optional<QString> pinnedPortDevice(int n) {
    if (std::optional<QString> pin = pinnedDevice(n)) {
        return pin;
    }
    return portDevice(n);
}

}  // namespace lumidex
