#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <initializer_list>

#include "app/stopsignals.h"

namespace lumidex {

namespace {

int pipeEnds[2] = {-1, -1};

// Only async-signal-safe calls here: one byte into the pipe. A full pipe
// already holds an unread request, so a failed write loses nothing.
extern "C" void onStopSignal(int) {
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
    errno = savedErrno;
}

bool makePipe() {
    if (::pipe(pipeEnds) != 0) {
        pipeEnds[0] = pipeEnds[1] = -1;
        return false;
    }
    for (const int end : pipeEnds) {
        ::fcntl(end, F_SETFD, FD_CLOEXEC);
        ::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK);
    }
    return true;
}

}  // namespace

int stopSignalDescriptor() {
    static const int descriptor = [] {
        if (!makePipe()) {
            return -1;
        }
        struct sigaction action {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
            ::sigaction(signal, &action, nullptr);
        }
        return pipeEnds[0];
    }();
    return descriptor;
}

void drainStopSignals(int descriptor) {
    char buffer[64];
    while (::read(descriptor, buffer, sizeof buffer) > 0) {
    }
}

}  // namespace lumidex
