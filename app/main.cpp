// Lumidex App: creates the serial port and the window, and runs until the
// window is closed.
#include <QApplication>

#include "link/modini.h"
#include "link/portpins.h"
#include "link/qtserialport.h"
#include "ui/fonts.h"
#include "ui/frmmain.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    lumidex::setApplicationIdentity();
    lumidex::loadWindowFont();
    lumidex::QtSerialPort port(lumidex::pinnedPortDevice);
    lumidex::frmMain window(port, lumidex::AppDir());
    window.show();
    return app.exec();
}
