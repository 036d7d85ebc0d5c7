#include "protocol/commands.h"

#include "protocol/ansi.h"

namespace lumidex {

std::u32string padText(const std::u32string& text) {
    if (text.size() >= 4) {
        return text;
    }
    return std::u32string(4 - text.size(), U' ') + text;
}

int encodeText(Frame& f, const std::u32string& padded) {
    f[1] = code::Text;
    if (padded.empty()) {
        throw std::invalid_argument("text is empty after padding");
    }
    for (std::size_t i = 0; i < 4; ++i) {
        const char32_t ch = i < 3 && i < padded.size() ? padded[i] : padded.back();
        f[2 + i] = ansiByte(ch);
    }
    return frameLengthOf(code::Text);
}

std::uint8_t packedBcd(int value) {
    if (value < 0 || value > 99) {
        throw OverflowError("BCD value " + std::to_string(value) + " is outside 0 to 99");
    }
    return static_cast<std::uint8_t>((value / 10) << 4 | (value % 10));
}

int encodeBcd(Frame& f, int leading, int trailing) {
    f[1] = code::Bcd;
    f[2] = 0;
    f[3] = 0;
    f[2] = packedBcd(leading);
    f[3] = packedBcd(trailing);
    return frameLengthOf(code::Bcd);
}

int encodeInteger(Frame& f, bool isSigned, int high, int low) {
    f[1] = isSigned ? code::Signed : code::Unsigned;
    f[2] = toByte(high, "high byte");
    f[3] = toByte(low, "low byte");
    return frameLengthOf(f[1]);
}

int encodeSegments(Frame& f, int mask4, int mask3, int mask2, int mask1) {
    f[1] = code::Segments;
    f[2] = toByte(mask4, "segment mask of Digit 4");
    f[3] = toByte(mask3, "segment mask of Digit 3");
    f[4] = toByte(mask2, "segment mask of Digit 2");
    f[5] = toByte(mask1, "segment mask of Digit 1");
    return frameLengthOf(code::Segments);
}

int encodeDecimalPoints(Frame& f, int dpMask) {
    f[1] = code::DecimalPoints;
    f[2] = toByte(dpMask, "decimal-point mask");
    return frameLengthOf(code::DecimalPoints);
}

int encodeBrightness(Frame& f) {
    f[1] = code::Brightness;
    return frameLengthOf(code::Brightness);
}

int encodeSave(Frame& f, int location) {
    f[1] = code::Save;
    f[2] = toByte(location, "memory location");
    return frameLengthOf(code::Save);
}

int encodeRecall(Frame& f, int location) {
    f[1] = code::Recall;
    f[2] = toByte(location, "memory location");
    return frameLengthOf(code::Recall);
}

int encodeConfig(Frame& f, int newUid, int moduleBaudRate,
                 const std::array<bool, 4>& startupPointsDigit4First) {
    f[1] = code::Configure;
    f[2] = moduleBaudCode(moduleBaudRate);
    f[3] = toByte(newUid, "new unit identifier");
    for (std::size_t i = 0; i < 4; ++i) {
        f[4 + i] = startupPointsDigit4First[i] ? StartupPointOn : 0;
    }
    return frameLengthOf(code::Configure);
}

}  // namespace lumidex
