#include <windows.h>

#include <cwchar>
#include <new>
#include <set>
#include <string>

#include "link/win32text.h"
#include "settings/profile_io.h"

namespace fs = std::filesystem;

namespace lumidex::profileio {

namespace {

bool writeAll(HANDLE file, std::string_view data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const std::size_t chunk = data.size() - done;
        const DWORD want = chunk > 0x40000000 ? 0x40000000 : static_cast<DWORD>(chunk);
        DWORD written = 0;
        if (!WriteFile(file, data.data() + done, want, &written, nullptr) || written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

// Reads the regular file open as `file` from its start: at most limit + 1 bytes.
ReadResult readOpen(HANDLE file, std::size_t limit) {
    ReadResult result;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info)) {
        result.reason = win32::errorText(GetLastError());
        return result;
    }
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        result.reason = "it is not a regular file";
        return result;
    }
    const unsigned long long size =
        (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    return readBounded(size, limit,
                       [file](std::size_t offset, char* data, std::size_t length,
                              std::string& reason) -> long long {
                           OVERLAPPED at{};
                           at.Offset = static_cast<DWORD>(offset);
                           at.OffsetHigh =
                               static_cast<DWORD>(static_cast<unsigned long long>(offset) >> 32);
                           DWORD got = 0;
                           if (!ReadFile(file, data, static_cast<DWORD>(length), &got, &at)) {
                               const DWORD error = GetLastError();
                               if (error == ERROR_HANDLE_EOF) {
                                   return 0;
                               }
                               reason = win32::errorText(error);
                               return -1;
                           }
                           return got;
                       });
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// A temporary name beside `target` that nothing uses yet, with the file open
// for writing; INVALID_HANDLE_VALUE with `error` set when none can be made.
HANDLE createTemporary(const fs::path& target, std::wstring& name, DWORD& error) {
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        wchar_t suffix[32];
        swprintf(suffix, 32, L".tmp-%08lx%04x",
                 static_cast<unsigned long>(GetCurrentProcessId() ^ GetTickCount()),
                 attempt & 0xFFFF);
        name = (target.parent_path() / (L"." + target.filename().wstring() + suffix)).wstring();
        // CREATE_NEW never opens someone else's file.
        HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            return file;
        }
        error = GetLastError();
        if (error != ERROR_FILE_EXISTS) {
            break;
        }
    }
    return INVALID_HANDLE_VALUE;
}

unsigned long realReplaceFile(const wchar_t* replaced, const wchar_t* replacement) {
    return ReplaceFileW(replaced, replacement, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                        nullptr)
               ? 0
               : GetLastError();
}

ReplaceFileHook replaceFileCall = realReplaceFile;

unsigned long realMoveFile(const wchar_t* replaced, const wchar_t* replacement) {
    return MoveFileExW(replacement, replaced, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? 0
               : GetLastError();
}

ReplaceFileHook moveFileCall = realMoveFile;

// The empty files named like the ones ReplaceFileW makes for itself in the
// target's folder ("rf1a2b.tmp", "~RF1a2b.TMP"); a failed call can leave them.
std::set<std::wstring> replaceScratchFiles(const fs::path& target) {
    std::set<std::wstring> names;
    for (const wchar_t* pattern : {L"rf*.tmp", L"~rf*.tmp"}) {
        WIN32_FIND_DATAW found{};
        HANDLE search = FindFirstFileW((target.parent_path() / pattern).c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) {
            continue;
        }
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && found.nFileSizeLow == 0 &&
                found.nFileSizeHigh == 0) {
                names.insert(found.cFileName);
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return names;
}

// ReplaceFileW, removing the empty scratch files a failed call left behind.
DWORD replaceTidily(const fs::path& target, const std::wstring& replacement) {
    const std::set<std::wstring> before = replaceScratchFiles(target);
    const DWORD error = replaceFileCall(target.c_str(), replacement.c_str());
    if (error != 0) {
        for (const std::wstring& name : replaceScratchFiles(target)) {
            if (before.count(name) == 0) {
                DeleteFileW((target.parent_path() / name).c_str());
            }
        }
    }
    return error;
}

// The errors with which a folder refuses a new file.
bool refusedByFolder(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT ||
           error == ERROR_NETWORK_ACCESS_DENIED;
}

// Failures that another program's open handle causes for a moment, such as an
// editor that has the file open without sharing its deletion.
bool passing(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_ACCESS_DENIED || error == ERROR_UNABLE_TO_REMOVE_REPLACED ||
           error == ERROR_UNABLE_TO_MOVE_REPLACEMENT || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2;
}

// A few tries over about a second.
constexpr int kTries = 10;
constexpr DWORD kPauseMs = 100;

}  // namespace

void setReplaceFileHook(ReplaceFileHook hook) {
    replaceFileCall = hook ? hook : realReplaceFile;
}

void setMoveFileHook(ReplaceFileHook hook) {
    moveFileCall = hook ? hook : realMoveFile;
}

ReadResult readFile(const fs::path& file, std::size_t limit) {
    HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        ReadResult result;
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            result.status = ReadStatus::Missing;
        } else {
            result.reason = win32::errorText(error);
        }
        return result;
    }
    ReadResult result = readOpen(handle, limit);
    CloseHandle(handle);
    return result;
}

// The system resolves every link of an existing file when it opens it, and
// says where it ended up; std::filesystem cannot be relied on for links here.
std::optional<SaveTarget> saveTarget(const fs::path& path, std::string& reason) {
    // The attributes of the name itself: a symbolic link's own, even when it
    // points nowhere.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            return SaveTarget{path, {}};  // a new file
        }
        reason = win32::errorText(error);
        return std::nullopt;
    }
    const bool isLink = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    fs::path target = path;
    DWORD kind = attributes;
    HANDLE file = CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        // A file that is no link: the save's own steps say why it cannot be opened.
        const DWORD error = GetLastError();
        if (isLink) {
            reason = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                         ? "its symbolic link points to a file that does not exist"
                         : "its symbolic link cannot be followed: " + win32::errorText(error);
            return std::nullopt;
        }
    } else {
        BY_HANDLE_FILE_INFORMATION info{};
        if (GetFileInformationByHandle(file, &info)) {
            kind = info.dwFileAttributes;  // of the file the links end at
        }
        std::wstring final(MAX_PATH, L'\0');
        DWORD length =
            GetFinalPathNameByHandleW(file, final.data(), static_cast<DWORD>(final.size()),
                                      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length >= final.size()) {
            final.resize(length + 1);
            length = GetFinalPathNameByHandleW(file, final.data(), static_cast<DWORD>(final.size()),
                                               FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        }
        const DWORD error = GetLastError();
        CloseHandle(file);
        if (length != 0 && length < final.size()) {
            final.resize(length);
            if (final.rfind(L"\\\\?\\UNC\\", 0) == 0) {
                final = L"\\\\" + final.substr(8);
            } else if (final.rfind(L"\\\\?\\", 0) == 0) {
                final = final.substr(4);
            }
            target = fs::path(final);
        } else if (isLink) {
            reason = "its symbolic link cannot be followed: " + win32::errorText(error);
            return std::nullopt;
        }
    }
    const std::string subject =
        isLink ? "it links to " + win32::narrow(target.wstring()) + ", which" : "it";
    if (kind & FILE_ATTRIBUTE_DIRECTORY) {
        reason = subject + " is not a regular file";
        return std::nullopt;
    }
    // The read-only attribute holds for administrators too: it is how the
    // settings are locked.
    return SaveTarget{target,
                      kind & FILE_ATTRIBUTE_READONLY ? subject + " is read-only" : std::string()};
}

bool folderAllowsNewFiles(const fs::path& target) {
    const fs::path dir = target.parent_path().empty() ? fs::path(L".") : target.parent_path();
    // Opening the folder for the right to add a file asks its access list the
    // question without creating anything.
    HANDLE folder = CreateFileW(dir.c_str(), FILE_ADD_FILE, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(folder);
    return true;
}

// Windows keeps the lock on a hidden file beside the settings file that is
// never replaced, so its identity never changes, and programs waiting for it
// hold no handle on the settings file that could get in a replace's way.
std::optional<FileLock> FileLock::acquire(const fs::path& target, int timeoutMs,
                                          std::string& reason, bool& folderRefused) {
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        reason = "it is not a regular file";
        return std::nullopt;
    }
    const fs::path lockPath =
        target.parent_path() / (L"." + target.filename().wstring() + L".lock");
    HANDLE file = CreateFileW(lockPath.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // The lock file is the first new file a save puts in the folder.
        folderRefused = refusedByFolder(error) &&
                        GetFileAttributesW(lockPath.c_str()) == INVALID_FILE_ATTRIBUTES;
        reason = "its lock file " + win32::narrow(lockPath.wstring()) +
                 " cannot be opened: " + win32::errorText(error);
        return std::nullopt;
    }
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    for (;;) {
        OVERLAPPED at{};
        if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
            break;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_LOCK_VIOLATION || GetTickCount64() >= deadline) {
            CloseHandle(file);
            reason = error == ERROR_LOCK_VIOLATION
                         ? "another program kept it locked"
                         : "it cannot be locked: " + win32::errorText(error);
            return std::nullopt;
        }
        Sleep(5);
    }
    const bool missing = GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES &&
                         GetLastError() == ERROR_FILE_NOT_FOUND;
    return FileLock(target, reinterpret_cast<std::intptr_t>(file), missing);
}

FileLock::~FileLock() {
    if (handle_ != -1) {
        CloseHandle(reinterpret_cast<HANDLE>(handle_));  // releases the lock
    }
}

ReadResult FileLock::read(std::size_t limit) const {
    ReadResult result = readFile(target_, limit);
    if (result.status == ReadStatus::Missing) {
        result.status = ReadStatus::Read;  // a missing file reads as empty, as on other systems
    }
    return result;
}

ReplaceOutcome replaceFile(const fs::path& target, std::string_view content) {
    ReplaceOutcome outcome;
    const DWORD attributes = GetFileAttributesW(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY)) {
        outcome.reason = kReadOnlyReason;
        return outcome;
    }

    std::wstring name;
    DWORD error = 0;
    HANDLE file = createTemporary(target, name, error);
    if (file == INVALID_HANDLE_VALUE) {
        if (refusedByFolder(error)) {
            outcome.result = ReplaceResult::FolderRefused;
        }
        outcome.reason = "its folder does not allow new files (" + win32::errorText(error) + ")";
        return outcome;
    }
    bool ok = writeAll(file, content) && FlushFileBuffers(file);
    error = ok ? 0 : GetLastError();
    if (!CloseHandle(file) && ok) {
        ok = false;
        error = GetLastError();
    }

    bool stranded = false;
    for (int attempt = 0; ok && attempt < kTries; ++attempt) {
        if (attempt > 0) {
            Sleep(kPauseMs);
        }
        if (stranded || !exists) {
            // Nothing is at the target's name: the new file only has to move there.
            error = moveFileCall(target.c_str(), name.c_str());
        } else {
            // ReplaceFileW keeps the original's attributes and security settings.
            error = replaceTidily(target, name);
            if ((error == ERROR_UNABLE_TO_MOVE_REPLACEMENT ||
                 error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) &&
                GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES) {
                // The original is gone and the new content exists only under the
                // temporary name: it must be put in place, never deleted.
                stranded = true;
                attempt = -1;  // a full set of tries for the move
                continue;
            }
        }
        if (error == 0) {
            outcome.result = ReplaceResult::Replaced;
            return outcome;
        }
        if (!passing(error)) {
            break;
        }
    }
    if (stranded) {
        outcome.result = ReplaceResult::Stranded;
        outcome.reason = "the system removed it while replacing it (" + win32::errorText(error) +
                         "); the new settings are in " + win32::narrow(name);
        return outcome;
    }
    DeleteFileW(name.c_str());
    outcome.reason = win32::errorText(error);
    return outcome;
}

void removeStaleTemporaries(const fs::path& target) {
    const std::wstring pattern =
        (target.parent_path() / (L"." + target.filename().wstring() + L".tmp-*")).wstring();
    const std::string fileName = win32::narrow(target.filename().wstring());
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const DWORD kind = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
        if (!(found.dwFileAttributes & kind) &&
            isTemporaryName(win32::narrow(found.cFileName), fileName)) {
            DeleteFileW((target.parent_path() / found.cFileName).c_str());
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

std::optional<fs::path> strandedContent(const fs::path& target) {
    if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES ||
        GetLastError() != ERROR_FILE_NOT_FOUND) {
        return std::nullopt;
    }
    const std::wstring pattern =
        (target.parent_path() / (L"." + target.filename().wstring() + L".tmp-*")).wstring();
    const std::string fileName = win32::narrow(target.filename().wstring());
    std::optional<fs::path> newest;
    FILETIME newestTime{};
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    do {
        // An empty one is a save killed before it wrote anything.
        const DWORD kind = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
        if (!(found.dwFileAttributes & kind) && (found.nFileSizeLow | found.nFileSizeHigh) != 0 &&
            isTemporaryName(win32::narrow(found.cFileName), fileName) &&
            (!newest || CompareFileTime(&found.ftLastWriteTime, &newestTime) > 0)) {
            newest = target.parent_path() / found.cFileName;
            newestTime = found.ftLastWriteTime;
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return newest;
}

RecoverResult recoverStranded(const fs::path& target, std::string& reason) {
    const std::optional<fs::path> stranded = strandedContent(target);
    if (!stranded) {
        return RecoverResult::NothingStranded;
    }
    DWORD error = 0;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        if (attempt > 0) {
            Sleep(kPauseMs);
        }
        error = moveFileCall(target.c_str(), stranded->c_str());
        if (error == 0) {
            return RecoverResult::Recovered;
        }
        if (!passing(error)) {
            break;
        }
    }
    reason = "the newest settings are in " + win32::narrow(stranded->wstring()) +
             ", which could not be put in its place (" + win32::errorText(error) + ")";
    return RecoverResult::Failed;
}

}  // namespace lumidex::profileio
