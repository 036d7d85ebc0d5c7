// How a port number (COM1, COM2, ...) names the device the port opens.
//
// On Windows port n is the device COMn. Elsewhere port n is the n-th serial
// device present at the moment of asking, in the natural order of their paths
// (/dev/ttyACM0, /dev/ttyS0, /dev/ttyS2, /dev/ttyS10, /dev/ttyUSB0); with
// fewer than n devices present, port n names none.
#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace lumidex {

// The name of port n: "COM3" for 3.
std::string comName(int n);

// The device port n opens, or none. Tests replace it, for example to point
// COM3 at a pseudo-terminal.
using PortResolver = std::function<std::optional<QString>(int)>;

// The serial devices present now, in the order port numbers count them
// (device paths elsewhere, "COM3"-style names on Windows). One enumeration of
// the system's ports; call it once to label several port entries.
std::vector<QString> serialDevices();

// The device port n opens, given the devices `present` as serialDevices()
// returned them; none when that device is not among them. Port numbers below
// 1 name no device.
std::optional<QString> deviceForPort(int n, const std::vector<QString>& present);

// The device port n opens now (enumerates the ports where that is needed).
std::optional<QString> portDevice(int n);

// Sorts device names so that runs of digits compare by value: "ttyS2" comes
// before "ttyS10".
void sortDeviceNames(std::vector<QString>& names);

}  // namespace lumidex
