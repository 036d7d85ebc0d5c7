#include <QFile>
#include <QFontDatabase>

#include "ui/fonts.h"

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

}  // namespace lumidex
