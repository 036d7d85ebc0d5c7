// The frame buffer and the routine that puts a frame on the wire.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "link/serialport.h"

namespace lumidex {

// The frame being built: index 0 unit identifier, 1 command code, 2..7 payload.
// Indexes 8..10 are spare. A command writes only the indexes it uses; the rest
// keep what an earlier command left, and only the first `count` bytes are sent.
using Frame = std::array<std::uint8_t, 11>;

// A value stored into the frame lay outside 0 to 255.
class OverflowError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Converts a value to a frame byte with a range check. `what` names the value
// in the error message ("memory location -1 is outside 0 to 255").
std::uint8_t toByte(int value, const char* what);

// Two upper-case hexadecimal digits and one blank: "0A ", "FF ".
std::string echoOf(std::uint8_t byte);

// Receives the whole echo text each time it changes.
using EchoFn = std::function<void(const std::string&)>;

// Empties the echo, stamps the unit identifier (the UID selector's position)
// into index 0, makes sure the port has room for the whole frame, then writes
// bytes 0..count-1 one at a time, echoing each byte right after it was handed
// to the port. A failure stops at the failing step: the echo then shows
// exactly the bytes that went out (none when the port had no room).
void TransmitFrame(Frame& TxFrame, int uidPosition, int count, SerialPort& port,
                   const EchoFn& echo);

}  // namespace lumidex
