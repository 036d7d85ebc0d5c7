// Port n is the n-th serial device present, counted in the natural order of
// the device paths.
#include <QSerialPortInfo>

#include "link/serial/portnames.h"

namespace lumidex {

std::vector<QString> serialDevices() {
    std::vector<QString> devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        devices.push_back(info.systemLocation());
    }
    sortDeviceNames(devices);
    return devices;
}

std::optional<QString> deviceForPort(int n, const std::vector<QString>& present) {
    if (n < 1 || static_cast<std::size_t>(n) > present.size()) {
        return std::nullopt;
    }
    return present[static_cast<std::size_t>(n) - 1];
}

std::optional<QString> portDevice(int n) {
    if (n < 1) {
        return std::nullopt;
    }
    return deviceForPort(n, serialDevices());
}

}  // namespace lumidex
