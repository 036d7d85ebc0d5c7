// The serial line lumidex-send sends on: which port and settings, and
// opening it through the program's serial component.
#pragma once

#include <memory>
#include <string>

#include "link/serialport.h"
#include "send/options.h"

namespace lumidex::send {

struct Line {
    std::unique_ptr<SerialPort> port;
    // A device given by its path (--port /dev/ttyUSB0); empty for COMn.
    std::string device;

    // A failure's message as the serial component words it, with a device
    // given by path named by that path alone instead of a port number it
    // never had ("port COM1 (/dev/ttyUSB0) could not ..." becomes
    // "/dev/ttyUSB0 could not ...").
    std::string explain(const std::string& message) const;
};

// Whether opening the line reads the settings file, which needs the
// application object (it looks for the file beside the program).
bool readsSettingsFile(const Options& options);

// Opens the line the options name. What --port and --baud leave out comes
// from the window's settings file, read as the window reads it (beside the
// program, or its per-user copy) and never written: the stored port and
// settings, and the [Ports] pins for a COMn. Throws SerialPortError, or
// std::runtime_error for a settings file that cannot be used, with a message
// for the operator.
Line openLine(const Options& options);

}  // namespace lumidex::send
