#include "link/serial/systemport.h"
#include "link/serial/win32serialport.h"

namespace lumidex {

std::unique_ptr<SerialPort> createSystemSerialPort(PortResolver resolver) {
    return std::make_unique<Win32SerialPort>([resolver](int n) -> std::optional<std::string> {
        const std::optional<QString> name = resolver ? resolver(n) : portDevice(n);
        return name ? std::optional<std::string>(devicePath(name->toStdString())) : std::nullopt;
    });
}

}  // namespace lumidex
