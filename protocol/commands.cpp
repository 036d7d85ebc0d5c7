#include "protocol/commands.h"

#include <algorithm>

#include "protocol/ansi.h"
#include "protocol/hex.h"
#include "protocol/text.h"

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

// ---- What a received payload means ------------------------------------------

namespace {

using Problems = std::vector<PayloadProblem>;
using Kind = PayloadProblem::Kind;

// "digit 2", "digits 4 and 1", "digits 4, 3 and 1"; digits given Digit 4 first.
std::string digitList(const std::vector<int>& digits) {
    std::vector<std::string> numbers;
    for (const int digit : digits) {
        numbers.push_back(std::to_string(digit));
    }
    return (digits.size() == 1 ? "digit " : "digits ") + listOf(numbers, "and");
}

std::string pointsText(const std::vector<int>& digits) {
    return digits.empty() ? "off" : "on " + digitList(digits);
}

// Latin-1 text in double quotes, printable characters as UTF-8 and the rest
// escaped, so that every byte stays visible and nothing controls the terminal.
std::string quotedLatin1(const std::uint8_t* bytes, std::size_t size) {
    std::string out = "\"";
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t b = bytes[i];
        if (b == '"' || b == '\\') {
            out += '\\';
            out += static_cast<char>(b);
        } else if (b >= 0x20 && b < 0x7F) {
            out += static_cast<char>(b);
        } else if (b > 0xA0 && b != 0xAD) {
            out += encodeUtf8(b);
        } else {
            out += "\\x" + hexByte(b);
        }
    }
    return out + "\"";
}

std::string describeText(const std::uint8_t* p, Problems&) {
    return "text " + quotedLatin1(p, 4);
}

std::string describeBcd(const std::uint8_t* p, Problems& problems) {
    const std::size_t before = problems.size();
    for (int i = 0; i < 4; ++i) {
        const auto nibble = static_cast<std::uint8_t>(i % 2 == 0 ? p[i / 2] >> 4 : p[i / 2] & 0x0F);
        if (nibble > 9) {
            problems.push_back({Kind::BcdNibble, nibble, 4 - i});
        }
    }
    if (problems.size() > before) {
        return "BCD invalid: " + hexBytes({p, p + 2}) + " holds a digit above 9";
    }
    return "BCD " + hexByte(p[0]) + hexByte(p[1]);
}

std::string describeInteger(bool isSigned, const std::uint8_t* p) {
    return std::string(isSigned ? "signed" : "unsigned") + " integer 0x" + hexByte(p[0]) +
           hexByte(p[1]) + " (" + std::to_string(integerValue(isSigned, p[0], p[1])) + ")";
}

std::string describeUnsigned(const std::uint8_t* p, Problems&) {
    return describeInteger(false, p);
}

std::string describeSigned(const std::uint8_t* p, Problems&) {
    return describeInteger(true, p);
}

std::string describeSegments(const std::uint8_t* p, Problems&) {
    return "segments " + hexBytes({p, p + 4});
}

std::string describePoints(const std::uint8_t* p, Problems& problems) {
    std::vector<int> digits;
    for (int digit = 4; digit >= 1; --digit) {
        if (p[0] & (1 << (digit - 1))) {
            digits.push_back(digit);
        }
    }
    std::string out = "decimal points " + pointsText(digits);
    if (p[0] & 0xF0) {
        problems.push_back({Kind::PointBits, static_cast<std::uint8_t>(p[0] & 0xF0)});
        out += " (invalid: bits 0x" + hexByte(p[0] & 0xF0) + " name no digit)";
    }
    return out;
}

std::string describeBrightness(const std::uint8_t*, Problems&) {
    return "brightness toggle";
}

std::string describeMemory(const std::string& what, std::uint8_t location, Problems& problems) {
    std::string out = what + std::to_string(location);
    if (location >= MemoryLocations) {
        problems.push_back({Kind::MemoryLocation, location});
        out += " (invalid: memory locations are 0 to " + std::to_string(MemoryLocations - 1) + ")";
    }
    return out;
}

std::string describeSave(const std::uint8_t* p, Problems& problems) {
    return describeMemory("save screen to memory ", p[0], problems);
}

std::string describeRecall(const std::uint8_t* p, Problems& problems) {
    return describeMemory("recall screen from memory ", p[0], problems);
}

std::string describeConfig(const std::uint8_t* p, Problems& problems) {
    std::string out = "configure: baud ";
    if (const std::optional<int> rate = moduleBaudRate(p[0])) {
        out += std::to_string(*rate);
    } else {
        problems.push_back({Kind::BaudCode, p[0]});
        out += "code 0x" + hexByte(p[0]) + " (invalid: not " + moduleBaudCodesText() + ")";
    }
    out += ", new UID " + std::to_string(p[1]) + ", start-up decimal points ";
    std::vector<int> digits;
    bool pointsValid = true;
    for (int i = 2; i < 6; ++i) {
        if (p[i] == StartupPointOn) {
            digits.push_back(6 - i);
        } else if (p[i] != 0) {
            pointsValid = false;
            problems.push_back({Kind::StartupPoint, p[i], 6 - i});
        }
    }
    if (!pointsValid) {
        return out + "invalid: " + hexBytes({p + 2, p + 6}) + " (each byte must be 00 or " +
               hexByte(StartupPointOn) + ")";
    }
    return out + pointsText(digits);
}

// ---- The sender's words -------------------------------------------------------

// A segment byte: one or two hexadecimal digits, any letter case.
int segmentByte(const std::string& text) {
    int value = text.empty() || text.size() > 2 ? -1 : 0;
    for (std::size_t i = 0; value >= 0 && i < text.size(); ++i) {
        const char ch = text[i];
        const int digit = ch >= '0' && ch <= '9'   ? ch - '0'
                          : ch >= 'a' && ch <= 'f' ? ch - 'a' + 10
                          : ch >= 'A' && ch <= 'F' ? ch - 'A' + 10
                                                   : -1;
        value = digit < 0 ? -1 : value * 16 + digit;
    }
    if (value < 0) {
        throw BadInput("segment byte must be two hexadecimal digits from 00 to FF: " +
                       quoted(text));
    }
    return value;
}

int pointMask(const std::string& text, const char* what) {
    return static_cast<int>(numberIn(text, 0, 15, what));
}

int memoryLocation(const std::string& text) {
    return static_cast<int>(numberIn(text, 0, MemoryLocations - 1, "memory location"));
}

// Each takes the command's values, checked here within the limits of the
// window's lists and boxes, and fills the frame as the window's button does
// for the same inputs.

int textFromWords(Frame& f, const Words& v) {
    const std::optional<std::u32string> text = decodeUtf8(v[0]);
    if (!text) {
        throw BadInput("the text is not UTF-8 (save the script as UTF-8)");
    }
    if (text->size() > 4) {
        throw BadInput("text has " + std::to_string(text->size()) +
                       " characters, the module shows at most 4: " + quoted(v[0]));
    }
    return encodeText(f, padText(*text));
}

int bcdFromWords(Frame& f, const Words& v) {
    const std::string& digits = v[0];
    const bool plain = digits.size() == 4 && std::all_of(digits.begin(), digits.end(), [](char ch) {
                           return ch >= '0' && ch <= '9';
                       });
    if (!plain) {
        throw BadInput("bcd takes four decimal digits, 0000 to 9999: " + quoted(digits));
    }
    return encodeBcd(f, std::stoi(digits.substr(0, 2)), std::stoi(digits.substr(2)));
}

int unsignedFromWords(Frame& f, const Words& v) {
    const auto n = static_cast<int>(numberIn(v[0], 0, 65535, "uint value"));
    return encodeInteger(f, false, n >> 8, n & 0xFF);
}

int signedFromWords(Frame& f, const Words& v) {
    // The 16-bit two's complement pattern: -42 is FF D6.
    const auto n = static_cast<int>(numberIn(v[0], -32768, 32767, "int value")) & 0xFFFF;
    return encodeInteger(f, true, n >> 8, n & 0xFF);
}

int segmentsFromWords(Frame& f, const Words& v) {
    return encodeSegments(f, segmentByte(v[0]), segmentByte(v[1]), segmentByte(v[2]),
                          segmentByte(v[3]));
}

int pointsFromWords(Frame& f, const Words& v) {
    return encodeDecimalPoints(f, pointMask(v[0], "decimal-point mask"));
}

int brightnessFromWords(Frame& f, const Words&) {
    return encodeBrightness(f);
}

int saveFromWords(Frame& f, const Words& v) {
    return encodeSave(f, memoryLocation(v[0]));
}

int recallFromWords(Frame& f, const Words& v) {
    return encodeRecall(f, memoryLocation(v[0]));
}

int configFromWords(Frame& f, const Words& v) {
    const int uid = static_cast<int>(numberIn(v[0], 0, 255, "new unit identifier"));
    const auto baud =
        std::find_if(kModuleBauds.begin(), kModuleBauds.end(),
                     [&v](const ModuleBaud& b) { return v[1] == std::to_string(b.rate); });
    if (baud == kModuleBauds.end()) {
        throw BadInput("module baud rate must be " + moduleBaudRatesText() + ": " + quoted(v[1]));
    }
    const int mask = pointMask(v[2], "start-up decimal-point mask");
    // The window's start-up boxes, Digit 4 first; the mask's bit 8 is Digit 4.
    const std::array<bool, 4> points = {(mask & 8) != 0, (mask & 4) != 0, (mask & 2) != 0,
                                        (mask & 1) != 0};
    return encodeConfig(f, uid, baud->rate, points);
}

// ---- The table -------------------------------------------------------------------

constexpr std::array<Command, std::size(kCommandCodes)> kTable = {{
    {code::Text, 6, false, "text", "text", "text CHARS",
     "up to 4 characters, padded with blanks in front", -1, textFromWords, describeText},
    {code::Bcd, 4, false, "BCD", "bcd", "bcd DDDD", "four decimal digits", 1, bcdFromWords,
     describeBcd},
    {code::Unsigned, 4, false, "unsigned integer", "uint", "uint N", "unsigned integer, 0 to 65535",
     1, unsignedFromWords, describeUnsigned},
    {code::Signed, 4, false, "signed integer", "int", "int N", "signed integer, -32768 to 32767", 1,
     signedFromWords, describeSigned},
    {code::Segments, 6, false, "segments", "segments", "segments H4 H3 H2 H1",
     "segment bytes in hex, Digit 4 first", 4, segmentsFromWords, describeSegments},
    {code::DecimalPoints, 3, false, "decimal points", "points", "points MASK",
     "decimal points, 0 to 15: 1 Digit 1, 2 Digit 2,\n4 Digit 3, 8 Digit 4", 1, pointsFromWords,
     describePoints},
    {code::Brightness, 2, false, "brightness toggle", "bright", "bright", "brightness toggle", 0,
     brightnessFromWords, describeBrightness},
    {code::Save, 3, false, "save screen", "save", "save N", "memory location, 0 to 19", 1,
     saveFromWords, describeSave},
    {code::Recall, 3, false, "recall screen", "recall", "recall N", "memory location, 0 to 19", 1,
     recallFromWords, describeRecall},
    {code::Configure, 8, true, "configure", "config", "config NEW_UID BAUD MASK",
     "configuration, sent to unit 30: new unit\nidentifier 0 to 255, module baud rate 9600,\n"
     "19200 or 38400, decimal points lit at start-up\n(a mask as for points)",
     3, configFromWords, describeConfig},
}};

constexpr bool filled(const char* text) {
    return text && *text;
}

constexpr bool same(const char* a, const char* b) {
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

constexpr bool rowsFollowTheCodes() {
    for (std::size_t i = 0; i < kTable.size(); ++i) {
        if (kTable[i].code != kCommandCodes[i]) {
            return false;
        }
    }
    return true;
}

constexpr bool rowsComplete() {
    for (const Command& c : kTable) {
        const bool whole = filled(c.name) && filled(c.word) && filled(c.syntax) && filled(c.help) &&
                           c.encode && c.describe;
        if (!whole || c.length < 2 || c.length > 8 || c.values < -1 || c.values > c.length - 2) {
            return false;
        }
    }
    return true;
}

constexpr bool rowsDistinct() {
    for (std::size_t i = 0; i < kTable.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (kTable[i].code == kTable[j].code || same(kTable[i].word, kTable[j].word)) {
                return false;
            }
        }
    }
    return true;
}

static_assert(rowsFollowTheCodes(),
              "the command table needs one row per code of kCommandCodes, "
              "in the same order");
static_assert(rowsComplete(),
              "a command row lacks its name, sender word, syntax, help, encoder "
              "or description, or has an impossible length");
static_assert(rowsDistinct(), "two command rows share a code or a sender word");

// The row of each byte value, or -1.
constexpr std::array<signed char, 256> kRowOfCode = [] {
    std::array<signed char, 256> rows{};
    for (signed char& row : rows) {
        row = -1;
    }
    for (std::size_t i = 0; i < kTable.size(); ++i) {
        rows[kTable[i].code] = static_cast<signed char>(i);
    }
    return rows;
}();

}  // namespace

const std::array<Command, std::size(kCommandCodes)>& commandTable() {
    return kTable;
}

const Command* commandFor(std::uint8_t code) {
    const int row = kRowOfCode[code];
    return row < 0 ? nullptr : &kTable[static_cast<std::size_t>(row)];
}

const Command* commandNamed(std::string_view word) {
    for (const Command& command : kTable) {
        if (word == command.word) {
            return &command;
        }
    }
    return nullptr;
}

int frameLengthOf(std::uint8_t code) {
    const Command* command = commandFor(code);
    return command ? command->length : 0;
}

}  // namespace lumidex
