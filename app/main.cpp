// Lumidex App: creates the serial port and the window, and runs until the
// window is closed.
#include <QApplication>

#include "link/modini.h"
#include "link/portpins.h"
#include "link/systemport.h"
#include "ui/fonts.h"
#include "ui/frmmain.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    lumidex::setApplicationIdentity();
    lumidex::loadWindowFont();
    // A pinned port opens its device; the others follow the system's naming.
    const std::unique_ptr<lumidex::SerialPort> port =
        lumidex::createSystemSerialPort(lumidex::pinnedPortDevice);
    lumidex::frmMain window(*port, lumidex::AppDir());
    window.show();
    return app.exec();
}
