#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <new>
#include <string>
#include <system_error>
#include <thread>

#include "settings/profile_io.h"

namespace fs = std::filesystem;

namespace lumidex::profileio {

namespace {

std::string systemText(int error) {
    return std::generic_category().message(error);
}

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

// Reads the regular file open as `fd` from its start: at most limit + 1 bytes.
ReadResult readOpen(int fd, std::size_t limit) {
    ReadResult result;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        result.reason = systemText(errno);
        return result;
    }
    if (!S_ISREG(st.st_mode)) {
        result.reason = "it is not a regular file";
        return result;
    }
    return readBounded(
        static_cast<unsigned long long>(st.st_size), limit,
        [fd](std::size_t offset, char* data, std::size_t length, std::string& reason) -> long long {
            for (;;) {
                const ssize_t n = ::pread(fd, data, length, static_cast<off_t>(offset));
                if (n >= 0 || errno != EINTR) {
                    if (n < 0) {
                        reason = systemText(errno);
                    }
                    return n;
                }
            }
        });
}

// The mode a file created by open(..., 0666) would get now.
mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

void syncDirectory(const fs::path& dir) {
    const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);  // best effort: the rename is already done
        ::close(fd);
    }
}

// The errors with which a folder refuses a new file.
bool refusedByFolder(int error) {
    return error == EACCES || error == EPERM || error == EROFS;
}

// A new, empty temporary file beside `target`; -1 with errno set on failure.
int createTemporary(const fs::path& target, std::string& name) {
    name = (target.parent_path() / ("." + target.filename().string() + ".tmp-XXXXXX")).string();
    return ::mkstemp(name.data());
}

}  // namespace

ReadResult readFile(const fs::path& file, std::size_t limit) {
    // Non-blocking, so that a FIFO in the file's place cannot hang the open.
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        ReadResult result;
        if (errno == ENOENT) {
            result.status = ReadStatus::Missing;
        } else {
            result.reason = systemText(errno);
        }
        return result;
    }
    ReadResult result = readOpen(fd, limit);
    ::close(fd);
    return result;
}

std::optional<SaveTarget> saveTarget(const fs::path& path, std::string& reason) {
    // The system follows the links itself, with the protection it gives links
    // in shared, sticky folders. O_PATH opens nothing: a device in the file's
    // place sees no open.
#ifdef O_PATH
    const int fd = ::open(path.c_str(), O_PATH | O_CLOEXEC);
#else
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
#endif
    const int openError = errno;
    struct stat link {};
    const bool isLink = ::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode);
    if (fd < 0) {
        if (openError == ENOENT && !isLink) {
            return SaveTarget{path, {}};  // a new file
        }
        reason = openError == ENOENT ? "its symbolic link points to a file that does not exist"
                 : isLink ? "its symbolic link cannot be followed (" + systemText(openError) + ")"
                          : systemText(openError);
        return std::nullopt;
    }
    struct stat opened {};
    const bool known = ::fstat(fd, &opened) == 0;
    ::close(fd);
    fs::path target = path;
    if (isLink) {
        char* real = ::realpath(path.c_str(), nullptr);
        struct stat named {};
        if (!real || !known || ::stat(real, &named) != 0 || named.st_dev != opened.st_dev ||
            named.st_ino != opened.st_ino) {
            std::free(real);
            reason = "its symbolic link changed while it was followed";
            return std::nullopt;
        }
        target = real;
        std::free(real);
    }
    const std::string subject = isLink ? "it links to " + target.string() + ", which" : "it";
    if (!known || !S_ISREG(opened.st_mode)) {
        reason = subject + " is not a regular file";
        return std::nullopt;
    }
    // The owner's write permission, not access(): an administrator passes
    // that, and a read-only settings file is how the settings are locked.
    return SaveTarget{target, opened.st_mode & S_IWUSR ? std::string() : subject + " is read-only"};
}

bool folderAllowsNewFiles(const fs::path& target) {
    const fs::path dir = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    // Creating an entry needs write and search permission on the folder; the
    // effective user is the one that will create it.
    return ::faccessat(AT_FDCWD, dir.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

std::optional<FileLock> FileLock::acquire(const fs::path& target, int timeoutMs,
                                          std::string& reason, bool& folderRefused) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        bool created = false;
        // `target` is the end of any links (saveTarget): a link put in its
        // place since is refused, not followed.
        int fd = ::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
        if (fd < 0 && errno == ENOENT) {
            fd = ::open(target.c_str(),
                        O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW, 0666);
            created = fd >= 0;
            if (fd < 0 && errno == EEXIST) {
                continue;  // another program created it just now
            }
            folderRefused = fd < 0 && refusedByFolder(errno);
        }
        if (fd < 0) {
            reason = systemText(errno);
            return std::nullopt;
        }
        struct stat locked {};
        if (::fstat(fd, &locked) != 0 || !S_ISREG(locked.st_mode)) {
            ::close(fd);
            reason = "it is not a regular file";
            return std::nullopt;
        }
        while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            if (error == EINTR) {
                continue;
            }
            if (error != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
                ::close(fd);
                reason = error == EWOULDBLOCK ? "another program kept it locked"
                                              : "it cannot be locked: " + systemText(error);
                return std::nullopt;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        // A save that held the lock before us may have put a new file in place.
        struct stat named {};
        if (::stat(target.c_str(), &named) == 0 && named.st_dev == locked.st_dev &&
            named.st_ino == locked.st_ino) {
            return FileLock(target, fd, created);
        }
        ::close(fd);
    }
}

FileLock::~FileLock() {
    if (handle_ < 0) {
        return;
    }
    const int fd = static_cast<int>(handle_);
    if (created_ && !replaced_) {
        struct stat locked {};
        struct stat named {};
        if (::fstat(fd, &locked) == 0 && locked.st_size == 0 &&
            ::stat(target_.c_str(), &named) == 0 && named.st_ino == locked.st_ino &&
            named.st_dev == locked.st_dev) {
            ::unlink(target_.c_str());
        }
    }
    ::close(fd);
}

ReadResult FileLock::read(std::size_t limit) const {
    return readOpen(static_cast<int>(handle_), limit);
}

ReplaceOutcome replaceFile(const fs::path& target, std::string_view content) {
    ReplaceOutcome outcome;
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && !(existing.st_mode & S_IWUSR)) {
        outcome.reason = kReadOnlyReason;
        return outcome;
    }
    if (exists && ::access(target.c_str(), W_OK) != 0) {
        outcome.reason = "it may not be written (" + systemText(errno) + ")";
        return outcome;
    }

    std::string name;
    const int fd = createTemporary(target, name);
    if (fd < 0) {
        const int error = errno;
        if (refusedByFolder(error)) {
            outcome.result = ReplaceResult::FolderRefused;
        }
        outcome.reason = "its folder does not allow new files (" + systemText(error) + ")";
        return outcome;
    }

    // Each step runs only while the ones before it succeeded; the first
    // failure's error is kept.
    int error = 0;
    const auto step = [&error](const auto& action) {
        if (error == 0 && !action()) {
            error = errno != 0 ? errno : EIO;
        }
    };
    step([&] { return writeAllAt(fd, content); });
    if (exists) {
        // Keep the owner where we may (otherwise the file becomes ours), and the
        // permission bits always.
        (void)!::fchown(fd, existing.st_uid, existing.st_gid);
        step([&] { return ::fchmod(fd, existing.st_mode & 07777) == 0; });
    } else {
        step([&] { return ::fchmod(fd, newFileMode()) == 0; });
    }
    step([&] { return ::fsync(fd) == 0; });
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    step([&] { return ::rename(name.c_str(), target.c_str()) == 0; });
    if (error != 0) {
        ::unlink(name.c_str());
        outcome.reason = systemText(error);
        return outcome;
    }
    syncDirectory(target.parent_path());
    outcome.result = ReplaceResult::Replaced;
    return outcome;
}

void removeStaleTemporaries(const fs::path& target) {
    std::error_code ec;
    const fs::path dir = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    const std::string fileName = target.filename().string();
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& entry = it->path();
        std::error_code typeError;
        if (isTemporaryName(entry.filename().string(), fileName) &&
            fs::symlink_status(entry, typeError).type() == fs::file_type::regular) {
            ::unlink(entry.c_str());
        }
    }
}

// A rename replaces the file in one step, so no content is ever stranded.
std::optional<fs::path> strandedContent(const fs::path&) {
    return std::nullopt;
}

RecoverResult recoverStranded(const fs::path&, std::string&) {
    return RecoverResult::NothingStranded;
}

}  // namespace lumidex::profileio
