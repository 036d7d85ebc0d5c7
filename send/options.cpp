#include "send/options.h"

#include "cli/device.h"
#include "link/serial/linesettings.h"
#include "protocol/text.h"
#include "settings/portpins.h"

namespace lumidex::send {

namespace {

const char kUsage[] =
    "usage: lumidex-send [--port COMn|DEVICE] [--baud N] [--uid N] [--dry-run] [--quiet]\n"
    "                    COMMAND [VALUE...]\n"
    "       lumidex-send [--port COMn|DEVICE] [--baud N] [--uid N] [--dry-run] [--quiet]\n"
    "                    --script FILE|- [--repeat N]\n";

// A value's own check, as an argument error.
template <typename Check>
auto checked(Check check) {
    try {
        return check();
    } catch (const BadInput& e) {
        throw cli::ArgumentError(e.what());
    }
}

}  // namespace

cli::ArgumentParser argumentParser() {
    cli::ArgumentParser parser(
        "lumidex-send", kUsage,
        {{"--port", "COMn|DEVICE",
          "COMn numbered as the window numbers ports (with the\n"
          "pins of the [Ports] section of lumidex2.ini), or a\n"
          "device such as /dev/ttyUSB0 or \\\\.\\COM7; default: the\n"
          "window's stored port"},
         {"--baud", "N",
          hostRatesText() + " (no parity, 8 data bits, 1 stop\n"
                            "bit); default: the window's stored setting"},
         {"--uid", "N",
          "unit identifier of the display commands, 0 to 255\n(default " +
              std::to_string(FactoryUid) + ")"},
         {"--script", "FILE|-", "the commands of FILE, or of standard input for -"},
         {"--repeat", "N", "send the script N times (default 1; 0: until stopped)"},
         {"--dry-run", "", "print the frames only; opens no port"},
         {"--quiet", "", "print no frames"}});
    parser.firstOperandEndsOptions();
    return parser;
}

Options readOptions(const cli::ParsedArguments& parsed) {
    Options o;
    if (const auto port = parsed.value("--port")) {
        if (port->empty()) {
            throw cli::ArgumentError(
                "--port needs a port such as COM3 or a device such as /dev/ttyUSB0");
        }
        // A port number the window names stays a name; anything else is a device.
        o.port = comPortNumber(QString::fromStdString(*port)) ? *port : cli::devicePath(*port);
    }
    if (const auto baud = parsed.value("--baud")) {
        for (const std::int32_t rate : kHostRates) {
            if (*baud == std::to_string(rate)) {
                o.baud = rate;
            }
        }
        if (!o.baud) {
            throw cli::ArgumentError("--baud must be " + hostRatesText() + ": " + quoted(*baud));
        }
    }
    if (const auto uid = parsed.value("--uid")) {
        o.uid = checked([&] { return static_cast<int>(numberIn(*uid, 0, 255, "--uid")); });
    }
    o.script = parsed.value("--script");
    if (const auto repeat = parsed.value("--repeat")) {
        o.repeat = checked([&] { return numberIn(*repeat, 0, 1'000'000'000, "--repeat"); });
        o.repeatGiven = true;
    }
    o.dryRun = parsed.has("--dry-run");
    o.quiet = parsed.has("--quiet");
    o.command = parsed.operands;
    if (o.script && !o.command.empty()) {
        throw cli::ArgumentError("give either a command or --script, not both");
    }
    if (!o.script && o.command.empty()) {
        throw cli::ArgumentError("no command given");
    }
    if (o.repeatGiven && !o.script) {
        throw cli::ArgumentError("--repeat works with --script only");
    }
    return o;
}

}  // namespace lumidex::send
