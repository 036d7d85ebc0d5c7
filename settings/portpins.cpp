#include "settings/portpins.h"

#include "settings/modini.h"

namespace lumidex {

std::optional<int> comPortNumber(const QString& name) {
    if (!name.startsWith(QLatin1String("COM"), Qt::CaseInsensitive)) {
        return std::nullopt;
    }
    const QString digits = name.mid(3);
    bool ok = false;
    const int n = digits.toInt(&ok);
    // The number as the port list writes it: digits only, no sign or zero in front.
    if (ok && n >= 1 && n <= 32767 && digits == QString::number(n)) {
        return n;
    }
    return std::nullopt;
}

PortPins parsePortPins(const std::vector<std::pair<QString, QString>>& entries) {
    PortPins pins;
    for (const auto& [key, value] : entries) {
        if (const std::optional<int> n = comPortNumber(key); n && !value.isEmpty()) {
            pins.emplace(*n, value);
        }
    }
    return pins;
}

PortPins readPortPins(const modINI& settings) {
    return parsePortPins(settings.ReadSection(kPortsSection));
}

std::optional<QString> pinnedDevice(const PortPins& pins, int n) {
    const auto it = pins.find(n);
    if (it == pins.end()) {
        return std::nullopt;
    }
    return it->second;
}

PortResolver pinnedResolver(PortPins pins, PortResolver unpinned) {
    return [pins = std::move(pins), unpinned = std::move(unpinned)](int n) {
        if (std::optional<QString> pin = pinnedDevice(pins, n)) {
            return pin;
        }
        return unpinned(n);
    };
}

}  // namespace lumidex
