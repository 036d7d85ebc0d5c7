#include "protocol/frame.h"

#include "protocol/hex.h"

namespace lumidex {

std::uint8_t toByte(int value, const char* what) {
    if (value < 0 || value > 255) {
        throw OverflowError(std::string(what) + " " + std::to_string(value) +
                            " is outside 0 to 255");
    }
    return static_cast<std::uint8_t>(value);
}

std::string echoOf(std::uint8_t byte) {
    return hexByte(byte) + ' ';
}

}  // namespace lumidex
