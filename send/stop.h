// Requests to stop a run (Ctrl+C, SIGTERM or SIGHUP; on Windows Ctrl+C,
// Ctrl+Break or the console closing) take effect between two frames, never
// inside one, so a stopped run leaves no frame cut short on the line.
#pragma once

#include <cstdint>

namespace lumidex::send {

// Takes over the stop requests from here on. A closed pipe on standard output
// is then a failed write that the run reports, not a silent end.
void catchStopRequests();

// What a console waits on for a stop request: the stop signals' descriptor;
// -1 where stop requests come otherwise (Windows).
int stopDescriptor();

// Whether a stop was requested.
bool stopRequested();

// While one lives, a stop request also ends a blocking read of a feed by the
// thread that made it: on Windows, where stop requests arrive on a thread of
// their own. (Elsewhere reads wait in poll() with the stop signals.)
class StopEndsRead {
  public:
    StopEndsRead();
    ~StopEndsRead();
    StopEndsRead(const StopEndsRead&) = delete;
    StopEndsRead& operator=(const StopEndsRead&) = delete;
};

// Waits `ms` milliseconds; returns false at once when a stop is requested.
bool pauseUnlessStopped(std::uint32_t ms);

}  // namespace lumidex::send
