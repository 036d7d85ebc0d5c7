#include "protocol/decoder.h"

#include <algorithm>

#include "protocol/commands.h"
#include "protocol/hex.h"

namespace lumidex {

namespace {

// What a command is called in a report.
std::string commandName(std::uint8_t c) {
    const Command* command = commandFor(c);
    return command ? command->name : "0x" + hexByte(c);
}

std::string uidPrefix(std::uint8_t uid) {
    return "UID " + std::to_string(uid) + "  ";
}

}  // namespace

bool DecodedFrame::operator==(const DecodedFrame& other) const {
    return kind == other.kind && bytes == other.bytes && uid == other.uid && code == other.code &&
           payload == other.payload && valid == other.valid && problems == other.problems &&
           description == other.description;
}

DecodedFrame decodeFrame(const std::vector<std::uint8_t>& frame) {
    DecodedFrame r;
    r.valid = false;
    if (frame.empty()) {
        r.kind = DecodedFrame::Kind::CutShort;
        r.description = "no bytes";
        return r;
    }
    r.uid = frame[0];
    if (frame.size() == 1) {
        r.kind = DecodedFrame::Kind::CutShort;
        r.bytes = frame;
        r.description =
            uidPrefix(r.uid) + "cut short after the unit identifier (" + hexBytes(frame) + ")";
        return r;
    }
    r.code = frame[1];
    const int length = frameLengthOf(frame[1]);
    if (length == 0) {
        r.kind = DecodedFrame::Kind::UnknownCode;
        r.bytes = {frame[0]};
        r.description = uidPrefix(r.uid) + "unknown command code 0x" + hexByte(frame[1]) +
                        " (skipped the UID byte " + hexByte(frame[0]) + ")";
        return r;
    }
    const std::size_t size = std::min(frame.size(), static_cast<std::size_t>(length));
    r.bytes.assign(frame.begin(), frame.begin() + size);
    r.payload.assign(frame.begin() + 2, frame.begin() + size);
    if (size < static_cast<std::size_t>(length)) {
        r.kind = DecodedFrame::Kind::CutShort;
        r.description = uidPrefix(r.uid) + commandName(frame[1]) +
                        " frame cut short: " + std::to_string(size) + " of " +
                        std::to_string(length) + " bytes (" + hexBytes(r.bytes) + ")";
        return r;
    }
    r.kind = DecodedFrame::Kind::Complete;
    r.description = uidPrefix(r.uid) + commandFor(frame[1])->describe(r.payload.data(), r.problems);
    r.valid = r.problems.empty();
    return r;
}

std::vector<DecodedFrame> FrameDecoder::feed(const std::uint8_t* data, std::size_t size) {
    std::vector<DecodedFrame> out;
    for (std::size_t i = 0; i < size; ++i) {
        take(data[i], out);
    }
    return out;
}

void FrameDecoder::take(std::uint8_t byte, std::vector<DecodedFrame>& out) {
    held_.push_back(byte);
    if (held_.size() < 2) {
        return;
    }
    const int length = frameLengthOf(held_[1]);
    if (length == 0) {
        // The code byte may itself be the unit identifier of the next frame.
        out.push_back(decodeFrame(held_));
        held_.erase(held_.begin());
        resynchronising_ = true;
    } else if (held_.size() == static_cast<std::size_t>(length)) {
        DecodedFrame frame = decodeFrame(held_);
        if (!frame.valid && resynchronising_ && splitAtLaterFrame(out)) {
            return;
        }
        resynchronising_ = resynchronising_ && !frame.valid;
        out.push_back(std::move(frame));
        held_.clear();
    }
}

bool FrameDecoder::splitAtLaterFrame(std::vector<DecodedFrame>& out) {
    for (std::size_t start = 1; start + 1 < held_.size(); ++start) {
        const auto length = static_cast<std::size_t>(frameLengthOf(held_[start + 1]));
        if (length == 0 || held_.size() - start < length ||
            !decodeFrame({held_.begin() + static_cast<std::ptrdiff_t>(start),
                          held_.begin() + static_cast<std::ptrdiff_t>(start + length)})
                 .valid) {
            continue;
        }
        // The bytes in front were no frame; the rest is decoded again, which
        // reports the valid frame first.
        const auto split = held_.begin() + static_cast<std::ptrdiff_t>(start);
        out.push_back(decodeFrame({held_.begin(), split}));
        const std::vector<std::uint8_t> rest(split, held_.end());
        held_.clear();
        resynchronising_ = false;
        for (const std::uint8_t byte : rest) {
            take(byte, out);
        }
        return true;
    }
    return false;
}

std::vector<DecodedFrame> FrameDecoder::flush() {
    std::vector<DecodedFrame> out;
    if (resynchronising_) {
        // Each split reports bytes and holds fewer, so this ends.
        while (!held_.empty() && splitAtLaterFrame(out)) {
        }
    }
    if (!held_.empty()) {
        out.push_back(decodeFrame(held_));
        held_.clear();
    }
    resynchronising_ = false;
    return out;
}

}  // namespace lumidex
