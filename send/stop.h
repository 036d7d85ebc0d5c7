// Requests to stop a run (Ctrl+C, SIGTERM or SIGHUP; on Windows Ctrl+C,
// Ctrl+Break or the console closing) take effect between two frames, never
// inside one, so a stopped run leaves no frame cut short on the line.
#pragma once

#include <cstdint>

namespace lumidex::send {

// Takes over the stop requests from here on.
void catchStopRequests();

// Whether a stop was requested.
bool stopRequested();

// Waits `ms` milliseconds; returns false at once when a stop is requested.
bool pauseUnlessStopped(std::uint32_t ms);

}  // namespace lumidex::send
