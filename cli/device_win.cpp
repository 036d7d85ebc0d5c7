#include "cli/arguments.h"
#include "cli/device.h"

namespace lumidex::cli {

std::string devicePath(const std::string& name) {
    if (name.empty()) {
        throw ArgumentError("the device name is empty; give a port such as COM3 or \\\\.\\COM7");
    }
    return name;
}

}  // namespace lumidex::cli
