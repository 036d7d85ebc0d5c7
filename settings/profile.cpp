#include "settings/profile.h"

#include <algorithm>
#include <new>
#include <utility>

#include "settings/profile_io.h"

namespace fs = std::filesystem;

namespace lumidex {

namespace {

// One line of the content: its text is [begin, end), its line ending
// [end, next). The last line may have no ending (end == next).
struct Line {
    std::size_t begin;
    std::size_t end;
    std::size_t next;
};

Line lineAt(std::string_view content, std::size_t begin) {
    std::size_t end = content.find_first_of("\r\n", begin);
    if (end == std::string_view::npos) {
        return {begin, content.size(), content.size()};
    }
    std::size_t next = end + 1;
    if (content[end] == '\r' && next < content.size() && content[next] == '\n') {
        ++next;
    }
    return {begin, end, next};
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

enum class LineKind { Other, Comment, Section, Key };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    std::string_view name;   // section or key name, trimmed
    std::string_view value;  // key value, trimmed, quotes still on
};

ParsedLine parseLine(std::string_view text) {
    ParsedLine parsed;
    const std::string_view t = trimmed(text);
    if (t.empty()) {
        return parsed;
    }
    if (t.front() == ';') {
        parsed.kind = LineKind::Comment;
        return parsed;
    }
    if (t.front() == '[') {
        // A header without its ']' still opens a section, named by the rest of the line.
        const std::size_t close = t.find(']', 1);
        parsed.kind = LineKind::Section;
        parsed.name = trimmed(t.substr(1, close == std::string_view::npos ? close : close - 1));
        return parsed;
    }
    const std::size_t eq = t.find('=');
    if (eq == std::string_view::npos) {
        return parsed;
    }
    parsed.kind = LineKind::Key;
    parsed.name = trimmed(t.substr(0, eq));
    parsed.value = trimmed(t.substr(eq + 1));
    return parsed;
}

std::string_view unquoted(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

bool hasLineBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// "<subject> is larger than 1 MiB".
std::string tooLargeText(const std::string& subject = "it") {
    return subject + " is larger than " + std::to_string(kProfileSizeLimit >> 20) + " MiB";
}

// Calls `visit` with the name and unquoted value of each key line of the
// first section named `section`, in file order, until it returns true.
template <typename Visit>
void forEachKey(std::string_view content, std::string_view section, Visit visit) {
    section = trimmed(section);
    bool inSection = false;
    for (std::size_t pos = 0; pos < content.size();) {
        const Line line = lineAt(content, pos);
        pos = line.next;
        const ParsedLine parsed = parseLine(content.substr(line.begin, line.end - line.begin));
        if (parsed.kind == LineKind::Section) {
            if (inSection) {
                return;  // only the first section of that name counts
            }
            inSection = sameName(parsed.name, section);
        } else if (inSection && parsed.kind == LineKind::Key &&
                   visit(parsed.name, unquoted(parsed.value))) {
            return;
        }
    }
}

}  // namespace

std::string profileLookup(std::string_view content, std::string_view section,
                          std::string_view key) {
    key = trimmed(key);
    std::string found;
    forEachKey(content, section, [&](std::string_view name, std::string_view value) {
        if (!sameName(name, key)) {
            return false;
        }
        found = std::string(value);
        return true;
    });
    return found;
}

bool profileEntryStorable(std::string_view section, std::string_view key, std::string_view value) {
    if (hasLineBreakOrNul(section) || hasLineBreakOrNul(key) || hasLineBreakOrNul(value)) {
        return false;
    }
    if (section.find(']') != std::string_view::npos || key.find('=') != std::string_view::npos) {
        return false;
    }
    const std::string_view k = trimmed(key);
    return k.empty() || (k.front() != ';' && k.front() != '[');
}

std::optional<std::string> profileUpdate(std::string_view content, std::string_view section,
                                         std::string_view key, std::string_view value) {
    if (!profileEntryStorable(section, key, value)) {
        return std::nullopt;
    }
    section = trimmed(section);
    key = trimmed(key);

    bool inSection = false;
    std::optional<Line> anchor;  // the line a new key goes after
    for (std::size_t pos = 0; pos < content.size();) {
        const Line line = lineAt(content, pos);
        pos = line.next;
        const ParsedLine parsed = parseLine(content.substr(line.begin, line.end - line.begin));
        if (parsed.kind == LineKind::Section) {
            if (inSection) {
                break;
            }
            if (sameName(parsed.name, section)) {
                inSection = true;
                anchor = line;
            }
        } else if (inSection && parsed.kind == LineKind::Key) {
            if (sameName(parsed.name, key)) {
                std::string out(content.substr(0, line.begin));
                // The rewritten line ends in CRLF like every line this layer writes.
                out.append(parsed.name).append("=").append(value).append("\r\n");
                out.append(content.substr(line.next));
                return out;
            }
            anchor = line;
        }
    }

    std::string entry(key);
    entry.append("=").append(value).append("\r\n");
    if (anchor) {
        std::string out(content.substr(0, anchor->next));
        if (anchor->end == anchor->next) {
            out.append("\r\n");  // the anchor is the last line and had no ending
        }
        out.append(entry);
        out.append(content.substr(anchor->next));
        return out;
    }
    std::string out(content);
    if (!out.empty() && out.back() != '\n' && out.back() != '\r') {
        out.append("\r\n");
    }
    out.append("[").append(section).append("]\r\n").append(entry);
    return out;
}

std::vector<std::pair<std::string, std::string>> profileSectionEntries(std::string_view content,
                                                                       std::string_view section) {
    std::vector<std::pair<std::string, std::string>> entries;
    forEachKey(content, section, [&](std::string_view name, std::string_view value) {
        const bool seen = std::any_of(entries.begin(), entries.end(), [&](const auto& entry) {
            return sameName(entry.first, name);
        });
        if (!seen) {
            entries.emplace_back(name, value);
        }
        return false;
    });
    return entries;
}

ProfileText decodeProfile(std::string_view bytes) {
    ProfileText decoded;
    if (bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark) {
        decoded.encoding = ProfileEncoding::Utf8Bom;
        decoded.text = std::string(bytes.substr(kUtf8Mark.size()));
        return decoded;
    }
    const bool little = bytes.substr(0, 2) == std::string_view("\xFF\xFE");
    const bool big = bytes.substr(0, 2) == std::string_view("\xFE\xFF");
    if (!little && !big) {
        decoded.text = std::string(bytes);
        return decoded;
    }
    decoded.encoding = ProfileEncoding::Utf16;
    decoded.text.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const unsigned first = static_cast<unsigned char>(bytes[i]);
        const unsigned second = static_cast<unsigned char>(bytes[i + 1]);
        const unsigned unit = little ? (second << 8 | first) : (first << 8 | second);
        if (unit >= 0xDC00 && unit <= 0xDFFF) {
            continue;  // the second half of a pair, already read as one '?'
        }
        decoded.text += unit <= 0xFF ? static_cast<char>(unit) : '?';
    }
    return decoded;
}

ProfileFile loadProfile(const fs::path& file) {
    ProfileFile loaded;
    profileio::ReadResult raw = profileio::readFile(file, kProfileSizeLimit);
    if (raw.status == profileio::ReadStatus::Missing) {
        if (const std::optional<fs::path> stranded = profileio::strandedContent(file)) {
            raw = profileio::readFile(*stranded, kProfileSizeLimit);
        }
    }
    switch (raw.status) {
        case profileio::ReadStatus::Missing:
            return loaded;
        case profileio::ReadStatus::TooLarge:
            loaded.state = ProfileFile::State::Unusable;
            loaded.problem = tooLargeText();
            return loaded;
        case profileio::ReadStatus::Failed:
            loaded.state = ProfileFile::State::Unusable;
            loaded.problem = "it cannot be read (" + raw.reason + ")";
            return loaded;
        case profileio::ReadStatus::Read:
            break;
    }
    try {
        ProfileText decoded = decodeProfile(raw.content);
        loaded.state = ProfileFile::State::Usable;
        loaded.encoding = decoded.encoding;
        loaded.text = std::move(decoded.text);
    } catch (const std::bad_alloc&) {
        loaded.state = ProfileFile::State::Unusable;
        loaded.problem = "there is not enough memory to read it";
    }
    return loaded;
}

std::string readProfileString(const fs::path& file, std::string_view section, std::string_view key,
                              std::size_t bufferSize) {
    if (bufferSize == 0) {
        return {};
    }
    std::string value = profileLookup(loadProfile(file).text, section, key);
    if (value.size() > bufferSize - 1) {
        value.resize(bufferSize - 1);
    }
    return value;
}

namespace {

// The file's new bytes, or why it must not be written.
std::optional<std::string> updatedBytes(std::string_view original, std::string_view section,
                                        const std::vector<ProfileEntry>& entries,
                                        std::string& reason) {
    const ProfileText decoded = decodeProfile(original);
    if (decoded.encoding == ProfileEncoding::Utf16) {
        reason =
            "it is UTF-16 text, which this program does not write; save it as ANSI or UTF-8 text";
        return std::nullopt;
    }
    std::string text = decoded.text;
    for (const ProfileEntry& entry : entries) {
        text = *profileUpdate(text, section, entry.key, entry.value);
    }
    if (decoded.encoding == ProfileEncoding::Utf8Bom) {
        text.insert(0, kUtf8Mark);
    }
    return text;
}

// How long a save waits for another program's save of the same file.
constexpr int kLockTimeoutMs = 3000;

std::optional<ProfileWriteFailure> writeEntries(const fs::path& file, std::string_view section,
                                                const std::vector<ProfileEntry>& entries,
                                                const std::optional<fs::path>& seed);

}  // namespace

std::optional<ProfileWriteFailure> writeProfileStrings(const fs::path& file,
                                                       std::string_view section,
                                                       const std::vector<ProfileEntry>& entries,
                                                       const std::optional<fs::path>& seed) {
    // An entry that cannot be stored is left out, as a write of it alone would
    // have changed nothing; the others are still written.
    std::vector<ProfileEntry> storable;
    std::string leftOut;
    for (const ProfileEntry& entry : entries) {
        if (profileEntryStorable(section, entry.key, entry.value)) {
            storable.push_back(entry);
        } else {
            leftOut += (leftOut.empty() ? "\"" : ", \"") + entry.key + "\"";
        }
    }
    if (!leftOut.empty()) {
        leftOut = "the value of " + leftOut +
                  " holds a line break or NUL character, which the file cannot keep";
        if (storable.empty()) {
            return ProfileWriteFailure{leftOut};
        }
    }
    const std::optional<ProfileWriteFailure> failure = writeEntries(file, section, storable, seed);
    if (failure || leftOut.empty()) {
        return failure;
    }
    return ProfileWriteFailure{leftOut + kOthersSaved};
}

namespace {

std::optional<ProfileWriteFailure> writeEntries(const fs::path& file, std::string_view section,
                                                const std::vector<ProfileEntry>& entries,
                                                const std::optional<fs::path>& seed) {
    const auto fail = [](std::string reason) { return ProfileWriteFailure{std::move(reason)}; };
    try {
        std::string reason;
        const std::optional<profileio::SaveTarget> found = profileio::saveTarget(file, reason);
        if (!found) {
            return fail(reason);
        }
        const fs::path& target = found->file;
        if (!found->readOnly.empty()) {
            // A locked file is never replaced. Values it already holds need no
            // save, so a close that changed nothing is no failure.
            const profileio::ReadResult held = profileio::readFile(target, kProfileSizeLimit);
            if (held.status == profileio::ReadStatus::Read) {
                const std::optional<std::string> updated =
                    updatedBytes(held.content, section, entries, reason);
                if (updated && *updated == held.content) {
                    return std::nullopt;
                }
            }
            return fail(found->readOnly);
        }
        bool folderRefused = false;
        std::optional<profileio::FileLock> lock =
            profileio::FileLock::acquire(target, kLockTimeoutMs, reason, folderRefused);
        if (!lock) {
            return ProfileWriteFailure{reason, folderRefused};
        }
        if (lock->createdFile() && target != file) {
            // The file the links ended at went away since: no new one is made
            // where they pointed (the lock removes the one it created).
            return fail("it was removed while it was being saved");
        }
        // No save is under way while the lock is held: a temporary file is a
        // killed save's, or the only copy of the newest settings when the
        // system broke off the last replace. That one is put in place first.
        const profileio::RecoverResult recovered = profileio::recoverStranded(target, reason);
        if (recovered == profileio::RecoverResult::Failed) {
            return fail(reason);
        }
        profileio::removeStaleTemporaries(target);
        const profileio::ReadResult current = lock->read(kProfileSizeLimit);
        if (current.status == profileio::ReadStatus::TooLarge) {
            return fail(tooLargeText());
        }
        if (current.status != profileio::ReadStatus::Read) {
            return fail("it cannot be read (" + current.reason + ")");
        }
        std::string original = current.content;
        if (lock->createdFile() && seed && recovered != profileio::RecoverResult::Recovered) {
            const profileio::ReadResult start = profileio::readFile(*seed, kProfileSizeLimit);
            if (start.status == profileio::ReadStatus::TooLarge) {
                return fail(tooLargeText(seed->string() + ", which it starts as a copy of,"));
            }
            if (start.status == profileio::ReadStatus::Failed) {
                return fail(seed->string() + ", which it starts as a copy of, cannot be read (" +
                            start.reason + ")");
            }
            original = start.content;
        }
        const std::optional<std::string> updated = updatedBytes(original, section, entries, reason);
        if (!updated) {
            return fail(reason);
        }
        if (*updated == current.content) {
            return std::nullopt;  // already holds these values
        }
        const profileio::ReplaceOutcome outcome = profileio::replaceFile(target, *updated);
        switch (outcome.result) {
            case profileio::ReplaceResult::Replaced:
                lock->markReplaced();
                return std::nullopt;
            case profileio::ReplaceResult::Stranded:
                lock->markReplaced();
                break;
            case profileio::ReplaceResult::FolderRefused:
                return ProfileWriteFailure{outcome.reason, true};
            case profileio::ReplaceResult::Failed:
                break;
        }
        return fail(outcome.reason);
    } catch (const std::bad_alloc&) {
        return fail("there is not enough memory to save it");
    }
}

}  // namespace

bool writeProfileString(const fs::path& file, std::string_view section, std::string_view key,
                        std::string_view value) {
    return !writeProfileStrings(file, section, {{std::string(key), std::string(value)}});
}

namespace profileio {

bool isTemporaryName(std::string_view name, std::string_view fileName) {
    const std::string prefix = "." + std::string(fileName) + ".tmp-";
    if (name.size() < prefix.size() + 6 || name.size() > prefix.size() + 16 ||
        name.substr(0, prefix.size()) != prefix) {
        return false;
    }
    const std::string_view rest = name.substr(prefix.size());
    return std::all_of(rest.begin(), rest.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    });
}

}  // namespace profileio

}  // namespace lumidex
