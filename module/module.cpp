// lumidex-module: a virtual display module. It listens on a serial line like
// a module, obeys the frames addressed to it and shows the four digits a
// module would light, so commands can be tried without hardware.
#include <QApplication>
#include <cstdio>
#include <string>

#include "listener/listener.h"
#include "module/modulemodel.h"
#include "module/modulewindow.h"
#include "ui/fonts.h"

namespace {

using namespace lumidex;
using namespace lumidex::listener;

constexpr char Program[] = "lumidex-module";

const char UsageText[] =
    "usage: lumidex-module [--uid N] [--print] [--baud N] [--idle-ms N] DEVICE\n"
    "       lumidex-module [--uid N] [--print] [--idle-ms N] --pty\n";

const char HelpText[] =
    "Shows a window acting as one display module on a serial line: the four\n"
    "digits it lights for the frames it receives.\n"
    "\n"
    "  DEVICE        serial device to listen on, e.g. /dev/ttyUSB0 or COM3\n"
    "                (opened read-only, raw, 8 data bits, no parity, 1 stop bit)\n"
    "  --baud N      baud rate of DEVICE (default 9600)\n"
    "  --pty         create a pseudo-terminal instead and listen on it; its\n"
    "                path is printed first (\"listening on PATH\")\n"
    "  --uid N       the module's unit identifier, 0 to 255 (default 255)\n"
    "  --print       after every frame and restart print one line:\n"
    "                \"screen S4 S3 S2 S1 dim\" (or bright), the segment bytes of\n"
    "                Digit 4 to Digit 1 in hexadecimal, then the frame obeyed and\n"
    "                anything ignored\n"
    "  --idle-ms N   give up on a frame after N milliseconds without a byte\n"
    "                (default 500, 0 never)\n"
    "  --help        show this text\n"
    "\n"
    "Runs until its window is closed or it is interrupted (Ctrl+C or SIGTERM);\n"
    "exit status 0 then, 1 when the device cannot be opened or read, 2 for bad\n"
    "arguments. With QT_QPA_PLATFORM=offscreen it runs without a display.\n";

}  // namespace

int main(int argc, char* argv[]) {
    int uid = FactoryUid;
    bool print = false;
    const std::vector<ExtraOption> extra = {
        {QStringLiteral("--uid"), true,
         [&uid](const QString& value) -> std::optional<std::string> {
             const std::optional<int> n = wholeNumber(value);
             if (!n || *n > 255) {
                 return "unit identifier must be a whole number from 0 to 255: '" +
                        value.toStdString() + "'";
             }
             uid = *n;
             return std::nullopt;
         }},
        {QStringLiteral("--print"), false,
         [&print](const QString&) -> std::optional<std::string> {
             print = true;
             return std::nullopt;
         }},
    };
    LineOptions options;
    if (const auto exitCode = handleArguments(
            Program, UsageText, HelpText,
            [&] {
                // Read before the window system starts, so --help and mistakes
                // need no display.
                QStringList args;
                for (int i = 0; i < argc; ++i) {
                    args << QString::fromLocal8Bit(argv[i]);
                }
                return parseLineArguments(args, extra);
            },
            options)) {
        return *exitCode;
    }

    QApplication app(argc, argv);

    loadWindowFont();
    ModuleModel model(static_cast<std::uint8_t>(uid));
    ModuleWindow window(model, print);
    return readFrames(
        Program, options, [&window](const DecodedFrame& frame) { window.frame(frame); },
        [&window](const QString& path) {
            window.setListening(path);
            window.show();
        });
}
