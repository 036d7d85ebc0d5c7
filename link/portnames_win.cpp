// Port n is the device COMn, whether or not the system lists it: the open
// reports a port that is missing.
#include <QSerialPortInfo>

#include "link/portnames.h"

namespace lumidex {

std::vector<QString> serialDevices() {
    std::vector<QString> devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        devices.push_back(info.portName());
    }
    sortDeviceNames(devices);
    return devices;
}

std::optional<QString> deviceForPort(int n, const std::vector<QString>& /*present*/) {
    if (n < 1) {
        return std::nullopt;
    }
    return QStringLiteral("COM%1").arg(n);
}

std::optional<QString> portDevice(int n) {
    return deviceForPort(n, {});
}

}  // namespace lumidex
