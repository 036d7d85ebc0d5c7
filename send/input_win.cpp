// GetFileType tells a file (FILE_TYPE_DISK) from a feed (a pipe, a console).
// A pipe is read as its bytes arrive (PeekNamedPipe), a console once it
// holds input; between, the run waits on the stop event a few milliseconds
// at a time, so Ctrl+C or Ctrl+Break ends the wait for the next line. Where
// a pipe cannot be peeked at (some pipes under Wine), the read blocks, and a
// stop request cancels it.
#include <windows.h>

#include <algorithm>
#include <stdexcept>

#include "link/win32text.h"
#include "send/input.h"
#include "send/stop.h"

namespace lumidex::send {

namespace {

constexpr std::uint32_t kWaitSliceMs = 5;

std::runtime_error systemError() {
    return std::runtime_error(win32::errorText(GetLastError()));
}

}  // namespace

struct ScriptInput::Impl {
    HANDLE handle = INVALID_HANDLE_VALUE;
    bool own = false;
    DWORD type = FILE_TYPE_UNKNOWN;
    bool console = false;
    bool peek = true;
    std::uint64_t size = 0;

    ~Impl() {
        if (own) {
            CloseHandle(handle);
        }
    }
};

ScriptInput::ScriptInput(const std::string& path) : impl_(std::make_unique<Impl>()) {
    if (path == "-") {
        impl_->handle = GetStdHandle(STD_INPUT_HANDLE);
    } else {
        impl_->handle = CreateFileW(win32::widen(path).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        impl_->own = impl_->handle != INVALID_HANDLE_VALUE;
    }
    if (impl_->handle == INVALID_HANDLE_VALUE || impl_->handle == nullptr) {
        throw systemError();
    }
    BY_HANDLE_FILE_INFORMATION info{};
    impl_->type = GetFileType(impl_->handle);
    if (impl_->type == FILE_TYPE_DISK && GetFileInformationByHandle(impl_->handle, &info) &&
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        throw std::runtime_error("it is a folder");
    }
    if (impl_->type == FILE_TYPE_DISK) {
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(impl_->handle, &size)) {
            throw systemError();
        }
        impl_->size = static_cast<std::uint64_t>(size.QuadPart);
    }
    DWORD mode = 0;
    impl_->console = impl_->type == FILE_TYPE_CHAR && GetConsoleMode(impl_->handle, &mode);
}

ScriptInput::~ScriptInput() = default;

ScriptInput::Kind ScriptInput::kind() const {
    return impl_->type == FILE_TYPE_DISK ? Kind::File : Kind::Feed;
}

std::uint64_t ScriptInput::size() const {
    return impl_->size;
}

long long ScriptInput::read(char* buffer, std::size_t capacity) {
    auto wanted = static_cast<DWORD>(std::min<std::size_t>(capacity, 1 << 20));
    DWORD got = 0;
    if (impl_->type == FILE_TYPE_PIPE) {
        while (impl_->peek) {
            if (stopRequested()) {
                return -1;
            }
            DWORD available = 0;
            if (!PeekNamedPipe(impl_->handle, nullptr, 0, nullptr, &available, nullptr)) {
                if (GetLastError() == ERROR_BROKEN_PIPE) {
                    return 0;
                }
                impl_->peek = false;
                break;
            }
            if (available > 0) {
                wanted = std::min(wanted, available);  // so the read never waits
                break;
            }
            if (!pauseUnlessStopped(kWaitSliceMs)) {
                return -1;
            }
        }
    } else if (impl_->console) {
        while (WaitForSingleObject(impl_->handle, kWaitSliceMs) != WAIT_OBJECT_0) {
            if (stopRequested()) {
                return -1;
            }
        }
    }
    if (stopRequested()) {
        return -1;
    }
    bool read = false;
    {
        const StopEndsRead stoppable;
        read = ReadFile(impl_->handle, buffer, wanted, &got, nullptr);
    }
    if (!read) {
        const DWORD error = GetLastError();
        if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) {
            return 0;
        }
        if (error == ERROR_OPERATION_ABORTED && stopRequested()) {
            return -1;
        }
        throw std::runtime_error(win32::errorText(error));
    }
    return stopRequested() && got == 0 ? -1 : static_cast<long long>(got);
}

}  // namespace lumidex::send
