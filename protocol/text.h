// Text helpers every program shares: reading values and UTF-8 text given by
// an operator, and quoting them in messages.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace lumidex {

// Input that cannot be used; what() says why, in words for the operator.
class BadInput : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The items in a sentence, the last two joined by `conjunction`: with "or",
// "9600, 19200 or 38400"; one item alone as it is.
std::string listOf(const std::vector<std::string>& items, std::string_view conjunction);

// Text from outside the program (a script line, a value, an argument, a file
// or device name) as a message may show it: printable UTF-8 as it stands
// (letters such as É included), and every control character (C0, DEL, C1)
// and every byte that is not valid UTF-8 as \xNN, so nothing it holds can
// act on the operator's terminal.
std::string printable(std::string_view text);

// Input quoted in a message, printable: 'text'.
std::string quoted(std::string_view text);

// `text` as a whole decimal number (a minus sign only where `lo` is negative)
// from `lo` to `hi`; otherwise throws BadInput
// "<what> must be a whole number from <lo> to <hi>: '<text>'".
long long numberIn(std::string_view text, long long lo, long long hi, const char* what);

// The characters of UTF-8 text; none when it is not UTF-8 (a byte sequence
// that is cut short, overlong, a surrogate half or past U+10FFFF). A
// byte-order mark at its start is dropped.
std::optional<std::u32string> decodeUtf8(std::string_view text);

// One character as UTF-8.
std::string encodeUtf8(char32_t ch);

}  // namespace lumidex
