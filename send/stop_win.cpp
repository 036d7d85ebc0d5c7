// Console control events arrive on a thread of their own; they set an event
// the run checks between frames and waits on during a pause, and cancel a
// blocking read of a feed that is under way (never a write to the port).
#include <windows.h>

#include <atomic>

#include "send/stop.h"

namespace lumidex::send {

namespace {

HANDLE stopEvent = nullptr;
HANDLE mainThread = nullptr;
std::atomic<bool> readingFeed{false};

BOOL WINAPI onConsoleEvent(DWORD type) {
    SetEvent(stopEvent);
    // The read may only be starting: cancel it again for a while.
    for (int i = 0; i < 20 && readingFeed; ++i) {
        CancelSynchronousIo(mainThread);
        Sleep(5);
    }
    if (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT) {
        return TRUE;
    }
    // The console is closing or the session ending: the process ends when
    // this returns, so wait here while the run finishes its frame and exits.
    Sleep(5000);
    return TRUE;
}

}  // namespace

StopEndsRead::StopEndsRead() {
    readingFeed = true;
}

StopEndsRead::~StopEndsRead() {
    readingFeed = false;
}

void catchStopRequests() {
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &mainThread, 0,
                    FALSE, DUPLICATE_SAME_ACCESS);
    stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (stopEvent) {
        SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    }
}

int stopDescriptor() {
    return -1;
}

bool stopRequested() {
    return stopEvent && WaitForSingleObject(stopEvent, 0) == WAIT_OBJECT_0;
}

bool pauseUnlessStopped(std::uint32_t ms) {
    if (!stopEvent) {
        Sleep(ms);
        return true;
    }
    return WaitForSingleObject(stopEvent, ms) != WAIT_OBJECT_0;
}

}  // namespace lumidex::send
