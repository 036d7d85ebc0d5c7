// lumidex-monitor: prints every command frame seen on a serial line, one
// decoded line per frame, so an operator can check what reaches a module.
#include <QCoreApplication>
#include <QTime>
#include <QTimer>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "app/lineinput.h"
#include "protocol/decoder.h"

namespace {

using namespace lumidex::cli;

constexpr char Program[] = "lumidex-monitor";

const char UsageText[] =
    "usage: lumidex-monitor [--baud N] [--idle-ms N] DEVICE\n"
    "       lumidex-monitor [--idle-ms N] --pty\n";

const char HelpText[] =
    "Prints each command frame received on a serial line as one line:\n"
    "the time, the unit identifier and the command with its payload.\n"
    "\n"
    "  DEVICE        serial device to read, e.g. /dev/ttyUSB0 or COM3\n"
    "                (opened read-only, raw, 8 data bits, no parity, 1 stop bit)\n"
    "  --baud N      baud rate of DEVICE (default 9600)\n"
    "  --pty         create a pseudo-terminal instead and read what is written\n"
    "                to it; its path is printed first (\"listening on PATH\")\n"
    "  --idle-ms N   report a frame as cut short after N milliseconds without\n"
    "                a byte (default 500, 0 never)\n"
    "  --help        show this text\n"
    "\n"
    "Runs until interrupted (Ctrl+C or SIGTERM); exit status 0 then, 1 when the\n"
    "device cannot be opened or read, 2 for bad arguments.\n";

void printLine(const std::string& text) {
    const std::string line =
        QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")).toStdString() + "  " + text +
        "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);

    LineOptions options;
    if (const auto exitCode = handleArguments(
            Program, UsageText, HelpText,
            [] { return parseLineArguments(QCoreApplication::arguments()); }, options)) {
        return *exitCode;
    }

    QTimer stopPoll;
    quitOnStopSignals(stopPoll);

    FrameReader monitor(options.idleMs, [](const lumidex::DecodedFrame& frame) {
        printLine(frame.description);
    });
    int exitCode = ExitOk;
    auto fail = [&exitCode](const std::string& message) {
        if (exitCode != ExitOk) {
            return;  // already ending; say it once
        }
        printError(Program, message);
        exitCode = ExitFailure;
        QCoreApplication::exit(ExitFailure);
    };

    LineInput line;
    try {
        line.open(
            options,
            [&monitor](const std::uint8_t* data, std::size_t size) { monitor.bytes(data, size); },
            fail);
    } catch (const std::runtime_error& e) {
        printError(Program, e.what());
        return ExitFailure;
    }

    app.exec();
    // Bytes that arrived just before the stop still count.
    if (exitCode == ExitOk) {
        line.readPending();
    }
    monitor.flush();
    return exitCode;
}
