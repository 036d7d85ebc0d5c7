#include "send/lines.h"

#include "protocol/text.h"

namespace lumidex::send {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LittleMark = "\xFF\xFE";
constexpr std::string_view kUtf16BigMark = "\xFE\xFF";

bool startsWith(std::string_view text, std::string_view start) {
    return text.substr(0, start.size()) == start;
}

}  // namespace

std::string LineReader::encoding() const {
    return encoding_ == Encoding::Utf16LittleEndian ? "UTF-16 little endian"
           : encoding_ == Encoding::Utf16BigEndian  ? "UTF-16 big endian"
                                                    : "";
}

void LineReader::take(std::string_view bytes, std::vector<ScriptLine>& out) {
    if (encoding_ == Encoding::Unknown) {
        head_.append(bytes);
        decide(out, false);
        return;
    }
    takeBytes(bytes, out);
}

void LineReader::finish(std::vector<ScriptLine>& out) {
    decide(out, true);
    if (!line_.empty() || !unit_.empty()) {
        endLine(out);
    }
}

// Decides from the byte-order mark, once there are enough bytes to tell (or
// the input ended), and reads what came so far.
void LineReader::decide(std::vector<ScriptLine>& out, bool atEnd) {
    if (encoding_ != Encoding::Unknown) {
        return;
    }
    for (const std::string_view mark : {kUtf8Mark, kUtf16LittleMark, kUtf16BigMark}) {
        if (!atEnd && head_.size() < mark.size() && startsWith(mark, head_)) {
            return;  // could still be this mark
        }
    }
    std::string_view rest = head_;
    if (startsWith(rest, kUtf8Mark)) {
        encoding_ = Encoding::Utf8;
        rest.remove_prefix(kUtf8Mark.size());
    } else if (startsWith(rest, kUtf16LittleMark)) {
        encoding_ = Encoding::Utf16LittleEndian;
        rest.remove_prefix(kUtf16LittleMark.size());
    } else if (startsWith(rest, kUtf16BigMark)) {
        encoding_ = Encoding::Utf16BigEndian;
        rest.remove_prefix(kUtf16BigMark.size());
    } else {
        encoding_ = Encoding::Utf8;
    }
    const std::string held = std::string(rest);
    head_.clear();
    takeBytes(held, out);
}

void LineReader::takeBytes(std::string_view bytes, std::vector<ScriptLine>& out) {
    const bool utf16 = encoding_ != Encoding::Utf8;
    for (const char byte : bytes) {
        if (utf16 && unit_.empty()) {
            unit_ += byte;
            continue;
        }
        const std::string unit = utf16 ? unit_ + byte : std::string(1, byte);
        unit_.clear();
        const bool lineEnd =
            utf16 ? unit == (encoding_ == Encoding::Utf16LittleEndian ? std::string("\n\0", 2)
                                                                      : std::string("\0\n", 2))
                  : byte == '\n';
        if (lineEnd) {
            endLine(out);
        } else if (!skipping_) {
            line_ += unit;
            if (line_.size() > kMaxLine) {
                ScriptLine tooLong;
                tooLong.number = number_;
                tooLong.problem = "the line is longer than " + std::to_string(kMaxLine) + " bytes";
                out.push_back(std::move(tooLong));
                line_.clear();
                skipping_ = true;
            }
        }
    }
}

void LineReader::endLine(std::vector<ScriptLine>& out) {
    if (!skipping_) {
        out.push_back(lineOfBytes());
    }
    line_.clear();
    unit_.clear();
    skipping_ = false;
    ++number_;
}

// The current line as UTF-8, without a carriage return at its end.
ScriptLine LineReader::lineOfBytes() const {
    ScriptLine line;
    line.number = number_;
    if (encoding_ == Encoding::Utf8) {
        line.text = line_;
    } else {
        const bool little = encoding_ == Encoding::Utf16LittleEndian;
        const auto unitAt = [&](std::size_t i) {
            const auto first = static_cast<unsigned char>(line_[i]);
            const auto second = static_cast<unsigned char>(line_[i + 1]);
            return static_cast<char32_t>(little ? first | second << 8 : first << 8 | second);
        };
        bool valid = unit_.empty();
        for (std::size_t i = 0; valid && i + 1 < line_.size(); i += 2) {
            char32_t ch = unitAt(i);
            if (ch >= 0xD800 && ch < 0xDC00 && i + 3 < line_.size() && unitAt(i + 2) >= 0xDC00 &&
                unitAt(i + 2) < 0xE000) {
                ch = 0x10000 + ((ch - 0xD800) << 10) + (unitAt(i + 2) - 0xDC00);
                i += 2;
            } else if (ch >= 0xD800 && ch < 0xE000) {
                valid = false;
            }
            line.text += encodeUtf8(ch);
        }
        if (!valid) {
            line.problem = "the line is not valid UTF-16";
        }
    }
    if (!line.text.empty() && line.text.back() == '\r') {
        line.text.pop_back();
    }
    if (line.problem.empty() && line.text.find('\0') != std::string::npos) {
        line.problem = "the line holds a NUL byte";
    }
    return line;
}

}  // namespace lumidex::send
