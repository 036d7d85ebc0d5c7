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

// Reads the value of `key` in `section` of the file, cut to bufferSize - 1
// bytes. "" when the file is missing, is not a regular file or cannot be read.
std::string readProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::size_t bufferSize = 255);

// Sets `key` in `section` of the file to `value`, creating the file when it is
// missing. Writing through a symbolic link changes the file it names. The file
// is replaced in one rename of a finished temporary file, keeping its
// permissions; when its directory refuses new files but the file itself is
// writable, the file is rewritten in place instead. false when the value could
// not be stored; the file then holds what it held before.
bool writeProfileString(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::string_view value);

}  // namespace lumidex
