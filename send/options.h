// lumidex-send's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "protocol/codes.h"

namespace lumidex::send {

constexpr int ExitOk = cli::ExitOk;
constexpr int ExitFailed = cli::ExitFailure;  // nothing or not everything went out
constexpr int ExitBadInput = cli::ExitUsage;  // bad arguments or script; nothing was sent

struct Options {
    std::optional<std::string> port;    // "COM3" or a device (UTF-8)
    std::optional<int> baud;            // one of the host rates
    int uid = FactoryUid;               // as the window's unit selector starts
    std::optional<std::string> script;  // a file, or "-" for standard input
    long long repeat = 1;               // 0: until stopped
    bool repeatGiven = false;
    bool dryRun = false;
    bool quiet = false;
    std::vector<std::string> command;  // COMMAND VALUE...
};

// The parser of lumidex-send's command line: options first (--name VALUE or
// --name=VALUE), then the command and its values, so "int -42" is a command.
cli::ArgumentParser argumentParser();

// The options the parsed arguments give. Throws cli::ArgumentError on a
// mistake.
Options readOptions(const cli::ParsedArguments& parsed);

}  // namespace lumidex::send
