// The two file operations a profile write needs that differ between platforms.
#pragma once

#include <filesystem>
#include <string_view>

namespace lumidex::profileio {

enum class ReplaceResult {
    Replaced,         // `target` now holds the new content
    NoTemporaryFile,  // the directory refused a new file; `target` is untouched
    Failed,           // any other failure; `target` is untouched
};

// Writes `content` to a new file beside `target`, gives it the permissions of
// `target` (when that exists) and puts it in place of `target` in one rename.
// An existing `target` that we may not write is left alone (Failed). The
// temporary file never outlives a failure.
ReplaceResult replaceFile(const std::filesystem::path& target, std::string_view content);

// Rewrites the existing file `target` in place with `content`. When the write
// fails part way, puts `original` back as far as it can. false on failure.
bool overwriteFile(const std::filesystem::path& target, std::string_view content,
                   std::string_view original);

}  // namespace lumidex::profileio
