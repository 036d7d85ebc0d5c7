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

int encodeBcd(Frame& f, int hiPosition, int loPosition) {
    f[1] = code::Bcd;
    f[2] = 0;
    f[3] = 0;
    f[2] = packedBcd(hiPosition);
    f[3] = packedBcd(loPosition);
    return frameLengthOf(code::Bcd);
}

int encodeInteger(Frame& f, bool isSigned, int highPosition, int lowPosition) {
    f[1] = isSigned ? code::Signed : code::Unsigned;
    f[2] = toByte(highPosition, "high byte");
    f[3] = toByte(lowPosition, "low byte");
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

int encodeSaveRecall(Frame& f, int index, int memoryPosition) {
    // Only 0 (save) and 1 (recall) name a command; anything else would put an
    // unknown code on the wire.
    if (index != 0 && index != 1) {
        throw std::invalid_argument("save/recall button index " + std::to_string(index) +
                                    " is neither 0 nor 1");
    }
    f[1] = toByte(code::Save - index, "command code");
    f[2] = toByte(memoryPosition, "memory location");
    return frameLengthOf(f[1]);
}

std::uint8_t moduleBaudCode(int position) {
    if (position < 0 || position >= static_cast<int>(kModuleBauds.size())) {
        throw OverflowError("module baud rate position " + std::to_string(position) +
                            " is none of 9600, 19200, 38400");
    }
    return kModuleBauds[static_cast<std::size_t>(position)].code;
}

int encodeConfig(Frame& f, int baudPosition, int newUidPosition,
                 const std::array<bool, 4>& startupPointsDigit4First) {
    f[1] = code::Configure;
    f[2] = moduleBaudCode(baudPosition);
    f[3] = toByte(newUidPosition, "new unit identifier");
    for (std::size_t i = 0; i < 4; ++i) {
        f[4 + i] = startupPointsDigit4First[i] ? StartupPointOn : 0;
    }
    return frameLengthOf(code::Configure);
}

int withBit(int mask, int bit, bool on) {
    return on ? (mask | bit) : (mask & ~bit);
}

}  // namespace lumidex
