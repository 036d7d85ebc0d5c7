// libFuzzer entry point for the frame decoder: any byte stream, fed in chunks
// whose sizes come from the input itself, must decode without crashing, the
// same way as when fed all at once, and account for every byte exactly once.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "protocol/decoder.h"

namespace {

std::vector<lumidex::DecodedFrame> decodeAll(const std::uint8_t* data, std::size_t size,
                                             std::size_t chunk) {
    lumidex::FrameDecoder decoder;
    std::vector<lumidex::DecodedFrame> frames;
    for (std::size_t at = 0; at < size; at += chunk) {
        const std::size_t n = at + chunk < size ? chunk : size - at;
        for (auto& frame : decoder.feed(data + at, n)) {
            frames.push_back(std::move(frame));
        }
    }
    for (auto& frame : decoder.flush()) {
        frames.push_back(std::move(frame));
    }
    return frames;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t chunk = 1 + data[0] % 9;
    const auto whole = decodeAll(data + 1, size - 1, size);
    const auto pieces = decodeAll(data + 1, size - 1, chunk);
    if (whole != pieces) {
        std::abort();
    }
    std::size_t accounted = 0;
    for (const auto& frame : whole) {
        accounted += frame.bytes.size();
        if (frame.description.empty()) {
            std::abort();
        }
    }
    if (accounted != size - 1) {
        std::abort();
    }
    return 0;
}
