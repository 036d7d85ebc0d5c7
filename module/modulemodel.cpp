#include "module/modulemodel.h"

#include "protocol/hex.h"

namespace lumidex {

namespace {

using namespace seg;

using Digits = std::array<std::uint8_t, 4>;

// A character as the status line names it: 'B' (0x42), or just 0x07 when it
// would not print.
std::string characterName(std::uint8_t ch) {
    if (ch >= 0x21 && ch < 0x7F) {
        return std::string("'") + static_cast<char>(ch) + "' (0x" + hexByte(ch) + ")";
    }
    return "0x" + hexByte(ch);
}

}  // namespace

std::string screenLine(const ModuleScreen& screen) {
    std::string out = "screen";
    for (std::uint8_t digit : screen.digits) {
        out += ' ' + hexByte(digit);
    }
    return out + (screen.bright ? " bright" : " dim");
}

std::optional<std::uint8_t> glyphOf(std::uint8_t ch) {
    switch (ch) {
        case '0':
        case 'O':
            return A | B | C | D | E | F;
        case '1':
            return B | C;
        case '2':
            return A | B | G | E | D;
        case '3':
            return A | B | G | C | D;
        case '4':
            return F | G | B | C;
        case '5':
        case 'S':
            return A | F | G | C | D;
        case '6':
            return A | F | G | E | D | C;
        case '7':
            return A | B | C;
        case '8':
            return A | B | C | D | E | F | G;
        case '9':
            return A | B | C | D | F | G;
        case 'A':
            return A | B | C | E | F | G;
        case 'b':
            return F | E | D | C | G;
        case 'C':
            return A | F | E | D;
        case 'c':
            return G | E | D;
        case 'd':
            return B | C | D | E | G;
        case 'E':
            return A | F | G | E | D;
        case 'F':
            return A | F | G | E;
        case 'H':
            return F | E | G | B | C;
        case 'h':
            return F | E | G | C;
        case 'I':
            return F | E;
        case 'J':
            return B | C | D | E;
        case 'L':
            return F | E | D;
        case 'n':
            return E | G | C;
        case 'o':
            return G | C | D | E;
        case 'P':
            return A | B | F | G | E;
        case 'r':
            return E | G;
        case 't':
            return F | E | D | G;
        case 'U':
            return F | E | D | C | B;
        case 'u':
            return E | D | C;
        case 'y':
            return F | G | B | C | D;
        case '-':
            return G;
        case ' ':
            return 0;
        case 'T':  // the degree sign
            return A | B | F | G;
        default:
            return std::nullopt;
    }
}

std::string screenText(const ModuleScreen& screen) {
    std::string text;
    for (std::uint8_t digit : screen.digits) {
        const std::uint8_t pattern = digit & ~Point;
        // The first character drawn so: '0' before 'O', '5' before 'S'.
        std::optional<char> shown;
        for (int ch = ' '; ch <= '~' && !shown; ++ch) {
            if (glyphOf(static_cast<std::uint8_t>(ch)) == pattern) {
                shown = static_cast<char>(ch);
            }
        }
        if (shown == 'T') {
            text += "\xC2\xB0";  // the degree sign
        } else if (shown) {
            text += *shown;
        } else {
            text += '[';
            for (const auto& [bit, letter] :
                 {std::pair{A, 'a'}, {B, 'b'}, {C, 'c'}, {D, 'd'}, {E, 'e'}, {F, 'f'}, {G, 'g'}}) {
                if (pattern & bit) {
                    text += letter;
                }
            }
            text += ']';
        }
        if (digit & Point) {
            text += '.';
        }
    }
    const std::size_t first = text.find_first_not_of(' ');
    text = first == std::string::npos ? "blank"
                                      : text.substr(first, text.find_last_not_of(' ') - first + 1);
    return text + (screen.bright ? ", bright" : ", dim");
}

ModuleModel::ModuleModel(std::uint8_t uid) : uid_(uid) {
    restart();
}

void ModuleModel::restart() {
    screen_.digits = startupPoints_;
    screen_.bright = true;
}

ModuleResponse ModuleModel::apply(const DecodedFrame& frame) {
    ModuleResponse r;
    r.frame = frame.description;
    // Only whole frames are obeyed; the payload is read by position below.
    if (frame.kind != DecodedFrame::Kind::Complete || !frame.code ||
        frame.payload.size() + 2 != static_cast<std::size_t>(frameLengthOf(*frame.code))) {
        r.ignored.push_back(frame.description);
        return r;
    }
    const std::uint8_t c = *frame.code;
    if (c == code::Configure) {
        if (frame.uid != ConfigUid) {
            r.ignored.push_back("configuration frame for UID " + std::to_string(frame.uid) +
                                " (taken only at UID " + std::to_string(ConfigUid) + ")");
            return r;
        }
        applyConfiguration(frame, r);
        return r;
    }
    if (frame.uid != uid_) {
        r.ignored.push_back("frame for UID " + std::to_string(frame.uid) + " (this module is " +
                            std::to_string(uid_) + ")");
        return r;
    }
    applyDisplay(frame, r);
    return r;
}

void ModuleModel::showText(const std::vector<std::uint8_t>& characters, ModuleResponse& r) {
    for (std::size_t i = 0; i < 4; ++i) {
        const std::optional<std::uint8_t> glyph = glyphOf(characters[i]);
        if (!glyph) {
            r.ignored.push_back("character " + characterName(characters[i]) + " on digit " +
                                std::to_string(4 - i) + " (no glyph, drawn blank)");
        }
        screen_.digits[i] = glyph.value_or(0);
    }
}

void ModuleModel::applyDisplay(const DecodedFrame& frame, ModuleResponse& r) {
    const std::vector<std::uint8_t>& p = frame.payload;
    switch (*frame.code) {
        case code::Segments:
            for (std::size_t i = 0; i < 4; ++i) {
                screen_.digits[i] = p[i];
            }
            break;
        case code::Text:
            showText(p, r);
            break;
        case code::DecimalPoints:
            // Bit 8 of the mask is Digit 4, the first digit on screen.
            for (std::size_t i = 0; i < 4; ++i) {
                const bool on = p[0] & (8 >> i);
                screen_.digits[i] = on ? (screen_.digits[i] | Point) : (screen_.digits[i] & ~Point);
            }
            if (p[0] & 0xF0) {
                r.ignored.push_back("decimal-point bits 0x" + hexByte(p[0] & 0xF0) +
                                    " (they name no digit)");
            }
            break;
        case code::Bcd: {
            const std::uint8_t nibbles[4] = {
                static_cast<std::uint8_t>(p[0] >> 4), static_cast<std::uint8_t>(p[0] & 0x0F),
                static_cast<std::uint8_t>(p[1] >> 4), static_cast<std::uint8_t>(p[1] & 0x0F)};
            std::vector<std::uint8_t> text(4);
            for (std::size_t i = 0; i < 4; ++i) {
                text[i] = nibbles[i] <= 9 ? static_cast<std::uint8_t>('0' + nibbles[i]) : ' ';
                if (nibbles[i] > 9) {
                    r.ignored.push_back("BCD nibble " + hexByte(nibbles[i]).substr(1) +
                                        " on digit " + std::to_string(4 - i) +
                                        " (above 9, drawn blank)");
                }
            }
            showText(text, r);
            break;
        }
        case code::Unsigned:
        case code::Signed: {
            const long value = integerValue(*frame.code == code::Signed, p[0], p[1]);
            std::string text = std::to_string(value);
            if (text.size() > 4) {
                r.ignored.push_back("value " + text + " (needs more than four places)");
                text = "----";
            }
            text.insert(0, 4 - text.size(), ' ');  // right-aligned
            showText(std::vector<std::uint8_t>(text.begin(), text.end()), r);
            break;
        }
        case code::Brightness:
            screen_.bright = !screen_.bright;
            break;
        case code::Save:
        case code::Recall: {
            const int location = p[0];
            if (location >= MemoryLocations) {
                r.ignored.push_back("memory location " + std::to_string(location) +
                                    " (locations are 0 to " + std::to_string(MemoryLocations - 1) +
                                    ")");
                return;
            }
            if (*frame.code == code::Save) {
                memory_[location] = screen_.digits;
            } else {
                screen_.digits = memory_[location].value_or(Digits{});
            }
            break;
        }
        default:
            r.ignored.push_back(frame.description);
            return;
    }
    r.obeyed = true;
}

void ModuleModel::applyConfiguration(const DecodedFrame& frame, ModuleResponse& r) {
    const std::vector<std::uint8_t>& p = frame.payload;
    const std::optional<int> baud = moduleBaudRate(p[0]);
    // A module half-configured from a damaged frame would be worse than one
    // left as it was, so any bad byte rejects the whole frame.
    if (!baud) {
        r.ignored.push_back("configuration with baud code 0x" + hexByte(p[0]) + " (not " +
                            moduleBaudCodesText() + "; nothing changed)");
        return;
    }
    Digits points{};
    for (std::size_t i = 0; i < 4; ++i) {
        if (p[2 + i] != 0 && p[2 + i] != StartupPointOn) {
            r.ignored.push_back("configuration with start-up point byte 0x" + hexByte(p[2 + i]) +
                                " on digit " + std::to_string(4 - i) + " (not 00 or " +
                                hexByte(StartupPointOn) + "; nothing changed)");
            return;
        }
        points[i] = p[2 + i];
    }
    uid_ = p[1];
    startupPoints_ = points;
    configuredBaud_ = baud;
    showText({' ', 'S', 'E', 't'}, r);
    r.obeyed = true;
}

}  // namespace lumidex
