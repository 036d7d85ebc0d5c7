// Latin-1: every code point below 256 is its own byte.
#include "protocol/ansi.h"

namespace lumidex {

std::uint8_t ansiByte(char32_t ch) {
    if (ch > 0xFF) {
        throw ConversionError("the character " + describeChar(ch) +
                              " has no one-byte value in Latin-1");
    }
    return static_cast<std::uint8_t>(ch);
}

}  // namespace lumidex
