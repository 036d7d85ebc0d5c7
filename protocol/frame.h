// The frame buffer, and how a value becomes one of its bytes and a byte
// becomes its echo.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

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

}  // namespace lumidex
