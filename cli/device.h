// What a DEVICE operand or lumidex-send's --port DEVICE names.
#pragma once

#include <string>

namespace lumidex::cli {

// The path a device name opens. On POSIX systems a name with a slash is a
// path, relative to the current folder unless it starts with one, and a bare
// name such as ttyUSB0 is the device of that name in /dev (as Qt names serial
// ports); on Windows the name is the port's name as given (COM7, \\.\COM7).
// Throws ArgumentError, naming the path it tried, for an empty name and for
// one that exists and is not a character device (a serial line is one); a
// name that does not exist is left for the open to report.
std::string devicePath(const std::string& name);

}  // namespace lumidex::cli
