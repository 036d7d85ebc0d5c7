#include "link/profile.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "link/profile_io.h"

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

// The content of a regular file (following symbolic links); empty when there
// is no such file or it cannot be read.
std::optional<std::string> readRegularFile(const fs::path& file) {
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) {
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        return std::nullopt;
    }
    return content;
}

// The file a chain of symbolic links ends at, so that writing replaces that file
// and leaves the links alone. Empty for a loop or an unreadable link.
std::optional<fs::path> followLinks(fs::path path) {
    for (int depth = 0; depth < 40; ++depth) {
        std::error_code ec;
        const fs::file_status status = fs::symlink_status(path, ec);
        if (status.type() == fs::file_type::not_found) {
            return path;
        }
        if (ec) {
            return std::nullopt;
        }
        if (!fs::is_symlink(status)) {
            return path;
        }
        fs::path target = fs::read_symlink(path, ec);
        if (ec) {
            return std::nullopt;
        }
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return std::nullopt;
}

}  // namespace

std::string profileLookup(std::string_view content, std::string_view section,
                          std::string_view key) {
    section = trimmed(section);
    key = trimmed(key);
    bool inSection = false;
    for (std::size_t pos = 0; pos < content.size();) {
        const Line line = lineAt(content, pos);
        pos = line.next;
        const ParsedLine parsed = parseLine(content.substr(line.begin, line.end - line.begin));
        if (parsed.kind == LineKind::Section) {
            if (inSection) {
                return {};  // only the first section of that name counts
            }
            inSection = sameName(parsed.name, section);
        } else if (inSection && parsed.kind == LineKind::Key && sameName(parsed.name, key)) {
            return std::string(unquoted(parsed.value));
        }
    }
    return {};
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

std::string readProfileString(const fs::path& file, std::string_view section, std::string_view key,
                              std::size_t bufferSize) {
    if (bufferSize == 0) {
        return {};
    }
    const std::optional<std::string> content = readRegularFile(file);
    if (!content) {
        return {};
    }
    std::string value = profileLookup(*content, section, key);
    if (value.size() > bufferSize - 1) {
        value.resize(bufferSize - 1);
    }
    return value;
}

bool writeProfileString(const fs::path& file, std::string_view section, std::string_view key,
                        std::string_view value) {
    if (!profileEntryStorable(section, key, value)) {
        return false;
    }
    const std::optional<fs::path> target = followLinks(file);
    if (!target) {
        return false;
    }

    std::error_code ec;
    const fs::file_status status = fs::status(*target, ec);
    std::string original;
    bool exists = false;
    if (status.type() == fs::file_type::regular) {
        std::optional<std::string> content = readRegularFile(*target);
        if (!content) {
            return false;  // rewriting a file we cannot read would lose its other lines
        }
        original = std::move(*content);
        exists = true;
    } else if (status.type() != fs::file_type::not_found) {
        return false;  // a directory, a device, or a path we may not look at
    }

    const std::optional<std::string> updated = profileUpdate(original, section, key, value);
    if (!updated) {
        return false;
    }
    if (exists && *updated == original) {
        return true;
    }
    switch (profileio::replaceFile(*target, *updated)) {
        case profileio::ReplaceResult::Replaced:
            return true;
        case profileio::ReplaceResult::NoTemporaryFile:
            return exists && profileio::overwriteFile(*target, *updated, original);
        case profileio::ReplaceResult::Failed:
            break;
    }
    return false;
}

}  // namespace lumidex
