// What the programs that listen on a serial line share: the line their
// command line names (a DEVICE with --baud, or --pty, and --idle-ms), opening
// it, and ending cleanly on a request to stop (Ctrl+C, SIGTERM or SIGHUP).
#pragma once

#include <QString>
#include <functional>
#include <string>

#include "cli/arguments.h"
#include "cli/console.h"
#include "protocol/decoder.h"

namespace lumidex::listener {

struct LineOptions {
    std::string device;  // its path
    bool pty = false;
    int baud = 9600;
    int idleMs = 500;
};

// The line the parsed arguments name: one DEVICE operand with --baud, or
// --pty, and --idle-ms. The device is the path cli::devicePath gives. Throws
// cli::ArgumentError.
LineOptions lineOptionsFrom(const cli::ParsedArguments& parsed);

using FrameFn = std::function<void(const DecodedFrame& frame)>;

// Opens the line the options name, calls `started` with its path, and runs
// the Qt event loop, handing over each frame, until the loop ends (a window
// closes, a request to stop, or the line fails). Frames that arrived just
// before the end still count. What the program prints goes through
// `console`, which a request to stop is passed on to. Returns the exit
// status; a failure is said on standard error, after `program`.
int readFrames(const char* program, const LineOptions& options, cli::Console& console,
               FrameFn onFrame, const std::function<void(const QString& path)>& started = {});

}  // namespace lumidex::listener
