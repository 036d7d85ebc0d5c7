#include "app/stopsignals.h"

namespace lumidex {

// A Windows GUI program is asked to stop through its windows (session end),
// not through signals.
int stopSignalDescriptor() {
    return -1;
}
void drainStopSignals(int) {}

}  // namespace lumidex
