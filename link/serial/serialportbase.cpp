#include "link/serial/serialportbase.h"

#include "link/serial/portnames.h"
#include "protocol/hex.h"

namespace lumidex {

std::string SerialPortBase::portLabel(int port, const std::optional<std::string>& device) {
    if (port < 1) {
        return device ? "port " + *device : std::string("port");
    }
    const std::string name = comName(port);
    std::string label = "port " + name;
    if (device && *device != name && *device != "\\\\.\\" + name) {
        label += " (" + *device + ")";
    }
    return label;
}

SerialPortError SerialPortBase::noSuchDevice() const {
    return SerialPortError(portLabel(commPort_, std::nullopt) +
                           " could not be opened: no such device");
}

SerialPortError SerialPortBase::openFailed(const std::string& device,
                                           const std::string& reason) const {
    return SerialPortError(portLabel(commPort_, device) + " could not be opened: " + reason);
}

SerialPortError SerialPortBase::alreadyOpen() const {
    return SerialPortError(openLabel_ + " is already open");
}

SerialPortError SerialPortBase::notOpen() {
    return SerialPortError("port is not open");
}

SerialPortError SerialPortBase::byteFailed(std::uint8_t byte, const std::string& reason) const {
    return SerialPortError(openLabel_ + " could not send the byte " + hexByte(byte) + ": " +
                           reason);
}

SerialPortError SerialPortBase::bytesFailed(std::size_t count, const std::string& reason) const {
    return SerialPortError(openLabel_ + " could not send " + std::to_string(count) +
                           (count == 1 ? " byte: " : " bytes: ") + reason);
}

}  // namespace lumidex
