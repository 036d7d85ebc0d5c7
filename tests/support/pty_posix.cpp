#include "support/pty.h"

#include <QStringList>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>

#if defined(__APPLE__)
#include <util.h>
#else
#include <pty.h>
#endif

namespace lumidex::test {

namespace {

using Clock = std::chrono::steady_clock;

int millisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits up to `timeoutMs` for data on `fd` and reads what is there, at most
// `max` bytes. Returns the count read; 0 on timeout or when the other side has
// gone (nothing more can come).
std::size_t readSome(int fd, char* buffer, std::size_t max, int timeoutMs, bool& ended) {
    pollfd pfd{fd, POLLIN, 0};
    int ready;
    do {
        ready = ::poll(&pfd, 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0) {
        return 0;
    }
    ssize_t got;
    do {
        got = ::read(fd, buffer, max);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) {
        if (got == 0 || errno != EAGAIN) {
            ended = true;
        }
        return 0;
    }
    return static_cast<std::size_t>(got);
}

int baudOf(speed_t speed) {
    static const struct {
        speed_t code;
        int baud;
    } rates[] = {{B50, 50},         {B75, 75},        {B110, 110},     {B134, 134},
                 {B150, 150},       {B200, 200},      {B300, 300},     {B600, 600},
                 {B1200, 1200},     {B1800, 1800},    {B2400, 2400},   {B4800, 4800},
                 {B9600, 9600},     {B19200, 19200},  {B38400, 38400}, {B57600, 57600},
                 {B115200, 115200}, {B230400, 230400}};
    for (const auto& rate : rates) {
        if (rate.code == speed) {
            return rate.baud;
        }
    }
    return 0;
}

}  // namespace

bool PseudoTerminal::available() {
    return true;
}

PseudoTerminal::PseudoTerminal() {
    char name[256] = {};
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        throw std::runtime_error(std::string("openpty failed: ") + std::strerror(errno));
    }
    // Raw from the start, so nothing the slave's opener writes is translated
    // even before it sets the line up itself.
    termios line{};
    if (::tcgetattr(slave_, &line) != 0 ||
        (::cfmakeraw(&line), ::tcsetattr(slave_, TCSANOW, &line)) != 0) {
        const std::string reason = std::strerror(errno);
        ::close(master_);
        ::close(slave_);
        throw std::runtime_error("cannot make the pseudo-terminal raw: " + reason);
    }
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    slavePath_ = QString::fromLocal8Bit(name);
}

PseudoTerminal::~PseudoTerminal() {
    closeMaster();
    if (slave_ >= 0) {
        ::close(slave_);
    }
}

QByteArray PseudoTerminal::readBytes(std::size_t n, int timeoutMs) {
    QByteArray bytes;
    if (master_ < 0) {
        return bytes;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[4096];
    bool ended = false;
    while (static_cast<std::size_t>(bytes.size()) < n && !ended) {
        const int left = millisecondsLeft(deadline);
        const std::size_t want =
            std::min(sizeof buffer, n - static_cast<std::size_t>(bytes.size()));
        const std::size_t got = readSome(master_, buffer, want, left, ended);
        bytes.append(buffer, static_cast<qsizetype>(got));
        if (got == 0 && left == 0) {
            break;
        }
    }
    return bytes;
}

QByteArray PseudoTerminal::readAvailable(int quietMs) {
    QByteArray bytes;
    if (master_ < 0) {
        return bytes;
    }
    char buffer[4096];
    bool ended = false;
    for (;;) {
        const std::size_t got = readSome(master_, buffer, sizeof buffer, quietMs, ended);
        if (got == 0) {
            return bytes;
        }
        bytes.append(buffer, static_cast<qsizetype>(got));
    }
}

int PseudoTerminal::baudRate() const {
    termios line{};
    if (::tcgetattr(slave_, &line) != 0) {
        return 0;
    }
    return baudOf(::cfgetospeed(&line));
}

int PseudoTerminal::stopBits() const {
    termios line{};
    if (::tcgetattr(slave_, &line) != 0) {
        return 0;
    }
    return (line.c_cflag & CSTOPB) ? 2 : 1;
}

QString PseudoTerminal::flowControl() const {
    termios line{};
    if (::tcgetattr(slave_, &line) != 0) {
        return QStringLiteral("unknown");
    }
    QStringList on;
    if (line.c_cflag & CRTSCTS) {
        on << QStringLiteral("rts/cts");
    }
    if (line.c_iflag & IXON) {
        on << QStringLiteral("xon");
    }
    if (line.c_iflag & IXOFF) {
        on << QStringLiteral("xoff");
    }
    return on.join(u' ');
}

void PseudoTerminal::turnFlowControlOn() {
    termios line{};
    ::tcgetattr(slave_, &line);
    line.c_cflag |= CRTSCTS;
    line.c_iflag |= IXON | IXOFF;
    ::tcsetattr(slave_, TCSANOW, &line);
}

void PseudoTerminal::closeMaster() {
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
}

}  // namespace lumidex::test
