// Runs code where file permission bits apply.
#pragma once

#include <functional>

namespace lumidex::test {

// Runs `body` and returns its result (0 to 98). As root, where permission bits
// stop nothing, it runs in a child process that has become the unprivileged
// user "nobody". -1 when that cannot be arranged (or on systems without such
// users).
int runUnprivileged(const std::function<int()>& body);

}  // namespace lumidex::test
