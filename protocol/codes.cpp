#include "protocol/codes.h"

#include "protocol/frame.h"
#include "protocol/hex.h"
#include "protocol/text.h"

namespace lumidex {

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
    return listOf(codes, "or");
}

std::string moduleBaudRatesText() {
    std::vector<std::string> rates;
    for (const ModuleBaud& baud : kModuleBauds) {
        rates.push_back(std::to_string(baud.rate));
    }
    return listOf(rates, "or");
}

long integerValue(bool isSigned, std::uint8_t high, std::uint8_t low) {
    const long raw = static_cast<long>(high) << 8 | low;
    return isSigned && raw >= 0x8000 ? raw - 0x10000 : raw;
}

}  // namespace lumidex
