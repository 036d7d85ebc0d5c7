// lumidex-monitor: prints every command frame seen on a serial line, one
// decoded line per frame, so an operator can check what reaches a module.
#include <QCoreApplication>
#include <QTime>
#include <string>

#include "app/stopsignals.h"
#include "listener/listener.h"
#include "protocol/decoder.h"

namespace {

using namespace lumidex;
using namespace lumidex::listener;

constexpr char Program[] = "lumidex-monitor";

const char Usage[] =
    "usage: lumidex-monitor [--baud N] [--idle-ms N] DEVICE\n"
    "       lumidex-monitor [--idle-ms N] --pty\n";

const char HelpIntro[] =
    "Prints each command frame received on a serial line as one line:\n"
    "the time, the unit identifier and the command with its payload.\n"
    "\n";

const char HelpOutro[] =
    "\n"
    "Runs until interrupted (Ctrl+C or SIGTERM); exit status 0 then, 1 when the\n"
    "device cannot be opened or read, 2 for bad arguments.\n";

cli::ArgumentParser argumentParser() {
    return cli::ArgumentParser(Program, Usage,
                               {{"DEVICE", "",
                                 "serial device to read, e.g. /dev/ttyUSB0 or COM3\n"
                                 "(opened read-only, raw, 8 data bits, no parity, 1 stop bit)",
                                 true},
                                {"--baud", "N", "baud rate of DEVICE (default 9600)"},
                                {"--pty", "",
                                 "create a pseudo-terminal instead and read what is written\n"
                                 "to it; its path is printed first (\"listening on PATH\")"},
                                {"--idle-ms", "N",
                                 "report a frame as cut short after N milliseconds without\n"
                                 "a byte (default 500, 0 never)"}});
}

std::string timedLine(const std::string& text) {
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")).toStdString() + "  " +
           text + "\n";
}

}  // namespace

int main(int argc, char* argv[]) {
    const cli::ArgumentParser parser = argumentParser();
    LineOptions options;
    if (const auto done = parser.run(
            argc, argv, [&parser] { return HelpIntro + parser.optionsHelp(12) + HelpOutro; },
            [&](const cli::ParsedArguments& parsed) { options = lineOptionsFrom(parsed); })) {
        return *done;
    }

    QCoreApplication app(argc, argv);
    cli::Console console(stopSignalDescriptor());
    return readFrames(Program, options, console, [&console](const DecodedFrame& frame) {
        console.out(timedLine(frame.description));
    });
}
