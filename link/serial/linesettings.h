// The line parameters of a serial port, written as text the way the settings
// file and the baud list keep them: "baud,parity,data bits,stop bits", for
// example "9600,n,8,1".
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace lumidex {

enum class Parity { None, Even, Odd, Mark, Space };
enum class StopBits { One, OneAndHalf, Two };

struct LineSettings {
    std::int32_t baudRate = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;

    bool operator==(const LineSettings& other) const {
        return baudRate == other.baudRate && parity == other.parity && dataBits == other.dataBits &&
               stopBits == other.stopBits;
    }
    bool operator!=(const LineSettings& other) const { return !(*this == other); }
};

// The rates the host's line is offered at, in the order of the window's baud
// list: what the operator picks from, and what lumidex-send's --baud takes.
// (The rates a module can be configured to run at are another table, in
// protocol/codes.h.)
inline constexpr std::array<std::int32_t, 3> kHostRates = {9600, 19200, 38400};

// The host rates, for messages: "9600, 19200 or 38400".
std::string hostRatesText();

// Parses "baud,parity,data bits,stop bits". The baud rate is any positive
// whole number that fits 32 bits; the parity one of the letters n, e, o, m, s
// (upper case too); data bits 5 to 8; stop bits 1, 1.5 or 2. Blanks around a
// field are ignored. Text that does not parse throws SerialPortError whose
// message quotes it, for example
//   settings "9600,x,8,1" are not valid: parity must be n, e, o, m or s
LineSettings parseLineSettings(const std::string& text);

}  // namespace lumidex
