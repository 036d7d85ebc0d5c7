// What QSerialPort leaves to the platform. Windows accepts every combination
// the settings text can express (the driver refuses the ones its hardware
// lacks when the port opens); bytes go out through QSerialPort's own buffer.
#include "link/qtserialport.h"

namespace lumidex::detail {

std::optional<std::string> unsupportedLineSettings(const LineSettings& /*settings*/) {
    return std::nullopt;
}

std::optional<std::string> writeByte(QSerialPort& port, std::uint8_t byte, int /*timeoutMs*/) {
    port.clearError();
    const char data = static_cast<char>(byte);
    // write() only queues the byte in QSerialPort's buffer; flush() hands it
    // to the driver now. What is still queued afterwards was not taken. (The
    // QIODevice count: QSerialPort's own count also includes bytes the driver
    // accepted and is still sending.)
    if (port.write(&data, 1) == 1 && port.flush() && port.QIODevice::bytesToWrite() == 0) {
        return std::nullopt;
    }
    std::string reason;
    switch (port.error()) {
        case QSerialPort::ResourceError:
            reason = withSystemDetail("the device is no longer available", port);
            break;
        case QSerialPort::NoError:
            reason = "the driver did not take it";
            break;
        default:
            reason = withSystemDetail("the driver refused it", port);
    }
    // Drop the refused byte, or the event loop would keep retrying it and
    // might send it later, out of order.
    port.clear(QSerialPort::Output);
    port.clearError();
    return reason;
}

}  // namespace lumidex::detail
