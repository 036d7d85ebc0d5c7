// What a display module does with the frames it receives: a model of the
// module's four digits, its brightness, its memory and its configuration, for
// the virtual module. Decoded frames go in; the screen and a note of what was
// done or left undone come out.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "protocol/codes.h"
#include "protocol/decoder.h"

namespace lumidex {

struct ModuleScreen {
    // The segment bytes of Digit 4 (leftmost) to Digit 1.
    std::array<std::uint8_t, 4> digits{};
    bool bright = true;

    bool operator==(const ModuleScreen& other) const {
        return digits == other.digits && bright == other.bright;
    }
};

// "screen S4 S3 S2 S1 bright": each digit as two upper-case hexadecimal digits.
std::string screenLine(const ModuleScreen& screen);

// The segment byte drawn for a character of a text frame; none for a
// character the module has no glyph for.
std::optional<std::uint8_t> glyphOf(std::uint8_t character);

// The screen in words, UTF-8: what the digits show, decimal points and the
// degree sign included, then "bright" or "dim": "21.5°, bright". A
// pattern no character draws is named by its segments ("[abg]"); an empty
// screen is "blank".
std::string screenText(const ModuleScreen& screen);

// What one frame did.
struct ModuleResponse {
    // The frame was addressed to this module and understood.
    bool obeyed = false;
    // The frame in words, as the decoder describes it.
    std::string frame;
    // Everything the module ignored or could not show, one item each.
    std::vector<std::string> ignored;
};

class ModuleModel {
  public:
    // Everything a module keeps between frames.
    struct State {
        std::uint8_t uid = FactoryUid;
        ModuleScreen screen;
        // Decimal points lit at start-up, as segment bytes, Digit 4 first.
        std::array<std::uint8_t, 4> startupPoints{};
        std::array<std::optional<std::array<std::uint8_t, 4>>, MemoryLocations> memory{};
        // The rate the last configuration frame asked for, if any.
        std::optional<int> configuredBaud;
    };

    explicit ModuleModel(std::uint8_t uid = FactoryUid);

    // Obeys a frame addressed to the module, as the decoder understood it: a
    // frame it found invalid is obeyed as far as its problems allow, and
    // they are named.
    ModuleResponse apply(const DecodedFrame& frame);

    // Power cycle: a blank screen with the start-up decimal points lit,
    // bright. The unit identifier and the saved screens are kept.
    void restart();

    const ModuleScreen& screen() const { return state_.screen; }
    std::uint8_t uid() const { return state_.uid; }
    std::optional<int> configuredBaud() const { return state_.configuredBaud; }

  private:
    State state_;
};

}  // namespace lumidex
