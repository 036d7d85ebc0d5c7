// Console control events arrive on a thread of their own; they set an event
// the run checks between frames and waits on during a pause.
#include <windows.h>

#include "send/stop.h"

namespace lumidex::send {

namespace {

HANDLE stopEvent = nullptr;

BOOL WINAPI onConsoleEvent(DWORD type) {
    SetEvent(stopEvent);
    if (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT) {
        return TRUE;
    }
    // The console is closing or the session ending: the process ends when
    // this returns, so wait here while the run finishes its frame and exits.
    Sleep(5000);
    return TRUE;
}

}  // namespace

void catchStopRequests() {
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
