// The serial line lumidex-send sends on: which port and settings, and
// opening it through the system's serial component.
#pragma once

#include <memory>

#include "link/serialport.h"
#include "send/options.h"

namespace lumidex::send {

// Whether opening the line reads the settings file, which needs the
// application object (it looks for the file beside the program).
bool readsSettingsFile(const Options& options);

// Opens the line the options name. What --port and --baud leave out comes
// from the window's settings file, read once as the window reads it (beside
// the program, or its per-user copy) and never written: the stored port and
// settings, and the [Ports] pins for a COMn. A device given by its path
// (--port /dev/ttyUSB0) opens as a port without a number, so messages name
// it by that path. Throws SerialPortError, or std::runtime_error for a
// settings file that cannot be used, with a message for the operator.
std::unique_ptr<SerialPort> openLine(const Options& options);

}  // namespace lumidex::send
