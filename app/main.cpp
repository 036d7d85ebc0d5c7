// Lumidex App: reads the settings file, creates the serial port and the
// window, and runs until the window is closed, by the operator or by a request
// to stop (a signal, the desktop session ending), which closes it the same way.
#include <QApplication>

#include "app/shutdown.h"
#include "link/serial/systemport.h"
#include "settings/modini.h"
#include "settings/portpins.h"
#include "ui/fonts.h"
#include "ui/frmmain.h"

int main(int argc, char* argv[]) {
    lumidex::FontConfigPreload fontConfig;
    QApplication app(argc, argv);
    // Lets the desktop match the window to the installed desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.lumidex.LumidexApp"));
    fontConfig.wait();
    lumidex::loadWindowFont();
    // The settings file is read once, here. The ports pinned in it go to the
    // serial port (a pinned port opens its device, the others follow the
    // system's naming); the window takes the stored port and settings and
    // writes them back when it closes.
    lumidex::modINI settings(lumidex::AppDir(),
                             lumidex::perUserSettingsRoot(lumidex::lumidexAppIdentity()));
    settings.Load();
    const lumidex::PortPins pins = lumidex::readPortPins(settings);
    const std::unique_ptr<lumidex::SerialPort> port =
        lumidex::createSystemSerialPort(lumidex::pinnedResolver(pins));
    lumidex::frmMain window(*port, settings, pins);
    lumidex::closeOnStopRequest(window);
    window.show();
    return app.exec();
}
