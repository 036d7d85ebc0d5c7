// Lumidex App: creates the serial port and the window, and runs until the
// window is closed, by the operator or by a request to stop (a signal, the
// desktop session ending), which closes it the same way.
#include <QApplication>

#include "link/settings/modini.h"
#include "link/portpins.h"
#include "link/serial/systemport.h"
#include "ui/fonts.h"
#include "ui/frmmain.h"
#include "app/shutdown.h"

int main(int argc, char* argv[]) {
    lumidex::FontConfigPreload fontConfig;
    QApplication app(argc, argv);
    lumidex::setApplicationIdentity();
    // Lets the desktop match the window to the installed desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.lumidex.LumidexApp"));
    fontConfig.wait();
    lumidex::loadWindowFont();
    // A pinned port opens its device; the others follow the system's naming.
    const std::unique_ptr<lumidex::SerialPort> port =
        lumidex::createSystemSerialPort(lumidex::pinnedPortDevice);
    lumidex::frmMain window(*port, lumidex::AppDir());
    lumidex::closeOnStopRequest(window);
    window.show();
    return app.exec();
}
