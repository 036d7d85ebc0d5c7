#include "support/unprivileged.h"

namespace lumidex::test {

int runUnprivileged(const std::function<int()>&) {
    return -1;
}

}  // namespace lumidex::test
