// What QSerialPort leaves to the platform: line parameters termios cannot
// express, room for a whole frame, and handing one byte to the driver.
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "link/serial/posixserialport.h"

namespace lumidex::detail {

std::optional<std::string> unsupportedLineSettings(const LineSettings& settings) {
    // termios knows one or two stop bits only; QSerialPort would quietly run
    // the line with one.
    if (settings.stopBits == StopBits::OneAndHalf) {
        return std::string("1.5 stop bits are not supported on this system");
    }
    return std::nullopt;
}

// A terminal reports itself writable only while fewer than 256 bytes wait in
// its output queue and its driver has buffer space; a pseudo-terminal hands
// that space out in 256-byte chunks and serial drivers keep kilobytes, so
// "writable" means a frame of a few bytes is taken whole. Nothing else writes
// to the port between this check and the frame's bytes, and the driver only
// ever drains, so the room stays.
std::optional<std::string> waitForRoom(QSerialPort& port, std::size_t count, int timeoutMs) {
    if (count > PosixSerialPort::kMaxReserve) {
        return "a frame of " + std::to_string(count) +
               " bytes is longer than the driver can take at once";
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const int fd = static_cast<int>(port.handle());
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd pfd{fd, POLLOUT, 0};
        const int ready = ::poll(&pfd, 1, left > 0 ? static_cast<int>(left) : 0);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            return "the driver refused it (" + std::string(std::strerror(errno)) + ")";
        }
        if (ready == 0) {
            return "the device is not taking data (its output queue stayed full for " +
                   std::to_string(timeoutMs) + " ms)";
        }
        if (pfd.revents & (POLLERR | POLLHUP | POLLNVAL)) {
            return std::string("the device is no longer available (it hung up)");
        }
        if (pfd.revents & POLLOUT) {
            return std::nullopt;
        }
    }
}

// Writes straight to the descriptor QSerialPort opened, bypassing its buffer:
// a byte the driver does not take never waits there to go out later, and no
// poll is needed unless the queue is full (polling a terminal is slow).
std::optional<std::string> writeByte(QSerialPort& port, std::uint8_t byte, int timeoutMs) {
    const int fd = static_cast<int>(port.handle());
    for (;;) {
        const ssize_t written = ::write(fd, &byte, 1);
        if (written == 1) {
            return std::nullopt;
        }
        const int error = written < 0 ? errno : EAGAIN;
        if (error == EINTR) {
            continue;
        }
        if (error == EAGAIN || error == EWOULDBLOCK) {
            pollfd pfd{fd, POLLOUT, 0};
            int ready;
            do {
                ready = ::poll(&pfd, 1, timeoutMs);
            } while (ready < 0 && errno == EINTR);
            if (ready == 0) {
                return std::string("the device is not taking data (its output queue stayed full)");
            }
            continue;  // room again, or an error the next write reports
        }
        const std::string text = std::strerror(error);
        if (error == EIO || error == ENXIO || error == ENODEV || error == EPIPE) {
            return "the device is no longer available (" + text + ")";
        }
        return "the driver refused it (" + text + ")";
    }
}

// The driver's queue is watched until it is empty (a pseudo-terminal reports
// nothing queued); then tcdrain waits for the transmitter, a few bytes at
// most. tcdrain alone could wait for ever on a line that stopped.
void waitUntilSent(QSerialPort& port, int timeoutMs) {
    const int fd = static_cast<int>(port.handle());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int queued = 0;
    while (::ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return;
        }
        ::poll(nullptr, 0, 1);
    }
    if (queued == 0) {
        ::tcdrain(fd);
    }
}

}  // namespace lumidex::detail
