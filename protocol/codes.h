// What the bytes of a frame mean beyond the command table: the unit
// configuration frames go to, the factory unit, the segment bits, the
// module's baud codes and memory, and how an integer is carried. The
// encoders, the decoder and the virtual module all read them from here.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace lumidex {

// The unit identifier every configuration frame is addressed to, whatever the
// module's own.
constexpr int ConfigUid = 30;

// The unit identifier a module answers to as it leaves the factory: where the
// window's unit selectors start, and the sender's and the virtual module's
// default.
constexpr int FactoryUid = 255;

// The module's screen memory: locations 0 to MemoryLocations - 1.
constexpr int MemoryLocations = 20;

// Segment byte of a digit: bit values 1 a, 2 b, 4 f, 8 dp, 16 g, 32 c, 64 d, 128 e.
namespace seg {
constexpr std::uint8_t A = 0x01, B = 0x02, F = 0x04, Point = 0x08, G = 0x10, C = 0x20, D = 0x40,
                       E = 0x80;
}

// A configuration frame's start-up byte for a digit: 08 (its decimal point,
// as in a segment byte) lights the point at start-up, 00 leaves it off.
constexpr std::uint8_t StartupPointOn = seg::Point;

// The rates a module can be configured to run at, in the order of the
// window's module baud list, and the code a configuration frame gives each.
// (The rates the host's line is opened at are another table, in link/.)
struct ModuleBaud {
    int rate;
    std::uint8_t code;
};
inline constexpr std::array<ModuleBaud, 3> kModuleBauds = {{{9600, 36}, {19200, 18}, {38400, 9}}};

// The rate a baud code selects; none for a byte that is no baud code.
std::optional<int> moduleBaudRate(std::uint8_t baudCode);

// The code of a module baud rate; throws OverflowError for a rate a module
// cannot be configured to.
std::uint8_t moduleBaudCode(int rate);

// The baud codes in hexadecimal, for messages: "24, 12 or 09".
std::string moduleBaudCodesText();
// The rates, for messages: "9600, 19200 or 38400".
std::string moduleBaudRatesText();

// The value an integer frame carries: high byte first, in two's complement
// when signed.
long integerValue(bool isSigned, std::uint8_t high, std::uint8_t low);

}  // namespace lumidex
