#include "send/options.h"

#include "link/serial/linesettings.h"
#include "send/script.h"

namespace lumidex::send {

Options readOptions(const std::vector<std::string>& args) {
    Options o;
    bool repeatGiven = false;
    std::size_t i = 0;
    for (; i < args.size() && args[i].rfind("--", 0) == 0; ++i) {
        const std::size_t equals = args[i].find('=');
        const std::string name = args[i].substr(0, equals);
        const bool given = equals != std::string::npos;
        const auto value = [&]() -> std::string {
            if (given) {
                return args[i].substr(equals + 1);
            }
            if (++i == args.size()) {
                throw BadInput(name + " needs a value");
            }
            return args[i];
        };
        const auto flag = [&](bool& set) {
            if (given) {
                throw BadInput(name + " takes no value");
            }
            set = true;
        };
        if (name == "--port") {
            o.port = value();
            if (o.port->empty()) {
                throw BadInput("--port needs a port such as COM3 or a device such as /dev/ttyUSB0");
            }
        } else if (name == "--baud") {
            const std::string baud = value();
            for (const std::int32_t rate : kHostRates) {
                if (baud == std::to_string(rate)) {
                    o.baud = rate;
                }
            }
            if (!o.baud) {
                throw BadInput("--baud must be " + hostRatesText() + ": '" + baud + "'");
            }
        } else if (name == "--uid") {
            o.uid = static_cast<int>(numberIn(value(), 0, 255, "--uid"));
        } else if (name == "--script") {
            o.script = value();
        } else if (name == "--repeat") {
            o.repeat = numberIn(value(), 0, 1'000'000'000, "--repeat");
            repeatGiven = true;
        } else if (name == "--dry-run") {
            flag(o.dryRun);
        } else if (name == "--quiet") {
            flag(o.quiet);
        } else if (name == "--help") {
            flag(o.help);
        } else {
            throw BadInput("unknown option '" + name + "'");
        }
    }
    o.command.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
    if (o.help) {
        return o;
    }
    if (o.script && !o.command.empty()) {
        throw BadInput("give either a command or --script, not both");
    }
    if (!o.script && o.command.empty()) {
        throw BadInput("no command given");
    }
    if (repeatGiven && !o.script) {
        throw BadInput("--repeat works with --script only");
    }
    return o;
}

}  // namespace lumidex::send
