#include "protocol/codes.h"

#include "protocol/hex.h"

namespace lumidex {

namespace {

// Every entry of the baud table as `word` gives it, "a, b or c".
template <typename Word>
std::string eachModuleBaud(Word word) {
    std::string text;
    for (std::size_t i = 0; i < kModuleBauds.size(); ++i) {
        if (i > 0) {
            text += i + 1 == kModuleBauds.size() ? " or " : ", ";
        }
        text += word(kModuleBauds[i]);
    }
    return text;
}

}  // namespace

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
    return eachModuleBaud([](const ModuleBaud& baud) { return hexByte(baud.code); });
}

std::string moduleBaudRatesText() {
    return eachModuleBaud([](const ModuleBaud& baud) { return std::to_string(baud.rate); });
}

long integerValue(bool isSigned, std::uint8_t high, std::uint8_t low) {
    const long raw = static_cast<long>(high) << 8 | low;
    return isSigned && raw >= 0x8000 ? raw - 0x10000 : raw;
}

}  // namespace lumidex
