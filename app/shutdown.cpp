#include "app/shutdown.h"

#include <QApplication>
#include <QWidget>

#include "app/stopsignals.h"

#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif

namespace lumidex {

namespace {

void closeForStop(QWidget& window) {
    // A modal box runs its own loop; closing only the window would leave the
    // box, and with it the program, waiting for the operator.
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (modal == &window || !modal->close()) {
            break;
        }
    }
    window.close();
}

}  // namespace

void closeOnStopRequest(QWidget& window) {
    onStopRequest(window, [&window] { closeForStop(window); });
#if QT_CONFIG(sessionmanager)
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) { closeForStop(window); });
#endif
}

}  // namespace lumidex
