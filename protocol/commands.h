// Encoders for every command the module understands. Each stores its command
// code and payload into the frame in a fixed order, so a failure part-way
// leaves the bytes before it stored and nothing after it, and returns the
// frame length to hand to TransmitFrame.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "protocol/codes.h"
#include "protocol/frame.h"

namespace lumidex {

// Pads text on the left with blanks to four characters; longer text is kept.
std::u32string padText(const std::u32string& text);

// Text: code at index 1, then the first three characters and the last one of
// the padded text at indexes 2..5, each as its one-byte character-set value.
int encodeText(Frame& f, const std::u32string& padded);

// One byte whose nibbles are the tens and units of 0..99 (42 -> 0x42).
std::uint8_t packedBcd(int value);

// Four-digit BCD: the leading and the trailing two digits, each 0 to 99
// (12 and 34 show 1234).
int encodeBcd(Frame& f, int leading, int trailing);

// 16-bit integer, high byte first; the code says signed or unsigned.
int encodeInteger(Frame& f, bool isSigned, int high, int low);

// Segment patterns, Digit 4 first.
int encodeSegments(Frame& f, int mask4, int mask3, int mask2, int mask1);

// The four decimal points, one bit per digit.
int encodeDecimalPoints(Frame& f, int dpMask);

// Brightness toggle; the frame carries no level.
int encodeBrightness(Frame& f);

// Saves the module's screen to a memory location, or recalls it from one.
int encodeSave(Frame& f, int location);
int encodeRecall(Frame& f, int location);

// Configuration: the module's new unit identifier, the rate it is to run at
// (one of kModuleBauds) and the decimal points it lights at start-up, given
// Digit 4 first. The frame goes to ConfigUid, which is not stored here: index
// 0 is left to the transmitter.
int encodeConfig(Frame& f, int newUid, int moduleBaudRate,
                 const std::array<bool, 4>& startupPointsDigit4First);

}  // namespace lumidex
