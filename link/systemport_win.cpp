#include "link/systemport.h"
#include "link/win32serialport.h"

namespace lumidex {

// A bare name such as "COM12" opens as \\.\COM12, the form every port number
// works with.
std::unique_ptr<SerialPort> createSystemSerialPort(PortResolver resolver) {
    return std::make_unique<Win32SerialPort>([resolver](int n) -> std::optional<std::string> {
        const std::optional<QString> device = resolver ? resolver(n) : portDevice(n);
        if (!device) {
            return std::nullopt;
        }
        return (device->startsWith(QLatin1String("\\\\")) ? *device : "\\\\.\\" + *device)
            .toStdString();
    });
}

}  // namespace lumidex
