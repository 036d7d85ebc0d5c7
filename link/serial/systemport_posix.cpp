#include "link/serial/posixserialport.h"
#include "link/serial/systemport.h"

namespace lumidex {

std::unique_ptr<SerialPort> createSystemSerialPort(PortResolver resolver) {
    return std::make_unique<PosixSerialPort>(std::move(resolver));
}

}  // namespace lumidex
