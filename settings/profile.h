// Profile ("INI") files: sections in square brackets followed by key=value lines.
//
// The text functions work on the file's bytes and never touch the disk, so they
// can be tested and fuzzed alone; the file functions add reading and a safe
// replace-in-one-step write. No Qt: names, values and content are 8-bit bytes.
//
// Reading rules: section and key names match without regard to ASCII letter
// case; blanks and tabs around names, values and inside "[ ]" are ignored; one
// outer pair of matching quotes ("..." or '...') around a value is removed; a
// line whose first non-blank character is ';' is a comment (there are no
// comments after a value); a section name ends at the first ']'; lines before
// the first section and lines without '=' hold no keys; the first of two
// same-named keys wins and only the first of two same-named sections is
// searched; CRLF, LF and CR all end a line.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lumidex {

// The value of `key` in `section`, or "" when the section or key is missing.
std::string profileLookup(std::string_view content, std::string_view section, std::string_view key);

// Whether `key` in `section` can be stored with `value` so that it reads back
// as a key of that section: no line break or NUL in any of them, no ']' in the
// section name, no '=' in the key, and a key that does not start with ';' or
// '[' (it would read as a comment or a section).
bool profileEntryStorable(std::string_view section, std::string_view key, std::string_view value);

// `content` with `key` in `section` set to `value`, written exactly as given.
// An existing key's line is replaced in place, keeping the file's spelling of
// the key; a new key goes right after the last key line of its section (or
// right after the section line when it has none); a missing section is added at
// the end. Every other byte of `content` stays as it was; the lines written (the
// replaced or new key, a new section) end in CRLF. Empty when the entry is not
// storable (see profileEntryStorable).
std::optional<std::string> profileUpdate(std::string_view content, std::string_view section,
                                         std::string_view key, std::string_view value);

// The entries of `section` in file order, each key once (its first
// occurrence), values as profileLookup reads them.
std::vector<std::pair<std::string, std::string>> profileSectionEntries(std::string_view content,
                                                                       std::string_view section);

// Files above this size are not read: they count as unusable.
inline constexpr std::size_t kProfileSizeLimit = std::size_t(1) << 20;

// How a profile file's bytes are encoded. 8-bit text may start with a UTF-8
// byte-order mark, which is skipped when reading and kept when writing. UTF-16
// text (recognised by its byte-order mark) is read, but never written: this
// layer writes 8-bit text only, and a file of mixed encodings would be lost.
enum class ProfileEncoding { Bytes, Utf8Bom, Utf16 };

// The 8-bit text a file's bytes hold, and how they were encoded. UTF-16
// characters above 255 read as '?'.
struct ProfileText {
    ProfileEncoding encoding = ProfileEncoding::Bytes;
    std::string text;
};
ProfileText decodeProfile(std::string_view bytes);

// A profile file read once, whole and bounded. A missing file whose last save
// the system broke off on Windows is read from the temporary file that holds
// its newest content (see profileio::strandedContent).
struct ProfileFile {
    enum class State {
        Usable,    // `text` holds the file
        Missing,   // no file; `text` is empty
        Unusable,  // too large, not a regular file, or unreadable; see `problem`
    };
    State state = State::Missing;
    ProfileEncoding encoding = ProfileEncoding::Bytes;
    std::string text;     // 8-bit text, without its byte-order mark
    std::string problem;  // why it is unusable, in plain words ("it is larger than 1 MiB")
};
ProfileFile loadProfile(const std::filesystem::path& file);

// Reads the value of `key` in `section` of the file, cut to bufferSize - 1
// bytes. "" when the file is missing or unusable (see loadProfile).
std::string readProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::size_t bufferSize = 255);

struct ProfileEntry {
    std::string key;
    std::string value;
};

// Sets each key of `entries` in `section`, in order, in one replace of the
// file: its bytes come out as writing the keys one after another would make
// them. Creates the file when it is missing; when `seed` is given, a missing
// file starts as a copy of `seed` (itself missing: empty). Writing through a
// symbolic link changes the regular file it names; a link to nothing or to
// anything else is refused, and so is a read-only file unless it already
// holds the values (see profileio::saveTarget).
//
// Safe against other programs and against being killed: an advisory lock is
// held across read, change and replace, and the new content goes in place by
// one rename of a finished temporary file (keeping the file's permissions), so
// the file holds the old keys or the new ones, never a mix or a cut file.
// Temporary files left by a killed save are removed.
//
// An entry that cannot be stored (see profileEntryStorable) is left out and
// the others are written, as separate writes would have done.
//
// None when every entry was stored. Otherwise why not: the entries left out,
// or why nothing was written (the file then holds what it held before): a
// file that is unusable (see loadProfile) or UTF-16, a read-only file, a link
// to nothing, a directory or file that refuses writing.
struct ProfileWriteFailure {
    std::string reason;
    // Nothing was written because the file's folder refused a new file: the
    // entries may still be kept somewhere else.
    bool folderRefused = false;
};
std::optional<ProfileWriteFailure> writeProfileStrings(
    const std::filesystem::path& file, std::string_view section,
    const std::vector<ProfileEntry>& entries,
    const std::optional<std::filesystem::path>& seed = {});

// What follows the entries left out when the others were written, in every
// layer that leaves entries out: "the value of "X" ...; the other values were
// saved".
inline constexpr char kOthersSaved[] = "; the other values were saved";

// One key, as writeProfileStrings; false when nothing was written.
bool writeProfileString(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::string_view value);

}  // namespace lumidex
