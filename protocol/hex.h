// Bytes as the program shows them everywhere: two upper-case hexadecimal
// digits each. The echo, the decoder's reports, the virtual module's notes,
// the serial components' messages and the window's lists all use these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lumidex {

// "0A", "FF".
std::string hexByte(std::uint8_t byte);

// The bytes separated by blanks: "FF 62 20".
std::string hexBytes(const std::vector<std::uint8_t>& bytes);

}  // namespace lumidex
