#include "send/line.h"

#include <stdexcept>

#include "link/serial/linesettings.h"
#include "link/serial/systemport.h"
#include "settings/modini.h"
#include "settings/portpins.h"
#include "settings/portselection.h"

namespace lumidex::send {

namespace {

// "COM3" as its port number; none for a device.
std::optional<int> portNumber(const Options& options) {
    return options.port ? comPortNumber(QString::fromStdString(*options.port)) : std::nullopt;
}

}  // namespace

bool readsSettingsFile(const Options& options) {
    return !options.port || !options.baud || portNumber(options);
}

std::unique_ptr<SerialPort> openLine(const Options& options) {
    const std::optional<int> given = portNumber(options);
    const bool byDevice = options.port && !given;
    int number = byDevice ? 0 : given.value_or(1);
    QString settings = options.baud ? lineSettingsFor(QString::number(*options.baud)) : QString();
    PortResolver resolver = [device = QString::fromStdString(options.port.value_or(""))](int) {
        return std::optional<QString>(device);
    };

    if (readsSettingsFile(options)) {
        modINI ini(AppDir(), perUserSettingsRoot(lumidexAppIdentity()));
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
                settings =
                    lineSettingsFor(QString::number(kHostRates[static_cast<std::size_t>(baud)]));
            }
        }
        if (!byDevice) {
            resolver = pinnedResolver(readPortPins(ini));
        }
    }

    std::unique_ptr<SerialPort> port = createSystemSerialPort(resolver);
    port->setCommPort(static_cast<std::int16_t>(number));
    port->setSettings(settings.toStdString());
    port->setPortOpen(true);
    return port;
}

}  // namespace lumidex::send
