// One-byte character-set conversion for text sent to the module: the system's
// ANSI code page on Windows, Latin-1 (ISO-8859-1) elsewhere.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace lumidex {

// A character has no one-byte value in the character set.
class ConversionError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The character's one-byte value; throws ConversionError naming the character
// when it has none. Never substitutes a replacement character.
std::uint8_t ansiByte(char32_t ch);

// "'€' (U+20AC)": the character as UTF-8 and its code point, for messages.
std::string describeChar(char32_t ch);

}  // namespace lumidex
