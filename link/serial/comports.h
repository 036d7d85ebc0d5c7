// The serial ports Windows knows of, as its own list of them names them
// ("COM1", "COM12"), in no particular order. Plain C++, Windows only.
#pragma once

#include <string>
#include <vector>

namespace lumidex {

// Empty when the system lists none (or has no list at all).
std::vector<std::string> systemComPorts();

}  // namespace lumidex
