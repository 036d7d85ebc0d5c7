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

// Four-digit BCD from the positions of the leading and trailing digit lists.
int encodeBcd(Frame& f, int hiPosition, int loPosition);

// 16-bit integer, high byte first; the code says signed or unsigned.
int encodeInteger(Frame& f, bool isSigned, int highPosition, int lowPosition);

// Segment patterns, Digit 4 first.
int encodeSegments(Frame& f, int mask4, int mask3, int mask2, int mask1);

// The four decimal points, one bit per digit.
int encodeDecimalPoints(Frame& f, int dpMask);

// Brightness toggle; the frame carries no level.
int encodeBrightness(Frame& f);

// Save (index 0) or recall (index 1) of a memory location.
int encodeSaveRecall(Frame& f, int index, int memoryPosition);

// Module baud code for the module baud list position (kModuleBauds): 0 -> 36,
// 1 -> 18, 2 -> 9.
std::uint8_t moduleBaudCode(int position);

// Configuration: new baud rate, new unit identifier and the decimal points lit
// at start-up, given Digit 4 first. Index 0 is left to TransmitFrame, which
// stamps the UID selector (moved to ConfigUid by the caller).
int encodeConfig(Frame& f, int baudPosition, int newUidPosition,
                 const std::array<bool, 4>& startupPointsDigit4First);

// Sets or clears one bit of an editor mask: the box with bit value `bit` turned on or off.
int withBit(int mask, int bit, bool on);

}  // namespace lumidex
