// Every command the module understands, described once.
//
// A command is its code (below), its encoder (further below) and one row of
// the command table (commandTable()): the length of its frame, the name
// lumidex-monitor gives it, the word and syntax lumidex-send reads, what
// --help says of it, the function that turns the sender's words into the
// frame, and the function that checks a received payload and describes it.
// The encoders, the decoder, the sender and the virtual module all read this
// one description, and the table is checked against kCommandCodes when the
// project compiles.
//
// Each encoder stores its command code and payload into the frame in a fixed
// order, so a failure part-way leaves the bytes before it stored and nothing
// after it, and returns the frame length to hand to the transmitter.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/codes.h"
#include "protocol/frame.h"

namespace lumidex {

namespace code {
constexpr std::uint8_t Configure = 0x1E;
constexpr std::uint8_t Segments = 0x61;
constexpr std::uint8_t Text = 0x62;
constexpr std::uint8_t DecimalPoints = 0x63;
constexpr std::uint8_t Bcd = 0x64;
constexpr std::uint8_t Unsigned = 0x66;
constexpr std::uint8_t Signed = 0x67;
constexpr std::uint8_t Brightness = 0x6E;
constexpr std::uint8_t Recall = 0x72;
constexpr std::uint8_t Save = 0x73;
}  // namespace code

// Every command code, in the order lumidex-send lists its commands. The
// command table has one row for each, in this order; the virtual module has
// one behaviour for each.
inline constexpr std::uint8_t kCommandCodes[] = {
    code::Text,          code::Bcd,        code::Unsigned, code::Signed, code::Segments,
    code::DecimalPoints, code::Brightness, code::Save,     code::Recall, code::Configure};

// Something in a complete frame's payload that no module can make sense of.
struct PayloadProblem {
    enum class Kind {
        PointBits,       // decimal-point bits above Digit 4 (`value`: those bits)
        BcdNibble,       // a BCD digit above 9 (`value`: the nibble, on `digit`)
        MemoryLocation,  // a memory location past the last (`value`)
        BaudCode,        // no module baud code (`value`: the byte)
        StartupPoint,    // a start-up point byte neither 00 nor 08 (`value`, on `digit`)
    };
    Kind kind;
    std::uint8_t value = 0;
    int digit = 0;  // 4 (leftmost) to 1, where the problem concerns one digit

    bool operator==(const PayloadProblem& other) const {
        return kind == other.kind && value == other.value && digit == other.digit;
    }
};

// A command's values as the sender reads them, one word each ("1234").
using Words = std::vector<std::string>;

struct Command {
    std::uint8_t code;
    // The whole frame, unit identifier and code included. Frames carry no
    // length of their own: the code alone says how many bytes follow.
    std::uint8_t length;
    // Sent to ConfigUid whatever unit is selected, and obeyed only there.
    bool toConfigUnit;
    // What lumidex-monitor calls it: "BCD".
    const char* name;
    // What lumidex-send reads: the word, its syntax, and its --help text
    // (lines after the first start with '\n'). Rows with the same help text
    // share one --help entry.
    const char* word;
    const char* syntax;
    const char* help;
    // How many values follow the word; -1: the rest of the line, as one.
    int values;
    // Checks the values and encodes the command into the frame; returns the
    // frame length. Throws BadInput, or what the encoder throws.
    int (*encode)(Frame& f, const Words& values);
    // Describes a complete frame's payload (`length` - 2 bytes) and adds
    // whatever is wrong with it to `problems`.
    std::string (*describe)(const std::uint8_t* payload, std::vector<PayloadProblem>& problems);
};

// Every row, in the order of kCommandCodes.
const std::array<Command, std::size(kCommandCodes)>& commandTable();

// The row of a command code; nullptr for a byte that is no command code.
const Command* commandFor(std::uint8_t code);

// The row whose sender word is `word`; nullptr for none.
const Command* commandNamed(std::string_view word);

// The whole frame length a command code implies, or 0 when the byte is no
// command code.
int frameLengthOf(std::uint8_t code);

// ---- Encoders ----------------------------------------------------------------

// Pads text on the left with blanks to four characters; longer text is kept.
std::u32string padText(const std::u32string& text);

// Text: code at index 1, then the first three characters and the last one of
// the padded text at indexes 2..5, each as its one-byte character-set value.
int encodeText(Frame& f, const std::u32string& padded);

// One byte whose nibbles are the tens and units of 0..99 (42 -> 0x42).
std::uint8_t packedBcd(int value);

// Four-digit BCD: the leading and the trailing two digits, each 0 to 99
// (12 and 34 show 1234).
int encodeBcd(Frame& f, int leading, int trailing);

// 16-bit integer, high byte first; the code says signed or unsigned.
int encodeInteger(Frame& f, bool isSigned, int high, int low);

// Segment patterns, Digit 4 first.
int encodeSegments(Frame& f, int mask4, int mask3, int mask2, int mask1);

// The four decimal points, one bit per digit.
int encodeDecimalPoints(Frame& f, int dpMask);

// Brightness toggle; the frame carries no level.
int encodeBrightness(Frame& f);

// Saves the module's screen to a memory location, or recalls it from one.
int encodeSave(Frame& f, int location);
int encodeRecall(Frame& f, int location);

// Configuration: the module's new unit identifier, the rate it is to run at
// (one of kModuleBauds) and the decimal points it lights at start-up, given
// Digit 4 first. The frame goes to ConfigUid, which is not stored here: index
// 0 is left to the transmitter.
int encodeConfig(Frame& f, int newUid, int moduleBaudRate,
                 const std::array<bool, 4>& startupPointsDigit4First);

}  // namespace lumidex
