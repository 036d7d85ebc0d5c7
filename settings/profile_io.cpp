// The parts of the profile file operations that every platform shares.
#include <algorithm>
#include <new>
#include <utility>

#include "settings/profile_io.h"

namespace lumidex::profileio {

ReadResult readBounded(unsigned long long size, std::size_t limit, const ReadAt& readAt) {
    ReadResult result;
    if (size > limit) {
        result.status = ReadStatus::TooLarge;
        return result;
    }
    try {
        std::string content(static_cast<std::size_t>(size) + 1, '\0');
        std::size_t done = 0;
        for (;;) {
            if (done == content.size()) {
                if (done > limit) {
                    result.status = ReadStatus::TooLarge;
                    return result;
                }
                content.resize(std::min(limit + 1, content.size() * 2 + 1));
            }
            const long long n =
                readAt(done, content.data() + done, content.size() - done, result.reason);
            if (n < 0) {
                return result;
            }
            if (n == 0) {
                break;
            }
            done += static_cast<std::size_t>(n);
        }
        if (done > limit) {
            result.status = ReadStatus::TooLarge;
            return result;
        }
        content.resize(done);
        result.content = std::move(content);
        result.status = ReadStatus::Read;
    } catch (const std::bad_alloc&) {
        result.reason = "there is not enough memory to read it";
    }
    return result;
}

FileLock::FileLock(const std::filesystem::path& target, std::intptr_t handle, bool created)
    : target_(target), handle_(handle), created_(created) {}

FileLock::FileLock(FileLock&& other) noexcept
    : target_(std::move(other.target_)),
      handle_(other.handle_),
      created_(other.created_),
      replaced_(other.replaced_) {
    other.handle_ = -1;
}

}  // namespace lumidex::profileio
