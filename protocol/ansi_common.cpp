#include <cstdio>

#include "protocol/ansi.h"
#include "protocol/text.h"

namespace lumidex {

std::string describeChar(char32_t ch) {
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(ch));
    const bool printable = ch >= 0x20 && ch != 0x7F && !(ch >= 0x80 && ch < 0xA0) &&
                           !(ch >= 0xD800 && ch < 0xE000) && ch <= 0x10FFFF;
    return printable ? "'" + encodeUtf8(ch) + "' (" + code + ")" : std::string(code);
}

}  // namespace lumidex
