// The file operations a profile file needs that differ between platforms:
// following links, a bounded read, an advisory lock, and a replace in one step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace lumidex::profileio {

enum class ReadStatus {
    Read,      // `content` holds the whole file
    Missing,   // there is no such file
    TooLarge,  // the file holds more than the limit; nothing was kept
    Failed,    // not a regular file, or it could not be read; see `reason`
};

struct ReadResult {
    ReadStatus status = ReadStatus::Failed;
    std::string content;
    std::string reason;  // what went wrong, in plain words; empty when Read or Missing
};

// Reads a regular file (following links) of at most `limit` bytes. Never reads
// more than `limit` + 1 bytes, so a huge, sparse or growing file costs no more
// than a small one. No allocation failure escapes.
ReadResult readFile(const std::filesystem::path& file, std::size_t limit);

// Where a save of `path` goes, so that a save through symbolic links changes
// the file they end at and leaves the links alone.
struct SaveTarget {
    // `path` itself when it is no link (a missing one is created), else the
    // file the system's own resolution of the links ends at.
    std::filesystem::path file;
    // Why a save that changes the file must be refused because it is locked
    // read-only: no write permission for its owner, whoever runs the program
    // (on Windows the read-only attribute). Empty when it is not.
    std::string readOnly;
};
// None, with `reason` set, when a save must write nothing at all: a link whose
// target does not exist or that cannot be followed, or something other than a
// regular file. Writes nothing.
std::optional<SaveTarget> saveTarget(const std::filesystem::path& path, std::string& reason);

// Why replaceFile leaves a read-only file alone.
inline constexpr char kReadOnlyReason[] = "it is read-only";

// Whether the folder of `target` lets this program create files in it, as
// the system's permission check answers: nothing is created, so deciding
// which settings file to use writes nothing. A yes can still meet a refusal
// when the file is created (a filter driver, a share that refuses writes);
// replaceFile then reports FolderRefused.
bool folderAllowsNewFiles(const std::filesystem::path& target);

// An exclusive advisory lock that serialises read, change and replace of one
// file between programs. Released when destroyed, also when the program is
// killed (the system drops it with the last handle).
//
// Where it is held differs: on POSIX systems on the file itself (created empty
// when missing), checked after locking to still be the file the path names, as
// a replace by rename gives the path a new file; on Windows on a hidden file
// beside it (".NAME.lock"), which is never replaced.
class FileLock {
  public:
    // Waits up to `timeoutMs` for the lock. None when the file cannot be opened
    // or created, or the wait ran out; `reason` says why, and `folderRefused`
    // is set when the folder refused the new file the lock needed.
    static std::optional<FileLock> acquire(const std::filesystem::path& target, int timeoutMs,
                                           std::string& reason, bool& folderRefused);

    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&&) = delete;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    // Releases the lock. A file the lock itself created and that nothing
    // replaced is removed again, so a failed first save leaves no empty file.
    ~FileLock();

    // Reads the locked file as readFile does; a missing file reads as empty.
    ReadResult read(std::size_t limit) const;
    // Whether the file was missing when the lock was taken.
    bool createdFile() const { return created_; }
    // Tells the lock that the path now names a new file.
    void markReplaced() { replaced_ = true; }

  private:
    FileLock(const std::filesystem::path& target, std::intptr_t handle, bool created);

    std::filesystem::path target_;
    std::intptr_t handle_;  // a descriptor or a HANDLE; -1 once moved from
    bool created_ = false;
    bool replaced_ = false;
};

enum class ReplaceResult {
    Replaced,       // `target` now holds the new content
    Failed,         // `target` holds what it held before; see `reason`
    FolderRefused,  // as Failed, because the folder refused the temporary file
    Stranded,       // the system removed `target` and the new content is left under
                    // `reason`'s temporary name, which was not removed
};

struct ReplaceOutcome {
    ReplaceResult result = ReplaceResult::Failed;
    std::string reason;
};

// Writes `content` to a new temporary file beside `target`, gives it the
// permissions of `target` (when that exists), flushes it to disk and puts it in
// place of `target` in one rename. An existing `target` that is read-only (see
// saveTarget) or that this program may not write is left alone. A temporary
// file never outlives a failure, except in the Stranded case, where it is the
// only copy of the new content.
ReplaceOutcome replaceFile(const std::filesystem::path& target, std::string_view content);

// Removes temporary files that replaceFile left beside `target` when a program
// was killed during a save. Call it only while holding `target`'s FileLock, so
// no save is under way, and only once recoverStranded found nothing to keep.
void removeStaleTemporaries(const std::filesystem::path& target);

// The temporary file that holds the newest content of a missing `target`
// after a Stranded replace: the newest non-empty one beside it. None while
// `target` exists, and always on POSIX systems, where a replace is one rename
// and never strands its content.
std::optional<std::filesystem::path> strandedContent(const std::filesystem::path& target);

enum class RecoverResult {
    NothingStranded,  // no stranded content: temporary files beside `target` are leftovers
    Recovered,        // the stranded content is now `target`
    Failed,           // it could not be moved into place and stays; `reason` names it
};
// Puts strandedContent(target) in place of the missing `target`, so the next
// save builds on the newest settings instead of deleting them with the other
// leftovers. Call it while holding `target`'s FileLock.
RecoverResult recoverStranded(const std::filesystem::path& target, std::string& reason);

// Whether `name` is one of replaceFile's temporary names for a file named
// `fileName`.
bool isTemporaryName(std::string_view name, std::string_view fileName);

// Used by the platform files. Reads a regular file that the system says holds
// `size` bytes through `readAt`, which fills at most `length` bytes at `offset`
// and returns how many it read (0 at the end of the file), or -1 with `reason`
// set. The size may change while reading, so it reads to the end, but never
// more than `limit` + 1 bytes. No allocation failure escapes.
using ReadAt = std::function<long long(std::size_t offset, char* data, std::size_t length,
                                       std::string& reason)>;
ReadResult readBounded(unsigned long long size, std::size_t limit, const ReadAt& readAt);

#ifdef _WIN32
// For tests: stands in for ReplaceFileW(replaced, replacement, ...) so that its
// rarer failures can be made to happen. It returns the Win32 error code, 0 for
// success; a null hook restores the real call.
using ReplaceFileHook = unsigned long (*)(const wchar_t* replaced, const wchar_t* replacement);
void setReplaceFileHook(ReplaceFileHook hook);
// The same for MoveFileExW(replacement, replaced, ...), the move that puts a
// new file where none is.
void setMoveFileHook(ReplaceFileHook hook);
#endif

}  // namespace lumidex::profileio
