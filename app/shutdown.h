// Closes the window the normal way when the program is asked to stop from
// outside, so its close handler runs and the settings are written.
#pragma once

class QWidget;

namespace lumidex {

// From now on SIGTERM, SIGINT and SIGHUP (where the platform has them) and the
// desktop session ending close `window` as if the operator had closed it. An
// open message box is dismissed first, and from then on every message goes to
// standard error instead of a box, so nothing keeps the program running.
void closeOnStopRequest(QWidget& window);

}  // namespace lumidex
