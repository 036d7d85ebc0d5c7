// The routine that puts a frame on the wire: the one way every program of the
// project sends a frame.
#pragma once

#include <functional>
#include <string>

#include "link/serialport.h"
#include "protocol/frame.h"

namespace lumidex {

// Receives the whole echo text each time it changes.
using EchoFn = std::function<void(const std::string&)>;

// Empties the echo, stamps the unit identifier into index 0, makes sure the
// port has room for the whole frame, then writes bytes 0..count-1 one at a
// time, echoing each byte right after it was handed to the port. A failure
// stops at the failing step: the echo then shows exactly the bytes that went
// out (none when the port had no room).
void TransmitFrame(Frame& TxFrame, int uid, int count, SerialPort& port, const EchoFn& echo);

}  // namespace lumidex
