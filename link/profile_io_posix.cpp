#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "link/profile_io.h"

namespace lumidex::profileio {

namespace {

bool writeAllAt(int fd, std::string_view data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n =
            ::pwrite(fd, data.data() + done, data.size() - done, static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The mode a file created by open(..., 0666) would get now.
mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

void syncDirectory(const std::filesystem::path& dir) {
    const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);  // best effort: the rename is already done
        ::close(fd);
    }
}

}  // namespace

ReplaceResult replaceFile(const std::filesystem::path& target, std::string_view content) {
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && ::access(target.c_str(), W_OK) != 0) {
        return ReplaceResult::Failed;
    }

    const std::filesystem::path dir = target.parent_path();
    std::string name = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        return ReplaceResult::NoTemporaryFile;
    }

    bool ok = writeAllAt(fd, content);
    if (ok && exists) {
        // Keep the owner where we may (otherwise the file becomes ours), and the
        // permission bits always.
        (void)!::fchown(fd, existing.st_uid, existing.st_gid);
        ok = ::fchmod(fd, existing.st_mode & 07777) == 0;
    } else if (ok) {
        ok = ::fchmod(fd, newFileMode()) == 0;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(name.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(name.c_str());
        return ReplaceResult::Failed;
    }
    syncDirectory(dir);
    return ReplaceResult::Replaced;
}

bool overwriteFile(const std::filesystem::path& target, std::string_view content,
                   std::string_view original) {
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    // Writing before truncating means a failure leaves at worst the new text over
    // the old; then the old text is put back.
    bool ok = writeAllAt(fd, content) && ::ftruncate(fd, static_cast<off_t>(content.size())) == 0 &&
              ::fsync(fd) == 0;
    if (!ok) {
        if (writeAllAt(fd, original)) {
            (void)!::ftruncate(fd, static_cast<off_t>(original.size()));
        }
    }
    ok = (::close(fd) == 0) && ok;
    return ok;
}

}  // namespace lumidex::profileio
