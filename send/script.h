// What lumidex-send sends: a script, or one command from the command line,
// read and checked whole and turned into frames (and pauses) before anything
// is sent, so a mistake on the last line stops the run before the first.
//
// Text stays UTF-8 in standard strings here: the program runs once per
// command in shell loops and is kept small, so it leaves as little of Qt's
// code as it can to be paged in.
#pragma once

#include <cstdint>
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
    std::string name;  // the file as named, "<stdin>", or empty for the command line
    std::string text;  // what was read (the command line: its words joined by blanks)
    std::vector<Step> steps;

    // The command of `step` as written, for messages: "bcd 1234".
    std::string commandOf(const Step& step) const;
    // "name:line: " for a script step, nothing for the command line.
    std::string placeOf(const Step& step) const;
};

// Reads a script of one command per line, and
//   wait MS    a pause of MS milliseconds
//   uid N      the unit identifier of the display commands that follow
//   # ...      a comment; blank lines are skipped too.
// After "text " the rest of the line is the text, blanks included; text is
// UTF-8. Every bad line is added to `problems` as "name:line: reason"; the
// script may be sent only when there are none. `uid` addresses the commands
// before any uid line.
Script readScript(std::string text, const std::string& name, int uid,
                  std::vector<std::string>& problems);

// The commands' entries of --help, from the command table: a line each, two
// spaces in, the syntax in a column of 24, then what it sends.
std::string commandsHelp();

// One command given on the command line as words ("bcd", "1234"); the words
// after text are its text, joined by blanks. Throws BadInput.
Script readCommand(const std::vector<std::string>& words, int uid);

}  // namespace lumidex::send
