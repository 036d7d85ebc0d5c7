// What lumidex-send sends: the steps (frames and pauses) of a script's lines
// or of one command from the command line. A script file and a command are
// read and checked whole before anything is sent, so a mistake on the last
// line stops the run before the first; a feed's lines are parsed one at a
// time, as they arrive.
//
// Text stays UTF-8 in standard strings here: the program runs once per
// command in shell loops and is kept small, so it leaves as little of Qt's
// code as it can to be paged in.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/frame.h"
#include "protocol/text.h"

namespace lumidex::send {

// One step of a run: a frame to send, or a pause.
struct Step {
    Frame frame{};             // command code and payload; index 0 is stamped when sending
    std::uint8_t count = 0;    // frame length; 0 for a pause
    std::uint8_t uid = 0;      // the unit identifier the frame goes to
    std::uint32_t waitMs = 0;  // the pause
    std::int32_t line = 0;     // its script line, for messages
};

struct Script {
    std::string name;  // the script as named, "-" for standard input; empty for the command line
    std::string encoding;  // "UTF-16 little endian" for such a script; empty for UTF-8
    std::string text;      // its lines in UTF-8 (the command line: its words joined by blanks)
    std::vector<Step> steps;

    // The command of `step` as written, for messages: "bcd 1234".
    std::string commandOf(const Step& step) const;
    // "name:line: " for a script step, nothing for the command line.
    std::string placeOf(const Step& step) const;
    // Whether any step sends a frame.
    bool sendsFrames() const;
};

// Reads a script of one command per line, and
//   wait MS    a pause of MS milliseconds
//   uid N      the unit identifier of the display commands that follow
//   # ...      a comment; blank lines are skipped too.
// After "text " the rest of the line is the text, blanks included; text is
// UTF-8. The parser keeps the unit identifier from line to line; `uid`
// addresses the commands before any uid line.
class ScriptParser {
  public:
    explicit ScriptParser(int uid) : uid_(uid) {}

    // The step of one line (without its line end), if it has one: a uid
    // line, a comment and a blank line have none. Throws BadInput.
    std::optional<Step> parse(std::string_view line, int number);

  private:
    int uid_;
};

// A message about a bad script line: "name:line: reason", naming the
// encoding of a UTF-16 script.
std::string badLine(const std::string& name, int number, const std::string& reason,
                    const std::string& encoding);

// Reads up to `size` bytes into `buffer`; returns how many, 0 at the end.
using ReadFn = std::function<long long(char* buffer, std::size_t size)>;

// The steps of a script file of `size` bytes, read with `read` to its end (in
// the encoding its byte-order mark names, LineReader). Every bad line is
// added to `problems` (badLine); the script may be sent only when there are
// none.
Script readScript(const ReadFn& read, std::size_t size, const std::string& name, int uid,
                  std::vector<std::string>& problems);

// The commands' entries of --help, from the command table: a line each, the
// syntax, then what it sends from the 27th column (cli::helpEntry).
std::string commandsHelp();

// One command given on the command line as words ("bcd", "1234"); the words
// after text are its text, joined by blanks. Throws BadInput.
Script readCommand(const std::vector<std::string>& words, int uid);

}  // namespace lumidex::send
