#include "protocol/text.h"

namespace lumidex {

std::string alternatives(const std::vector<std::string>& items) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) {
            text += i + 1 == items.size() ? " or " : ", ";
        }
        text += items[i];
    }
    return text;
}

}  // namespace lumidex
