// On Windows the settings file is in the system's ANSI code page.
#include "settings/modini.h"

namespace lumidex {

std::optional<std::string> toProfileText(const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    // A character the code page lacks comes back as a substitute, so the round
    // trip differs.
    if (QString::fromLocal8Bit(bytes) != text) {
        return std::nullopt;
    }
    return bytes.toStdString();
}

QString fromProfileText(std::string_view bytes) {
    return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

}  // namespace lumidex
