#include "protocol/text.h"

#include <algorithm>

#include "protocol/hex.h"

namespace lumidex {

namespace {

bool isDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

// The character the UTF-8 sequence at text[at] encodes, and its length in
// bytes; a length of 0 where no valid sequence starts there.
std::size_t decodeOne(std::string_view text, std::size_t at, char32_t& ch) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const int more = lead < 0x80                   ? 0
                     : lead >= 0xC2 && lead < 0xE0 ? 1
                     : lead >= 0xE0 && lead < 0xF0 ? 2
                     : lead >= 0xF0 && lead < 0xF5 ? 3
                                                   : -1;
    if (more < 0 || text.size() - at <= static_cast<std::size_t>(more)) {
        return 0;
    }
    ch = more == 0 ? lead : lead & (0x3F >> more);
    for (int k = 1; k <= more; ++k) {
        const auto next = static_cast<unsigned char>(text[at + static_cast<std::size_t>(k)]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        ch = ch << 6 | (next & 0x3F);
    }
    const char32_t least[] = {0, 0x80, 0x800, 0x10000};
    if (ch < least[more] || (ch >= 0xD800 && ch < 0xE000) || ch > 0x10FFFF) {
        return 0;
    }
    return static_cast<std::size_t>(more) + 1;
}

}  // namespace

std::string listOf(const std::vector<std::string>& items, std::string_view conjunction) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) {
            text += i + 1 == items.size() ? " " + std::string(conjunction) + " " : ", ";
        }
        text += items[i];
    }
    return text;
}

std::string quoted(std::string_view text) {
    return "'" + printable(text) + "'";
}

long long numberIn(std::string_view text, long long lo, long long hi, const char* what) {
    const std::size_t sign = lo < 0 && !text.empty() && text[0] == '-' ? 1 : 0;
    bool plain = text.size() > sign && text.size() <= sign + 18;
    long long value = 0;
    for (std::size_t i = sign; plain && i < text.size(); ++i) {
        plain = isDigit(text[i]);
        value = value * 10 + (text[i] - '0');
    }
    value = sign ? -value : value;
    if (!plain || value < lo || value > hi) {
        throw BadInput(std::string(what) + " must be a whole number from " + std::to_string(lo) +
                       " to " + std::to_string(hi) + ": " + quoted(text));
    }
    return value;
}

std::optional<std::u32string> decodeUtf8(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    std::u32string out;
    for (std::size_t i = 0; i < text.size();) {
        char32_t ch = 0;
        const std::size_t length = decodeOne(text, i, ch);
        if (length == 0) {
            return std::nullopt;
        }
        out += ch;
        i += length;
    }
    return out;
}

std::string printable(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        char32_t ch = 0;
        const std::size_t length = decodeOne(text, i, ch);
        const bool control = ch < 0x20 || ch == 0x7F || (ch >= 0x80 && ch < 0xA0);
        if (length > 0 && !control) {
            out += text.substr(i, length);
        } else {
            for (std::size_t k = 0; k < std::max<std::size_t>(length, 1); ++k) {
                out += "\\x" + hexByte(static_cast<std::uint8_t>(text[i + k]));
            }
        }
        i += std::max<std::size_t>(length, 1);
    }
    return out;
}

std::string encodeUtf8(char32_t ch) {
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

}  // namespace lumidex
