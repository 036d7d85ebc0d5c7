#include "ui/fonts.h"

namespace lumidex {

// Windows has Tahoma.
void loadWindowFont() {}

}  // namespace lumidex
