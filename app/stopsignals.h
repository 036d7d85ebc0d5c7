// Requests to stop from outside the program (SIGTERM, SIGINT, SIGHUP) as
// events of the Qt event loop, so every program of the project handles them
// like any other event instead of inside a signal handler.
#pragma once

#include <functional>

class QObject;

namespace lumidex {

// From now on calls `onStop` from the event loop each time a stop signal
// arrives, for as long as `context` lives. Once per program. False where the
// platform has no such signals or the handlers cannot be installed; the
// default actions then stay in place. (A Windows program is asked to stop
// through its windows instead.)
bool onStopRequest(QObject& context, std::function<void()> onStop);

// What onStopRequest is built on; plain C++, one file per platform.
//
// Installs handlers for the stop signals and returns a descriptor that becomes
// readable each time one arrives. The same descriptor is returned on every
// call. Returns -1 where the platform has no such signals or the descriptor
// cannot be made.
int stopSignalDescriptor();

// Reads away what the handlers wrote, so the descriptor is quiet again.
void drainStopSignals(int descriptor);

}  // namespace lumidex
