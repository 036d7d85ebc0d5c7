// Windows has no pseudo-terminals a serial program could open by name.
#include <stdexcept>

#include "app/ptyhost.h"

namespace lumidex::monitor {

struct PtyHost::Impl {};

PtyHost::PtyHost() = default;
PtyHost::~PtyHost() = default;

std::string PtyHost::open(BytesFn, ErrorFn) {
    throw std::runtime_error("--pty is not available on Windows; give a serial device instead");
}

void PtyHost::readPending() {}

}  // namespace lumidex::monitor
