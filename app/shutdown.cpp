#include "app/shutdown.h"

#include <QApplication>
#include <QWidget>
#include <cstdio>

#include "app/stopsignals.h"
#include "ui/toolkit.h"

#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif

namespace lumidex {

namespace {

// "lumidex-app: TEXT" on standard error.
void toStandardError(const QString& text) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()),
                 qPrintable(text));
    std::fflush(stderr);
}

void closeForStop(QWidget& window) {
    // Nobody may be there to click a message box now (a logout, a service
    // being stopped), so what the close has to tell, such as settings that
    // could not be saved, goes to standard error and the program ends at once.
    setMessageSink(toStandardError);
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
