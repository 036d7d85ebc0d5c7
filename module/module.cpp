// lumidex-module: a virtual display module. It listens on a serial line like
// a module, obeys the frames addressed to it and shows the four digits a
// module would light, so commands can be tried without hardware.
#include <QApplication>
#include <string>

#include "app/stopsignals.h"
#include "listener/listener.h"
#include "module/modulemodel.h"
#include "module/modulewindow.h"
#include "protocol/text.h"
#include "ui/fonts.h"

namespace {

using namespace lumidex;
using namespace lumidex::listener;

constexpr char Program[] = "lumidex-module";

const char Usage[] =
    "usage: lumidex-module [--uid N] [--print] [--baud N] [--idle-ms N] DEVICE\n"
    "       lumidex-module [--uid N] [--print] [--idle-ms N] --pty\n";

const char HelpIntro[] =
    "Shows a window acting as one display module on a serial line: the four\n"
    "digits it lights for the frames it receives.\n"
    "\n";

const char HelpOutro[] =
    "\n"
    "Runs until its window is closed or it is interrupted (Ctrl+C or SIGTERM);\n"
    "exit status 0 then, 1 when the device cannot be opened or read, 2 for bad\n"
    "arguments. With QT_QPA_PLATFORM=offscreen it runs without a display.\n";

cli::ArgumentParser argumentParser() {
    return cli::ArgumentParser(
        Program, Usage,
        {{"DEVICE", "",
          "serial device to listen on, e.g. /dev/ttyUSB0 or COM3\n"
          "(opened read-only, raw, 8 data bits, no parity, 1 stop bit)",
          true},
         {"--baud", "N", "baud rate of DEVICE (default 9600)"},
         {"--pty", "",
          "create a pseudo-terminal instead and listen on it; its\n"
          "path is printed first (\"listening on PATH\")"},
         {"--uid", "N",
          "the module's unit identifier, 0 to 255 (default " + std::to_string(FactoryUid) + ")"},
         {"--print", "",
          "after every frame and restart print one line:\n"
          "\"screen S4 S3 S2 S1 dim\" (or bright), the segment bytes of\n"
          "Digit 4 to Digit 1 in hexadecimal, then the frame obeyed and\n"
          "anything ignored"},
         {"--idle-ms", "N",
          "give up on a frame after N milliseconds without a byte\n"
          "(default 500, 0 never)"}});
}

}  // namespace

int main(int argc, char* argv[]) {
    // Read before the window system starts, so --help and mistakes need no
    // display.
    const cli::ArgumentParser parser = argumentParser();
    LineOptions options;
    int uid = FactoryUid;
    bool print = false;
    const auto read = [&](const cli::ParsedArguments& parsed) {
        options = lineOptionsFrom(parsed);
        if (const auto value = parsed.value("--uid")) {
            const std::optional<int> n = cli::wholeNumber(*value);
            if (!n || *n > 255) {
                throw cli::ArgumentError("unit identifier must be a whole number from 0 to 255: " +
                                         quoted(*value));
            }
            uid = *n;
        }
        print = parsed.has("--print");
    };
    if (const auto done = parser.run(
            argc, argv, [&parser] { return HelpIntro + parser.optionsHelp(12) + HelpOutro; },
            read)) {
        return *done;
    }

    QApplication app(argc, argv);

    loadWindowFont();
    ModuleModel model(static_cast<std::uint8_t>(uid));
    cli::Console console(stopSignalDescriptor());
    ModuleWindow window(model, print ? ModuleWindow::PrintFn([&console](const std::string& line) {
                            console.out(line);
                        })
                                     : ModuleWindow::PrintFn());
    return readFrames(
        Program, options, console, [&window](const DecodedFrame& frame) { window.frame(frame); },
        [&window](const QString& path) {
            window.setListening(path);
            window.show();
        });
}
