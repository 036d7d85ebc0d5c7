// Makes the window's typeface available where the system lacks it.
#pragma once

#include <thread>

namespace lumidex {

// Registers a Tahoma-compatible font with the application when the system has
// none, so captions keep the widths the layout was made for. Call once after
// the application object exists.
void loadWindowFont();

// Loads the system's font configuration on a thread of its own. Qt loads it
// on the window's first caption, about 7 ms of a start-up of about 70 ms;
// begun before the application object, it overlaps that object's set-up on a
// second processor. wait() returns once it is loaded; the destructor waits too.
class FontConfigPreload {
  public:
    FontConfigPreload();
    ~FontConfigPreload();
    FontConfigPreload(const FontConfigPreload&) = delete;
    FontConfigPreload& operator=(const FontConfigPreload&) = delete;
    void wait();

  private:
    std::thread thread_;
};

}  // namespace lumidex
