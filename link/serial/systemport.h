// The serial port the program uses on this system: on Windows the Win32
// component, elsewhere the one on QSerialPort.
#pragma once

#include <memory>

#include "link/serial/portnames.h"
#include "link/serialport.h"

namespace lumidex {

// `resolver` names the device port n opens (a pinned device, or the system's
// own naming with portDevice).
std::unique_ptr<SerialPort> createSystemSerialPort(PortResolver resolver = portDevice);

}  // namespace lumidex
