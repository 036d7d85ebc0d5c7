#include "send/line.h"

#include "link/modini.h"
#include "link/portpins.h"
#include "link/portselection.h"
#include "link/systemport.h"
#include "protocol/commands.h"

namespace lumidex::send {

std::string Line::explain(const std::string& message) const {
    if (device.empty() || message.rfind("port COM1", 0) != 0) {
        return message;
    }
    for (const char* verb : {" could not ", " cannot ", " is already "}) {
        const std::size_t at = message.find(verb);
        if (at != std::string::npos) {
            return device + message.substr(at);
        }
    }
    return message;
}

namespace {

// "COM3" as its port number; none for a device.
std::optional<int> portNumber(const Options& options) {
    return options.port ? comPortNumber(QString::fromStdString(*options.port)) : std::nullopt;
}

}  // namespace

bool readsSettingsFile(const Options& options) {
    return !options.port || !options.baud || portNumber(options);
}

Line openLine(const Options& options) {
    Line line;
    const std::optional<int> given = portNumber(options);
    int number = given.value_or(1);
    if (options.port && !given) {
        line.device = *options.port;
    }
    QString settings = options.baud ? lineSettingsFor(QString::number(*options.baud)) : QString();
    PortResolver resolver = [device = QString::fromStdString(line.device)](int) {
        return std::optional<QString>(device);
    };

    if (readsSettingsFile(options)) {
        modINI ini(AppDir());
        ini.Load();
        if (!ini.problem().isEmpty()) {
            throw std::runtime_error(
                QStringLiteral("the settings file %1 cannot be used: %2; give --port with a "
                               "device and --baud instead")
                    .arg(ini.readPath(), ini.problem())
                    .toStdString());
        }
        if (!options.port) {
            number = storedPortPosition(ini.ReadIni(kSettingsSection, kCommPortKey)) + 1;
        }
        if (!options.baud) {
            // As the window starts: a stored baud rate it lists is applied as
            // its list entry would, any other text as stored.
            settings = ini.ReadIni(kSettingsSection, kSettingKey);
            const int baud = storedBaudPosition(settings);
            if (baud >= 0) {
                settings = lineSettingsFor(
                    QString::number(kBaudRates[static_cast<std::size_t>(baud)]));
            }
        }
        if (line.device.empty()) {
            setPortPins(parsePortPins(ini.ReadSection(kPortsSection)));
            resolver = pinnedPortDevice;
        }
    }

    line.port = createSystemSerialPort(resolver);
    line.port->setCommPort(static_cast<std::int16_t>(number));
    line.port->setSettings(settings.toStdString());
    try {
        line.port->setPortOpen(true);
    } catch (const SerialPortError& e) {
        throw SerialPortError(line.explain(e.what()));
    }
    return line;
}

}  // namespace lumidex::send
