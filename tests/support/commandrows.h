// The commands an operator sends from the window: each row holds the inputs
// as the window takes them (typed text, list positions, boxes ticked) and the
// frame that must reach the wire, with how lumidex-monitor describes it. The
// protocol, decoder, window and end-to-end tests run every row, and so can any
// other program that sends these commands, to show it sends exactly what the
// window sends for the same inputs. Plain C++.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "protocol/txframe.h"

namespace lumidex::test {

// The button that sends the command.
enum class Button {
    Text,
    Bcd,
    Integer,
    Segments,
    DecimalPoints,
    Brightness,
    Save,
    Recall,
    Configure
};

struct CommandRow {
    std::string name;
    Button button = Button::Brightness;
    // The UID selector's position; a configuration goes to unit 30 whatever it is.
    int uid = 255;
    // Text: what the operator types.
    std::u32string text;
    // BCD: the leading and trailing digit lists' positions (0 to 99);
    // integer: the high and low byte lists' positions (0 to 255).
    int high = 0;
    int low = 0;
    bool isSigned = false;  // integer: the "signed" box
    // Segments: each digit's mask (the bit values of its ticked boxes), Digit 4 first.
    std::array<int, 4> segments{};
    int points = 0;  // decimal points: the mask of the ticked boxes
    int memory = 0;  // save and recall: the memory list's position
    // Configuration: the module baud list's position, the new unit identifier
    // and the start-up decimal points, Digit 4 first.
    int moduleBaud = 0;
    int newUid = 255;
    std::array<bool, 4> startupPoints{};

    // The frame on the wire, "FF 62 20 20 31 32", and lumidex-monitor's line
    // for it without the time.
    std::string wire;
    std::string decoded;
};

// Every row. Text that only Latin-1 sends as these bytes is left out on
// Windows, whose code page varies.
const std::vector<CommandRow>& commandRows();

// The unit identifier the row's frame goes to: its UID selector, or 30 for a
// configuration.
int frameUid(const CommandRow& row);

// Encodes the row's command into `frame` with the encoder its button's
// handler calls; returns the frame's length.
int encodeRow(const CommandRow& row, Frame& frame);

}  // namespace lumidex::test
