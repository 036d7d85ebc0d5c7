#include "protocol/codes.h"

#include "protocol/hex.h"

namespace lumidex {

int frameLengthOf(std::uint8_t c) {
    switch (c) {
        case code::Brightness:
            return 2;
        case code::DecimalPoints:
        case code::Recall:
        case code::Save:
            return 3;
        case code::Bcd:
        case code::Unsigned:
        case code::Signed:
            return 4;
        case code::Segments:
        case code::Text:
            return 6;
        case code::Configure:
            return 8;
        default:
            return 0;
    }
}

std::optional<int> moduleBaudRate(std::uint8_t baudCode) {
    for (const ModuleBaud& baud : kModuleBauds) {
        if (baud.code == baudCode) {
            return baud.rate;
        }
    }
    return std::nullopt;
}

std::string moduleBaudCodesText() {
    std::string text;
    for (std::size_t i = 0; i < kModuleBauds.size(); ++i) {
        if (i > 0) {
            text += i + 1 == kModuleBauds.size() ? " or " : ", ";
        }
        text += hexByte(kModuleBauds[i].code);
    }
    return text;
}

long integerValue(bool isSigned, std::uint8_t high, std::uint8_t low) {
    const long raw = static_cast<long>(high) << 8 | low;
    return isSigned && raw >= 0x8000 ? raw - 0x10000 : raw;
}

}  // namespace lumidex
