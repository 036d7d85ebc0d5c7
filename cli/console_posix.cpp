// A stream that is a pipe, a FIFO, a terminal or a socket is written through
// a non-blocking description of its own (opened again through /proc), so a
// write never blocks: when the stream is full the console waits in poll() on
// both the stream and the stop descriptor. Standard output's own description,
// shared with the shell, keeps its flags. Other streams (files) are written
// as they are: they do not fill up and wait.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "cli/console.h"

namespace lumidex::cli {

namespace {

using Clock = std::chrono::steady_clock;

// How long standard error, full, may still hold a program once a stop was
// requested, for the message that says how the run ended. Standard output
// loses what it cannot take at once.
constexpr std::chrono::milliseconds kErrorGrace(50);

int nonBlockingCopy(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 ||
        !(S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode) || S_ISSOCK(st.st_mode))) {
        return -1;
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    return ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}

}  // namespace

struct Console::Impl {
    int stop = -1;
    int out = STDOUT_FILENO;
    int err = STDERR_FILENO;
    std::optional<Clock::time_point> stopSeen;

    ~Impl() {
        for (const int fd : {out, err}) {
            if (fd > STDERR_FILENO) {
                ::close(fd);
            }
        }
    }

    void noteStop() {
        if (!stopSeen) {
            stopSeen = Clock::now();
        }
    }

    // Writes all of `text` to `fd`, waiting at most `grace` once a stop was
    // requested. Returns 0, or the errno of a failure, or -1 when the text
    // was dropped because of a stop request.
    int write(int fd, std::string_view text, std::chrono::milliseconds grace) {
        while (!text.empty()) {
            const ssize_t n = ::write(fd, text.data(), text.size());
            if (n > 0) {
                text.remove_prefix(static_cast<std::size_t>(n));
                continue;
            }
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                return errno;
            }
            int timeout = -1;
            if (stopSeen) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    *stopSeen + grace - Clock::now());
                if (left.count() <= 0) {
                    return -1;
                }
                timeout = static_cast<int>(left.count());
            }
            pollfd fds[2] = {{fd, POLLOUT, 0}, {stop, POLLIN, 0}};
            const int ready = ::poll(fds, stop >= 0 && !stopSeen ? 2 : 1, timeout);
            if (ready > 0 && (fds[1].revents & POLLIN)) {
                noteStop();
            }
        }
        return 0;
    }
};

Console::Console(int stopDescriptor) : impl_(std::make_unique<Impl>()) {
    impl_->stop = stopDescriptor;
    for (int* fd : {&impl_->out, &impl_->err}) {
        const int copy = nonBlockingCopy(*fd);
        if (copy >= 0) {
            *fd = copy;
        }
    }
}

Console::~Console() = default;

bool Console::out(std::string_view text) {
    if (outputFailure_) {
        return false;
    }
    const int result = impl_->write(impl_->out, text, std::chrono::milliseconds(0));
    if (result > 0) {
        outputFailure_ = std::strerror(result);
    }
    return result == 0;
}

void Console::error(std::string_view program, std::string_view message) {
    errorLine(std::string(program) + ": " + std::string(message));
}

void Console::errorLine(std::string_view line) {
    impl_->write(impl_->err, std::string(line) + "\n", kErrorGrace);
}

void Console::stopRequested() {
    impl_->noteStop();
}

}  // namespace lumidex::cli
