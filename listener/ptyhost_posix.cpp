// The pseudo-terminal behind --pty, read through the Qt event loop.
#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#if __has_include(<pty.h>)
#include <pty.h>
#elif __has_include(<util.h>)
#include <util.h>
#else
#include <libutil.h>
#endif
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include "listener/ptyhost.h"

namespace lumidex::listener {

struct PtyHost::Impl {
    int master = -1;
    // Kept open here as well, so the master does not report end-of-file or
    // errors while no program is connected or after one disconnects.
    int slave = -1;
    std::unique_ptr<QSocketNotifier> notifier;
    BytesFn onBytes;
    ErrorFn onError;

    ~Impl() {
        notifier.reset();
        if (slave >= 0) {
            ::close(slave);
        }
        if (master >= 0) {
            ::close(master);
        }
    }

    // Reads at most one buffer, then returns to the event loop, which calls
    // again while more is waiting. A writer that never stops therefore cannot
    // keep the loop from noticing a request to stop.
    void readOnce() {
        if (master < 0 || !notifier || !notifier->isEnabled()) {
            return;
        }
        std::uint8_t buffer[1024];
        ssize_t n;
        do {
            n = ::read(master, buffer, sizeof buffer);
        } while (n < 0 && errno == EINTR);
        if (n > 0) {
            onBytes(buffer, static_cast<std::size_t>(n));
            return;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;
        }
        notifier->setEnabled(false);
        onError(n == 0
                    ? std::string("the pseudo-terminal was closed")
                    : std::string("reading the pseudo-terminal failed: ") + std::strerror(errno));
    }
};

PtyHost::PtyHost() : impl_(std::make_unique<Impl>()) {}
PtyHost::~PtyHost() = default;

std::string PtyHost::open(BytesFn onBytes, ErrorFn onError) {
    Impl& d = *impl_;
    if (::openpty(&d.master, &d.slave, nullptr, nullptr, nullptr) != 0) {
        throw std::runtime_error(std::string("cannot create a pseudo-terminal: ") +
                                 std::strerror(errno));
    }
    // Raw: no echo, no line editing, no signals on control bytes, no CR/LF
    // translation, so every byte value reaches the master unchanged.
    termios mode{};
    if (::tcgetattr(d.slave, &mode) != 0) {
        throw std::runtime_error(std::string("cannot read the pseudo-terminal's mode: ") +
                                 std::strerror(errno));
    }
    ::cfmakeraw(&mode);
    if (::tcsetattr(d.slave, TCSANOW, &mode) != 0) {
        throw std::runtime_error(std::string("cannot make the pseudo-terminal raw: ") +
                                 std::strerror(errno));
    }
    char path[256];
    if (::ttyname_r(d.slave, path, sizeof path) != 0) {
        throw std::runtime_error("cannot find the pseudo-terminal's path");
    }
    ::fcntl(d.master, F_SETFD, FD_CLOEXEC);
    ::fcntl(d.slave, F_SETFD, FD_CLOEXEC);
    ::fcntl(d.master, F_SETFL, ::fcntl(d.master, F_GETFL) | O_NONBLOCK);

    d.onBytes = std::move(onBytes);
    d.onError = std::move(onError);
    d.notifier = std::make_unique<QSocketNotifier>(d.master, QSocketNotifier::Read);
    QObject::connect(d.notifier.get(), &QSocketNotifier::activated,
                     [&d](QSocketDescriptor, QSocketNotifier::Type) { d.readOnce(); });
    return path;
}

void PtyHost::readPending() {
    impl_->readOnce();
}

}  // namespace lumidex::listener
