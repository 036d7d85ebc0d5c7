#include <cstdio>

#include "protocol/ansi.h"

namespace lumidex {

namespace {

std::string utf8(char32_t ch) {
    std::string out;
    if (ch < 0x80) {
        out += static_cast<char>(ch);
    } else if (ch < 0x800) {
        out += static_cast<char>(0xC0 | (ch >> 6));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    } else if (ch < 0x10000) {
        out += static_cast<char>(0xE0 | (ch >> 12));
        out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (ch >> 18));
        out += static_cast<char>(0x80 | ((ch >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    }
    return out;
}

}  // namespace

std::string describeChar(char32_t ch) {
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(ch));
    const bool printable = ch >= 0x20 && ch != 0x7F && !(ch >= 0x80 && ch < 0xA0) &&
                           !(ch >= 0xD800 && ch < 0xE000) && ch <= 0x10FFFF;
    return printable ? "'" + utf8(ch) + "' (" + code + ")" : std::string(code);
}

}  // namespace lumidex
