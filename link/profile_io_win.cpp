#include <windows.h>

#include <cwchar>
#include <string>

#include "link/profile_io.h"

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

}  // namespace

ReplaceResult replaceFile(const std::filesystem::path& target, std::string_view content) {
    const DWORD attributes = GetFileAttributesW(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY)) {
        return ReplaceResult::Failed;
    }

    // A fresh name beside the target; CREATE_NEW never opens someone else's file.
    HANDLE file = INVALID_HANDLE_VALUE;
    std::wstring name;
    for (unsigned attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
        wchar_t suffix[32];
        swprintf(suffix, 32, L".%08lx%04x", GetCurrentProcessId() ^ GetTickCount(), attempt);
        name = (target.parent_path() / (L"." + target.filename().wstring() + suffix)).wstring();
        file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
            return ReplaceResult::NoTemporaryFile;
        }
    }
    if (file == INVALID_HANDLE_VALUE) {
        return ReplaceResult::NoTemporaryFile;
    }

    bool ok = writeAll(file, content) && FlushFileBuffers(file);
    ok = CloseHandle(file) && ok;
    if (ok) {
        // ReplaceFileW keeps the original's attributes and security settings.
        ok = exists ? ReplaceFileW(target.c_str(), name.c_str(), nullptr,
                                   REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0
                    : MoveFileExW(name.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
    }
    if (!ok) {
        DeleteFileW(name.c_str());
        return ReplaceResult::Failed;
    }
    return ReplaceResult::Replaced;
}

bool overwriteFile(const std::filesystem::path& target, std::string_view content,
                   std::string_view original) {
    HANDLE file = CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool ok = writeAll(file, content) && SetEndOfFile(file) && FlushFileBuffers(file);
    if (!ok) {
        LARGE_INTEGER start{};
        if (SetFilePointerEx(file, start, nullptr, FILE_BEGIN) && writeAll(file, original)) {
            SetEndOfFile(file);
        }
    }
    ok = CloseHandle(file) && ok;
    return ok;
}

}  // namespace lumidex::profileio
