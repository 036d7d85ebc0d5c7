// The system's ANSI code page, without best-fit substitution: a character the
// code page cannot hold, or holds only as two bytes, is refused.
#include <windows.h>

#include "protocol/ansi.h"

namespace lumidex {

std::uint8_t ansiByte(char32_t ch) {
    const auto refuse = [ch] {
        return ConversionError("the character " + describeChar(ch) +
                               " has no one-byte value in the system code page");
    };
    // Not characters at all: a lone surrogate half, or past Unicode's end.
    if ((ch >= 0xD800 && ch < 0xE000) || ch > 0x10FFFF) {
        throw refuse();
    }
    wchar_t wide[2];
    int wideLength = 1;
    if (ch >= 0x10000) {
        wide[0] = static_cast<wchar_t>(0xD800 + ((ch - 0x10000) >> 10));
        wide[1] = static_cast<wchar_t>(0xDC00 + ((ch - 0x10000) & 0x3FF));
        wideLength = 2;
    } else {
        wide[0] = static_cast<wchar_t>(ch);
    }
    char out[4];
    BOOL usedDefault = FALSE;
    // With UTF-8 as the system code page the conversion refuses the
    // used-default flag; there only one-byte results (plain ASCII) count.
    const bool utf8 = GetACP() == CP_UTF8;
    const int n = WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, wide, wideLength,
                                      out, sizeof out, nullptr, utf8 ? nullptr : &usedDefault);
    if (n != 1 || usedDefault) {
        throw refuse();
    }
    return static_cast<std::uint8_t>(out[0]);
}

}  // namespace lumidex
