// Turns the operating system's requests to stop (SIGTERM, SIGINT, SIGHUP)
// into a readable descriptor, so the event loop can handle them like any
// other event instead of inside a signal handler.
#pragma once

namespace lumidex {

// Installs handlers for the stop signals and returns a descriptor that becomes
// readable each time one arrives. The same descriptor is returned on every
// call. Returns -1 where the platform has no such signals or the descriptor
// cannot be made; the default actions then stay in place.
int stopSignalDescriptor();

// Reads away what the handlers wrote, so the descriptor is quiet again.
void drainStopSignals(int descriptor);

}  // namespace lumidex
