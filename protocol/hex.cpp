#include "protocol/hex.h"

namespace lumidex {

std::string hexByte(std::uint8_t byte) {
    static const char digits[] = "0123456789ABCDEF";
    return {digits[byte >> 4], digits[byte & 0x0F]};
}

std::string hexBytes(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    for (std::uint8_t b : bytes) {
        if (!out.empty()) {
            out += ' ';
        }
        out += hexByte(b);
    }
    return out;
}

}  // namespace lumidex
