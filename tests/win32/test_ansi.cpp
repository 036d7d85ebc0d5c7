// ANSI text under the code page given as the argument (1252, 932 or 65001),
// which the caller selects through the locale or a manifest. Prints one line
// per failed case and exits 1 when any failed.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "protocol/ansi.h"

namespace {

struct Case {
    char32_t ch;
    int byte1252;  // the byte expected in each code page; -1 refused
    int byte932;
    int byteUtf8;
};

// Best-fit conversion would turn Ā into A and é into e under 932; the module
// would then show another character than the one typed.
const Case kCases[] = {
    {U'A', 0x41, 0x41, 0x41},     {U'\x7F', 0x7F, 0x7F, 0x7F},  {U'\u00E9', 0xE9, -1, -1},
    {U'\u20AC', 0x80, -1, -1},    {U'\u0100', -1, -1, -1},      {U'\uFF71', -1, 0xB1, -1},
    {U'\u00A5', 0xA5, -1, -1},    {U'\u4E2D', -1, -1, -1},      {U'\U0001F600', -1, -1, -1},
    {char32_t(0xD800), -1, -1, -1}, {char32_t(0x110000), -1, -1, -1},
};

}  // namespace

int main(int argc, char** argv) {
    const unsigned codePage = argc > 1 ? static_cast<unsigned>(std::atoi(argv[1])) : 0;
    if (GetACP() != codePage) {
        std::printf("the system code page is %u, not %u\n", GetACP(), codePage);
        return 1;
    }
    int failures = 0;
    for (const Case& c : kCases) {
        const int expected = codePage == 1252 ? c.byte1252 : codePage == 932 ? c.byte932 : c.byteUtf8;
        std::string got;
        try {
            got = std::to_string(lumidex::ansiByte(c.ch));
        } catch (const lumidex::ConversionError& e) {
            got = e.what();
            if (expected < 0 &&
                got.find("has no one-byte value in the system code page") != std::string::npos) {
                continue;
            }
        }
        if (got != std::to_string(expected)) {
            std::printf("U+%04X: expected %d, got %s\n", static_cast<unsigned>(c.ch), expected,
                        got.c_str());
            ++failures;
        }
    }
    std::printf("%u: %d of %zu failed\n", codePage, failures, sizeof kCases / sizeof kCases[0]);
    return failures == 0 ? 0 : 1;
}
