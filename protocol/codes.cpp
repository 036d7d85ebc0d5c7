#include "protocol/codes.h"

#include "protocol/frame.h"
#include "protocol/hex.h"
#include "protocol/text.h"

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

std::uint8_t moduleBaudCode(int rate) {
    for (const ModuleBaud& baud : kModuleBauds) {
        if (baud.rate == rate) {
            return baud.code;
        }
    }
    throw OverflowError("module baud rate " + std::to_string(rate) + " is none of " +
                        moduleBaudRatesText());
}

std::string moduleBaudCodesText() {
    std::vector<std::string> codes;
    for (const ModuleBaud& baud : kModuleBauds) {
        codes.push_back(hexByte(baud.code));
    }
    return alternatives(codes);
}

std::string moduleBaudRatesText() {
    std::vector<std::string> rates;
    for (const ModuleBaud& baud : kModuleBauds) {
        rates.push_back(std::to_string(baud.rate));
    }
    return alternatives(rates);
}

long integerValue(bool isSigned, std::uint8_t high, std::uint8_t low) {
    const long raw = static_cast<long>(high) << 8 | low;
    return isSigned && raw >= 0x8000 ? raw - 0x10000 : raw;
}

}  // namespace lumidex
