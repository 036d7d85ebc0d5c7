#include "protocol/decoder.h"

#include <algorithm>

#include "protocol/codes.h"
#include "protocol/hex.h"

namespace lumidex {

namespace {

// What a command is called in a report.
std::string commandName(std::uint8_t c) {
    switch (c) {
        case code::Configure:
            return "configure";
        case code::Segments:
            return "segments";
        case code::Text:
            return "text";
        case code::DecimalPoints:
            return "decimal points";
        case code::Bcd:
            return "BCD";
        case code::Unsigned:
            return "unsigned integer";
        case code::Signed:
            return "signed integer";
        case code::Brightness:
            return "brightness toggle";
        case code::Recall:
            return "recall screen";
        case code::Save:
            return "save screen";
        default:
            return "0x" + hexByte(c);
    }
}

// "digit 2", "digits 4 and 1", "digits 4, 3 and 1"; digits given Digit 4 first.
std::string digitList(const std::vector<int>& digits) {
    std::string out = digits.size() == 1 ? "digit " : "digits ";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0) {
            out += i + 1 == digits.size() ? " and " : ", ";
        }
        out += std::to_string(digits[i]);
    }
    return out;
}

std::string pointsText(const std::vector<int>& digits) {
    return digits.empty() ? "off" : "on " + digitList(digits);
}

// Latin-1 text in double quotes, printable characters as UTF-8 and the rest
// escaped, so that every byte stays visible and nothing controls the terminal.
std::string quotedLatin1(const std::vector<std::uint8_t>& bytes) {
    std::string out = "\"";
    for (std::uint8_t b : bytes) {
        if (b == '"' || b == '\\') {
            out += '\\';
            out += static_cast<char>(b);
        } else if (b >= 0x20 && b < 0x7F) {
            out += static_cast<char>(b);
        } else if (b > 0xA0 && b != 0xAD) {
            out += static_cast<char>(0xC0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        } else {
            out += "\\x" + hexByte(b);
        }
    }
    return out + "\"";
}

bool validBcd(std::uint8_t b) {
    return (b >> 4) <= 9 && (b & 0x0F) <= 9;
}

// Describes the payload of a complete frame of a known code; sets `valid`.
std::string describePayload(std::uint8_t c, const std::vector<std::uint8_t>& p, bool& valid) {
    valid = true;
    switch (c) {
        case code::Segments:
            return "segments " + hexBytes(p);
        case code::Text:
            return "text " + quotedLatin1(p);
        case code::DecimalPoints: {
            std::vector<int> digits;
            for (int digit = 4; digit >= 1; --digit) {
                if (p[0] & (1 << (digit - 1))) {
                    digits.push_back(digit);
                }
            }
            std::string out = "decimal points " + pointsText(digits);
            if (p[0] & 0xF0) {
                valid = false;
                out += " (invalid: bits 0x" + hexByte(p[0] & 0xF0) + " name no digit)";
            }
            return out;
        }
        case code::Bcd:
            if (!validBcd(p[0]) || !validBcd(p[1])) {
                valid = false;
                return "BCD invalid: " + hexBytes(p) + " holds a digit above 9";
            }
            return "BCD " + hexByte(p[0]) + hexByte(p[1]);
        case code::Unsigned:
        case code::Signed: {
            const long value = integerValue(c == code::Signed, p[0], p[1]);
            return commandName(c) + " 0x" + hexByte(p[0]) + hexByte(p[1]) + " (" +
                   std::to_string(value) + ")";
        }
        case code::Brightness:
            return "brightness toggle";
        case code::Save:
        case code::Recall: {
            std::string out =
                c == code::Save ? "save screen to memory " : "recall screen from memory ";
            out += std::to_string(p[0]);
            if (p[0] >= MemoryLocations) {
                valid = false;
                out += " (invalid: memory locations are 0 to " +
                       std::to_string(MemoryLocations - 1) + ")";
            }
            return out;
        }
        case code::Configure: {
            std::string out = "configure: baud ";
            if (const std::optional<int> rate = moduleBaudRate(p[0])) {
                out += std::to_string(*rate);
            } else {
                valid = false;
                out += "code 0x" + hexByte(p[0]) + " (invalid: not " + moduleBaudCodesText() + ")";
            }
            out += ", new UID " + std::to_string(p[1]) + ", start-up decimal points ";
            std::vector<int> digits;
            bool pointsValid = true;
            for (std::size_t i = 2; i < 6; ++i) {
                if (p[i] == StartupPointOn) {
                    digits.push_back(static_cast<int>(6 - i));
                } else if (p[i] != 0) {
                    pointsValid = false;
                }
            }
            if (!pointsValid) {
                valid = false;
                return out +
                       "invalid: " + hexBytes(std::vector<std::uint8_t>(p.begin() + 2, p.end())) +
                       " (each byte must be 00 or " + hexByte(StartupPointOn) + ")";
            }
            return out + pointsText(digits);
        }
        default:
            valid = false;
            return "unknown command code 0x" + hexByte(c);
    }
}

std::string uidPrefix(std::uint8_t uid) {
    return "UID " + std::to_string(uid) + "  ";
}

}  // namespace

bool DecodedFrame::operator==(const DecodedFrame& other) const {
    return kind == other.kind && bytes == other.bytes && uid == other.uid && code == other.code &&
           payload == other.payload && valid == other.valid && description == other.description;
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
    r.description = uidPrefix(r.uid) + describePayload(frame[1], r.payload, r.valid);
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
