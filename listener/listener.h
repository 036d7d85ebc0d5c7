// What the programs that listen on a serial line share: their command line
// (a DEVICE with --baud, or --pty, and --idle-ms), opening the line, and
// ending cleanly on a request to stop (Ctrl+C, SIGTERM or SIGHUP).
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "protocol/decoder.h"

namespace lumidex::listener {

constexpr int ExitOk = 0;
constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;

struct ArgumentError {
    int exitCode;
    std::string message;
};

struct LineOptions {
    QString device;
    bool pty = false;
    int baud = 9600;
    int idleMs = 500;
    bool help = false;
};

// An option only one program has: a flag, or one taking a value.
struct ExtraOption {
    QString name;
    bool takesValue;
    // Takes the value (empty for a flag); returns why a value is unusable.
    std::function<std::optional<std::string>(const QString& value)> apply;
};

// Reads the arguments (args[0] is the program). Misuse (unknown option,
// missing or extra operand) is an exit-2 error and takes precedence over a
// bad value, which is exit 1.
LineOptions parseLineArguments(const QStringList& args, const std::vector<ExtraOption>& extra = {});

// A whole number within int, digits only (no sign, blanks or fraction).
std::optional<int> wholeNumber(const QString& text);

// "program: message" on standard error.
void printError(const char* program, const std::string& message);

// Prints "usage", "--help" text or an argument error and returns the exit
// code; none when the program should go on.
std::optional<int> handleArguments(const char* program, const char* usage, const char* help,
                                   const std::function<LineOptions()>& parse, LineOptions& out);

using FrameFn = std::function<void(const DecodedFrame& frame)>;

// Opens the line the options name, calls `started` with its path, and runs
// the Qt event loop, handing over each frame, until the loop ends (a window
// closes, a request to stop, or the line fails). Frames that arrived just
// before the end still count. Standard output is flushed after each chunk of
// input, so `onFrame` may print without flushing every line. Returns the exit
// status; a failure is said on standard error, after `program`.
int readFrames(const char* program, const LineOptions& options, FrameFn onFrame,
               const std::function<void(const QString& path)>& started = {});

}  // namespace lumidex::listener
