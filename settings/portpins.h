// Ports pinned to devices in the settings file's "Ports" section:
//
//     [Ports]
//     COM2=/dev/serial/by-id/usb-FTDI_FT232R_A5XK3RJT-if00-port0
//     COM3=/dev/pts/7
//
// A pinned port opens exactly its device on every platform; a port without a
// pin keeps the platform's own rule (portDevice). The program's start-up reads
// the pins once and hands them to the serial port's resolver and the window.
#pragma once

#include <QString>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "link/serial/portnames.h"

namespace lumidex {

class modINI;

inline constexpr char kPortsSection[] = "Ports";

// Port number to device.
using PortPins = std::map<int, QString>;

// The port number a name such as "COM3" stands for: "COM" followed by a port
// number 1 to 32767 (any letter case, no leading zero); none for other names.
std::optional<int> comPortNumber(const QString& name);

// The pins among a section's keys and values: keys that name a port (see
// comPortNumber), with a non-empty value. Other keys are ignored.
PortPins parsePortPins(const std::vector<std::pair<QString, QString>>& entries);

// The pins of the settings file's "Ports" section, as `settings` read it.
PortPins readPortPins(const modINI& settings);

// Port n's pin, or none.
std::optional<QString> pinnedDevice(const PortPins& pins, int n);

// Names the device port n opens: its pin, or else what `unpinned` says.
PortResolver pinnedResolver(PortPins pins, PortResolver unpinned = portDevice);

}  // namespace lumidex
