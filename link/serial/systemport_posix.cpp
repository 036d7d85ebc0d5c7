#include "link/serial/qtserialport.h"
#include "link/serial/systemport.h"

namespace lumidex {

std::unique_ptr<SerialPort> createSystemSerialPort(PortResolver resolver) {
    return std::make_unique<QtSerialPort>(std::move(resolver));
}

}  // namespace lumidex
