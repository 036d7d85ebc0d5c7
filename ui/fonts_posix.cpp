#include <QFile>
#include <QFontDatabase>

#include "ui/fonts.h"

#include <fontconfig/fontconfig.h>

namespace lumidex {

void loadWindowFont() {
    if (QFontDatabase::hasFamily(QStringLiteral("Tahoma"))) {
        return;
    }
    // Debian's fonts-wine ships a metric-compatible Tahoma outside the font path.
    const QString wineTahoma = QStringLiteral("/usr/share/wine/fonts/tahoma.ttf");
    if (QFile::exists(wineTahoma)) {
        QFontDatabase::addApplicationFont(wineTahoma);
    }
}

// fontconfig is thread-safe, and Qt's own later FcInit() finds the
// configuration already current and returns at once.
FontConfigPreload::FontConfigPreload() : thread_([] { FcInit(); }) {}

FontConfigPreload::~FontConfigPreload() {
    wait();
}

void FontConfigPreload::wait() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

}  // namespace lumidex
