#include "module/modulemodel.h"

#include <algorithm>

#include "protocol/commands.h"
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

namespace {

using State = ModuleModel::State;
using Kind = PayloadProblem::Kind;

// Draws four characters, one per digit, blank where there is no glyph.
void showText(State& m, const std::vector<std::uint8_t>& characters, ModuleResponse& r) {
    for (std::size_t i = 0; i < 4; ++i) {
        const std::optional<std::uint8_t> glyph = glyphOf(characters[i]);
        if (!glyph) {
            r.ignored.push_back("character " + characterName(characters[i]) + " on digit " +
                                std::to_string(4 - i) + " (no glyph, drawn blank)");
        }
        m.screen.digits[i] = glyph.value_or(0);
    }
}

// What a module does with each command of a frame addressed to it, the
// payload as the decoder checked it. Each returns whether the frame was
// obeyed, and names in `r` whatever it left undone.

bool showSegments(State& m, const DecodedFrame& frame, ModuleResponse&) {
    std::copy(frame.payload.begin(), frame.payload.end(), m.screen.digits.begin());
    return true;
}

bool showCharacters(State& m, const DecodedFrame& frame, ModuleResponse& r) {
    showText(m, frame.payload, r);
    return true;
}

bool setPoints(State& m, const DecodedFrame& frame, ModuleResponse& r) {
    // Bit 8 of the mask is Digit 4, the first digit on screen.
    const std::uint8_t mask = frame.payload[0];
    for (std::size_t i = 0; i < 4; ++i) {
        std::uint8_t& digit = m.screen.digits[i];
        digit = mask & (8 >> i) ? (digit | Point) : (digit & ~Point);
    }
    for (const PayloadProblem& problem : frame.problems) {
        r.ignored.push_back("decimal-point bits 0x" + hexByte(problem.value) +
                            " (they name no digit)");
    }
    return true;
}

bool showBcd(State& m, const DecodedFrame& frame, ModuleResponse& r) {
    const std::vector<std::uint8_t>& p = frame.payload;
    std::vector<std::uint8_t> text = {static_cast<std::uint8_t>('0' + (p[0] >> 4)),
                                      static_cast<std::uint8_t>('0' + (p[0] & 0x0F)),
                                      static_cast<std::uint8_t>('0' + (p[1] >> 4)),
                                      static_cast<std::uint8_t>('0' + (p[1] & 0x0F))};
    for (const PayloadProblem& problem : frame.problems) {
        text[static_cast<std::size_t>(4 - problem.digit)] = ' ';
        r.ignored.push_back("BCD nibble " + hexByte(problem.value).substr(1) + " on digit " +
                            std::to_string(problem.digit) + " (above 9, drawn blank)");
    }
    showText(m, text, r);
    return true;
}

bool showInteger(State& m, const DecodedFrame& frame, ModuleResponse& r) {
    const std::vector<std::uint8_t>& p = frame.payload;
    std::string text = std::to_string(integerValue(*frame.code == code::Signed, p[0], p[1]));
    if (text.size() > 4) {
        r.ignored.push_back("value " + text + " (needs more than four places)");
        text = "----";
    }
    text.insert(0, 4 - text.size(), ' ');  // right-aligned
    showText(m, std::vector<std::uint8_t>(text.begin(), text.end()), r);
    return true;
}

bool toggleBrightness(State& m, const DecodedFrame&, ModuleResponse&) {
    m.screen.bright = !m.screen.bright;
    return true;
}

// A location past the last is named and nothing is saved or recalled.
bool badLocation(const DecodedFrame& frame, ModuleResponse& r) {
    for (const PayloadProblem& problem : frame.problems) {
        r.ignored.push_back("memory location " + std::to_string(problem.value) +
                            " (locations are 0 to " + std::to_string(MemoryLocations - 1) + ")");
    }
    return !frame.problems.empty();
}

bool saveScreen(State& m, const DecodedFrame& frame, ModuleResponse& r) {
    if (badLocation(frame, r)) {
        return false;
    }
    m.memory[frame.payload[0]] = m.screen.digits;
    return true;
}

bool recallScreen(State& m, const DecodedFrame& frame, ModuleResponse& r) {
    if (badLocation(frame, r)) {
        return false;
    }
    m.screen.digits = m.memory[frame.payload[0]].value_or(Digits{});
    return true;
}

bool configure(State& m, const DecodedFrame& frame, ModuleResponse& r) {
    // A module half-configured from a damaged frame would be worse than one
    // left as it was, so any bad byte rejects the whole frame.
    if (!frame.problems.empty()) {
        const PayloadProblem& problem = frame.problems.front();
        r.ignored.push_back(problem.kind == Kind::BaudCode
                                ? "configuration with baud code 0x" + hexByte(problem.value) +
                                      " (not " + moduleBaudCodesText() + "; nothing changed)"
                                : "configuration with start-up point byte 0x" +
                                      hexByte(problem.value) + " on digit " +
                                      std::to_string(problem.digit) + " (not 00 or " +
                                      hexByte(StartupPointOn) + "; nothing changed)");
        return false;
    }
    const std::vector<std::uint8_t>& p = frame.payload;
    m.uid = p[1];
    std::copy(p.begin() + 2, p.end(), m.startupPoints.begin());
    m.configuredBaud = moduleBaudRate(p[0]);
    showText(m, {' ', 'S', 'E', 't'}, r);
    return true;
}

using Behaviour = bool (*)(State&, const DecodedFrame&, ModuleResponse&);

constexpr std::pair<std::uint8_t, Behaviour> kBehaviours[] = {
    {code::Text, showCharacters},         {code::Bcd, showBcd},
    {code::Unsigned, showInteger},        {code::Signed, showInteger},
    {code::Segments, showSegments},       {code::DecimalPoints, setPoints},
    {code::Brightness, toggleBrightness}, {code::Save, saveScreen},
    {code::Recall, recallScreen},         {code::Configure, configure},
};

constexpr bool everyCommandHasABehaviour() {
    for (const std::uint8_t c : kCommandCodes) {
        bool found = false;
        for (const auto& [behaviourCode, behaviour] : kBehaviours) {
            found = found || (behaviourCode == c && behaviour);
        }
        if (!found) {
            return false;
        }
    }
    return std::size(kBehaviours) == std::size(kCommandCodes);
}
static_assert(everyCommandHasABehaviour(),
              "every command code needs exactly one behaviour of the virtual module");

Behaviour behaviourOf(std::uint8_t c) {
    for (const auto& [behaviourCode, behaviour] : kBehaviours) {
        if (behaviourCode == c) {
            return behaviour;
        }
    }
    return nullptr;
}

}  // namespace

ModuleModel::ModuleModel(std::uint8_t uid) {
    state_.uid = uid;
    restart();
}

void ModuleModel::restart() {
    state_.screen.digits = state_.startupPoints;
    state_.screen.bright = true;
}

ModuleResponse ModuleModel::apply(const DecodedFrame& frame) {
    ModuleResponse r;
    r.frame = frame.description;
    // Only whole frames of a known command are obeyed.
    const Command* command = frame.kind == DecodedFrame::Kind::Complete && frame.code
                                 ? commandFor(*frame.code)
                                 : nullptr;
    if (!command) {
        r.ignored.push_back(frame.description);
        return r;
    }
    if (command->toConfigUnit && frame.uid != ConfigUid) {
        r.ignored.push_back("configuration frame for UID " + std::to_string(frame.uid) +
                            " (taken only at UID " + std::to_string(ConfigUid) + ")");
        return r;
    }
    if (!command->toConfigUnit && frame.uid != state_.uid) {
        r.ignored.push_back("frame for UID " + std::to_string(frame.uid) + " (this module is " +
                            std::to_string(state_.uid) + ")");
        return r;
    }
    r.obeyed = behaviourOf(command->code)(state_, frame, r);
    return r;
}

}  // namespace lumidex
