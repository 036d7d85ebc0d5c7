// The stop signals arrive on the descriptor of the program's stop-signal
// handling; a pause is a wait on that descriptor.
#include <poll.h>
#include <signal.h>

#include <chrono>

#include "app/stopsignals.h"
#include "send/stop.h"

namespace lumidex::send {

namespace {

int descriptor = -1;
bool stopped = false;

// Waits up to `ms` for a stop signal; remembers one that came. A wait cut
// short by a signal returns early; the next one sees a stop signal's byte.
bool stopWithin(int ms) {
    if (!stopped && descriptor >= 0) {
        pollfd pfd{descriptor, POLLIN, 0};
        stopped = ::poll(&pfd, 1, ms) > 0;
    }
    return stopped;
}

}  // namespace

// Reads wait in poll() together with the stop descriptor here.
StopEndsRead::StopEndsRead() = default;
StopEndsRead::~StopEndsRead() = default;

void catchStopRequests() {
    descriptor = stopSignalDescriptor();
    ::signal(SIGPIPE, SIG_IGN);
}

int stopDescriptor() {
    return descriptor;
}

bool stopRequested() {
    return stopWithin(0);
}

bool pauseUnlessStopped(std::uint32_t ms) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return !stopRequested();
        }
        if (descriptor < 0) {
            ::poll(nullptr, 0, static_cast<int>(left));
        } else if (stopWithin(static_cast<int>(left))) {
            return false;
        }
    }
}

}  // namespace lumidex::send
