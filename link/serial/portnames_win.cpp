// Port n is the device COMn, whether or not the system lists it: the open
// reports a port that is missing. The list only says which ports exist now.
#include <algorithm>

#include "link/serial/comports.h"
#include "link/serial/portnames.h"

namespace lumidex {

std::vector<QString> serialDevices() {
    std::vector<QString> devices;
    for (const std::string& port : systemComPorts()) {
        devices.push_back(QString::fromStdString(port));
    }
    sortDeviceNames(devices);
    return devices;
}

std::optional<QString> deviceForPort(int n, const std::vector<QString>& present) {
    const QString name = QString::fromStdString(comName(n));
    if (n < 1 || std::find(present.begin(), present.end(), name) == present.end()) {
        return std::nullopt;
    }
    return name;
}

std::optional<QString> portDevice(int n) {
    if (n < 1) {
        return std::nullopt;
    }
    return QString::fromStdString(comName(n));
}

}  // namespace lumidex
