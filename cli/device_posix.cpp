#include <sys/stat.h>

#include "cli/arguments.h"
#include "cli/device.h"
#include "protocol/text.h"

namespace lumidex::cli {

namespace {

const char* kindOf(mode_t mode) {
    return S_ISDIR(mode)    ? "a folder"
           : S_ISREG(mode)  ? "a regular file"
           : S_ISBLK(mode)  ? "a block device"
           : S_ISFIFO(mode) ? "a FIFO"
           : S_ISSOCK(mode) ? "a socket"
                            : "not a character device";
}

}  // namespace

std::string devicePath(const std::string& name) {
    if (name.empty()) {
        throw ArgumentError("the device name is empty; give a serial device such as /dev/ttyUSB0");
    }
    const bool isPath = name.find('/') != std::string::npos;
    const std::string path = !isPath ? "/dev/" + name : name[0] == '/' ? name : "./" + name;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISCHR(st.st_mode)) {
        const std::string tried = path == name ? quoted(name) : quoted(name) + " (" + path + ")";
        throw ArgumentError(tried + " is " + kindOf(st.st_mode) +
                            ", not a serial device (a character device)");
    }
    return path;
}

}  // namespace lumidex::cli
