// Script text in lines, as it arrives: the encoding its byte-order mark names
// (UTF-8, or UTF-16 little or big endian as PowerShell 5's > and Out-File
// write), line ends LF or CR LF, and every line bounded, so no input, however
// long or endless, makes the reader hold more than one line's first 4 KiB.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lumidex::send {

struct ScriptLine {
    int number = 0;       // from 1
    std::string text;     // UTF-8, without its line end
    std::string problem;  // why the line cannot be used; empty when it can
};

class LineReader {
  public:
    // The longest line taken, in bytes as read.
    static constexpr std::size_t kMaxLine = 4096;

    // Takes the next bytes of the input; appends the lines they complete to
    // `out`. A line past kMaxLine is reported as soon as it passes, not at
    // its end, and the rest of it is skipped.
    void take(std::string_view bytes, std::vector<ScriptLine>& out);

    // The input ended: appends the last line, when it has no line end.
    void finish(std::vector<ScriptLine>& out);

    // For messages about a UTF-16 script: "UTF-16 little endian"; empty for
    // UTF-8.
    std::string encoding() const;

  private:
    enum class Encoding { Unknown, Utf8, Utf16LittleEndian, Utf16BigEndian };

    void decide(std::vector<ScriptLine>& out, bool atEnd);
    void takeBytes(std::string_view bytes, std::vector<ScriptLine>& out);
    void endLine(std::vector<ScriptLine>& out);
    ScriptLine lineOfBytes() const;

    Encoding encoding_ = Encoding::Unknown;
    std::string head_;       // the first bytes, until the encoding is known
    std::string line_;       // the current line as read, at most kMaxLine bytes
    std::string unit_;       // UTF-16: the first byte of a code unit
    bool skipping_ = false;  // the current line was too long and is reported
    int number_ = 1;
};

}  // namespace lumidex::send
