// Windows has no pseudo-terminals: available() is false and tests that need
// one skip.
#include <stdexcept>

#include "support/pty.h"

namespace lumidex::test {

namespace {

[[noreturn]] void unavailable() {
    throw std::runtime_error("pseudo-terminals are not available on this platform");
}

}  // namespace

bool PseudoTerminal::available() {
    return false;
}

PseudoTerminal::PseudoTerminal() {
    unavailable();
}

PseudoTerminal::~PseudoTerminal() = default;

QByteArray PseudoTerminal::readBytes(std::size_t, int) {
    unavailable();
}

QByteArray PseudoTerminal::readAvailable(int) {
    unavailable();
}

int PseudoTerminal::baudRate() const {
    unavailable();
}

int PseudoTerminal::stopBits() const {
    unavailable();
}

QString PseudoTerminal::flowControl() const {
    unavailable();
}

void PseudoTerminal::turnFlowControlOn() {
    unavailable();
}

void PseudoTerminal::closeMaster() {}

}  // namespace lumidex::test
