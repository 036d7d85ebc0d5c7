// What the programs that listen on a serial line share: their command line
// (a DEVICE with --baud, or --pty, and --idle-ms), opening the line, and
// ending cleanly on Ctrl+C or SIGTERM.
#pragma once

#include <QSerialPort>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/ptyhost.h"
#include "protocol/decoder.h"

namespace lumidex::cli {

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

// The serial device or pseudo-terminal the options name, read through the
// Qt event loop.
class LineInput {
  public:
    using BytesFn = monitor::PtyHost::BytesFn;
    using ErrorFn = monitor::PtyHost::ErrorFn;

    // Opens the line and prints "listening on PATH" (with " at N baud" for a
    // device) to standard output. Throws std::runtime_error with a plain
    // message when it cannot be opened. `onError` is told, once, when reading
    // stops for good.
    void open(const LineOptions& options, BytesFn onBytes, ErrorFn onError);

    // The device or pseudo-terminal path being read.
    QString path() const { return path_; }

    // Hands over what has already arrived, without waiting, so nothing
    // written before the program stops is lost.
    void readPending();

  private:
    QSerialPort port_;
    monitor::PtyHost pty_;
    bool pty_used_ = false;
    QString path_;
};

// Feeds arriving bytes to the frame decoder and hands over each frame it
// completes, and a frame left unfinished once the line has been quiet for the
// idle time (0: only when flushed).
class FrameReader {
  public:
    using FrameFn = std::function<void(const DecodedFrame& frame)>;

    FrameReader(int idleMs, FrameFn onFrame);

    void bytes(const std::uint8_t* data, std::size_t size);
    // Ends a frame in progress, reporting it as cut short.
    void flush();

  private:
    FrameDecoder decoder_;
    QTimer idle_;
    bool enableIdle_;
    FrameFn onFrame_;
};

// Makes SIGINT and SIGTERM end the Qt event loop normally; `poll` checks for
// them and must live as long as the loop runs.
void quitOnStopSignals(QTimer& poll);

}  // namespace lumidex::cli
