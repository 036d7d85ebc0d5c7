// The commands an operator sends from the window: each row holds the inputs
// as the window takes them (typed text, list positions, boxes ticked) and the
// frame that must reach the wire, with how lumidex-monitor describes it, and
// lumidex-send's command for the same. The protocol, decoder, window,
// end-to-end and sender tests run every row, to show each program sends
// exactly what the window sends for the same inputs. Plain C++.
#pragma once

#include <string>
#include <vector>

#include "protocol/commands.h"
#include "protocol/frame.h"

namespace lumidex::test {

struct CommandRow {
    std::string name;
    // The window's button that sends it (its object name).
    std::string button;
    // The inputs in the order the button's handler reads its controls, by
    // command:
    //   text               none (the typed text is `text`)
    //   BCD                leading and trailing digit list positions (0 to 99)
    //   (un)signed integer the "signed" box (0 or 1), high and low byte list positions
    //   segments           the masks of Digit 4 to Digit 1 (the bit values of the ticked boxes)
    //   decimal points     the mask of the ticked boxes
    //   brightness toggle  none
    //   save, recall       the memory list position
    //   configure          module baud list position, new unit identifier, and the
    //                      start-up points of Digit 4 to Digit 1 (0 or 1 each)
    std::vector<int> inputs;
    std::u32string text;
    // The UID selector's position; a configuration goes to unit 30 whatever it is.
    int uid;
    // The frame on the wire, "FF 62 20 20 31 32", and lumidex-monitor's line
    // for it without the time.
    std::string wire;
    std::string decoded;
    // lumidex-send's command for the same action, as a script line (UTF-8):
    // "bcd 1234". It goes to the row's UID as the window's does (a
    // configuration to unit 30 whatever the sender's unit identifier).
    std::string sender;
};

// Every row. Text that only Latin-1 sends as these bytes is left out on
// Windows, whose code page varies.
const std::vector<CommandRow>& commandRows();

// The command table's row for the row's command (the code its frame carries).
const Command& commandOf(const CommandRow& row);

// The unit identifier the row's frame goes to: its UID selector, or 30 for a
// configuration.
int frameUid(const CommandRow& row);

// Encodes the row's command into `frame` with the encoder its button's
// handler calls; returns the frame's length.
int encodeRow(const CommandRow& row, Frame& frame);

}  // namespace lumidex::test
