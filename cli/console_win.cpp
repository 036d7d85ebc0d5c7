// Windows: the C library's streams, written as they are.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/console.h"

namespace lumidex::cli {

struct Console::Impl {};

Console::Console(int) : impl_(std::make_unique<Impl>()) {}

Console::~Console() = default;

bool Console::out(std::string_view text) {
    if (outputFailure_) {
        return false;
    }
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
        std::fflush(stdout) != 0) {
        outputFailure_ = std::strerror(errno);
        return false;
    }
    return true;
}

void Console::error(std::string_view program, std::string_view message) {
    errorLine(std::string(program) + ": " + std::string(message));
}

void Console::errorLine(std::string_view line) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
    std::fflush(stderr);
}

void Console::stopRequested() {}

}  // namespace lumidex::cli
