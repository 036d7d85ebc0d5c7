#include "ui/fonts.h"

namespace lumidex {

// Windows has Tahoma.
void loadWindowFont() {}

// Windows has no font configuration to load.
FontConfigPreload::FontConfigPreload() = default;
FontConfigPreload::~FontConfigPreload() = default;
void FontConfigPreload::wait() {}

}  // namespace lumidex
