// lumidex-send's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "protocol/codes.h"

namespace lumidex::send {

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;    // nothing or not everything went out
constexpr int ExitBadInput = 2;  // bad arguments or script; nothing was sent

struct Options {
    std::optional<std::string> port;    // "COM3" or a device (UTF-8)
    std::optional<int> baud;            // 9600, 19200 or 38400
    int uid = FactoryUid;               // as the window's unit selector starts
    std::optional<std::string> script;  // a file, or "-" for standard input
    long long repeat = 1;               // 0: until stopped
    bool dryRun = false;
    bool quiet = false;
    bool help = false;
    std::vector<std::string> command;  // COMMAND VALUE...
};

// Reads the arguments after the program's name (UTF-8): options first
// (--name VALUE or --name=VALUE), then the command and its values, so
// "int -42" is a command. Throws BadInput on a mistake.
Options readOptions(const std::vector<std::string>& args);

// The program's arguments after its name, as UTF-8, however the system
// passed them.
std::vector<std::string> programArguments(int argc, char* argv[]);

}  // namespace lumidex::send
