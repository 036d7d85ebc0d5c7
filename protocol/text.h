// Text helpers every program shares for its messages.
#pragma once

#include <string>
#include <vector>

namespace lumidex {

// The items as a choice: "9600, 19200 or 38400"; one item alone as it is.
std::string alternatives(const std::vector<std::string>& items);

}  // namespace lumidex
