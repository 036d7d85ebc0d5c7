// Makes the window's typeface available where the system lacks it.
#pragma once

namespace lumidex {

// Registers a Tahoma-compatible font with the application when the system has
// none, so captions keep the widths the layout was made for. Call once after
// the application object exists.
void loadWindowFont();

}  // namespace lumidex
