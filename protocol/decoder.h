// Turns a byte stream from the serial line back into command frames and
// describes each one in words, for watching what goes to a module.
//
// Frames carry no marker, length or checksum: the first byte is the unit
// identifier, the second the command code, and the code alone says how many
// bytes follow (frameLengthOf). The decoder therefore relies on that length
// table; a byte that is not a command code is reported and decoding starts
// again on the byte after the unit identifier in front of it. Until a valid frame has been
// found again, held bytes that would be reported as cut short or as an
// invalid frame are first searched for a later start of a complete valid
// frame, so a frame sent right after one with an unknown code is still
// understood.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "protocol/commands.h"

namespace lumidex {

struct DecodedFrame {
    enum class Kind {
        Complete,     // a whole frame of a known command
        UnknownCode,  // the byte after the unit identifier is no command code
        CutShort,     // the stream ended or went quiet part-way through a frame
    };

    Kind kind = Kind::Complete;
    // The bytes this report accounts for: the whole frame, the partial frame,
    // or, for an unknown code, the unit identifier alone (the code byte is
    // decoded again as the start of the next frame).
    std::vector<std::uint8_t> bytes;
    std::uint8_t uid = 0;
    // Absent when only the unit identifier arrived before the stream was cut.
    std::optional<std::uint8_t> code;
    // The bytes after the code (those that arrived, for a cut-short frame).
    std::vector<std::uint8_t> payload;
    // False for anything but a complete frame whose payload makes sense
    // (BCD digits 0-9, a known baud code, start-up decimal points 0 or 8, ...).
    bool valid = false;
    // What makes a complete frame's payload invalid, as the command table's
    // check found it; empty for a valid frame and for every other report.
    std::vector<PayloadProblem> problems;
    // One line: `UID 255  text "  12"`.
    std::string description;

    bool operator==(const DecodedFrame& other) const;
    bool operator!=(const DecodedFrame& other) const { return !(*this == other); }
};

// Describes a complete frame (unit identifier, known code, full payload).
// Fills `valid` and `description` of a result built from those bytes.
DecodedFrame decodeFrame(const std::vector<std::uint8_t>& frame);

class FrameDecoder {
  public:
    // Takes bytes as they arrive; returns the reports they completed, in order.
    std::vector<DecodedFrame> feed(const std::uint8_t* data, std::size_t size);
    std::vector<DecodedFrame> feed(const std::vector<std::uint8_t>& data) {
        return feed(data.data(), data.size());
    }

    // Ends the current frame (the line went quiet): reports the bytes held so
    // far as cut short, or, while resynchronising, whatever valid frames they
    // hold and the bytes around them, and forgets them. Empty when no frame is
    // in progress.
    std::vector<DecodedFrame> flush();

    // Number of bytes held of a frame still in progress.
    std::size_t pending() const { return held_.size(); }

  private:
    void take(std::uint8_t byte, std::vector<DecodedFrame>& out);
    // Looks for the first later held byte that starts a complete valid frame;
    // when there is one, reports the bytes before it as cut short, decodes the
    // rest again and returns true.
    bool splitAtLaterFrame(std::vector<DecodedFrame>& out);

    std::vector<std::uint8_t> held_;
    // An unknown code was skipped and no valid frame has been decoded since.
    bool resynchronising_ = false;
};

}  // namespace lumidex
