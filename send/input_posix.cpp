// A feed is waited on with poll(), together with the stop signals'
// descriptor, so a stop request ends the wait for the next line at once.
// A path is opened without waiting for a FIFO's writer, which poll() then
// waits for like any other input.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "send/input.h"
#include "send/stop.h"

namespace lumidex::send {

struct ScriptInput::Impl {
    int fd = STDIN_FILENO;
    bool own = false;
    Kind kind = Kind::Feed;
    std::uint64_t size = 0;

    ~Impl() {
        if (own) {
            ::close(fd);
        }
    }
};

ScriptInput::ScriptInput(const std::string& path) : impl_(std::make_unique<Impl>()) {
    if (path != "-") {
        impl_->fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (impl_->fd < 0) {
            throw std::runtime_error(std::strerror(errno));
        }
        impl_->own = true;
    }
    struct stat st {};
    if (::fstat(impl_->fd, &st) != 0) {
        throw std::runtime_error(std::strerror(errno));
    }
    if (S_ISDIR(st.st_mode)) {
        throw std::runtime_error("it is a folder");
    }
    if (S_ISREG(st.st_mode)) {
        impl_->kind = Kind::File;
        impl_->size = static_cast<std::uint64_t>(st.st_size);
    }
}

ScriptInput::~ScriptInput() = default;

ScriptInput::Kind ScriptInput::kind() const {
    return impl_->kind;
}

std::uint64_t ScriptInput::size() const {
    return impl_->size;
}

long long ScriptInput::read(char* buffer, std::size_t capacity) {
    const int stop = stopDescriptor();
    for (;;) {
        if (impl_->kind == Kind::Feed) {
            pollfd fds[2] = {{impl_->fd, POLLIN, 0}, {stop, POLLIN, 0}};
            if (::poll(fds, stop >= 0 ? 2 : 1, -1) < 0) {
                if (errno == EINTR) {
                    continue;
                }
                throw std::runtime_error(std::strerror(errno));
            }
            if (stop >= 0 && (fds[1].revents & POLLIN)) {
                return -1;
            }
        }
        const ssize_t n = ::read(impl_->fd, buffer, capacity);
        if (n >= 0) {
            return n;
        }
        if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
            throw std::runtime_error(std::strerror(errno));
        }
    }
}

}  // namespace lumidex::send
