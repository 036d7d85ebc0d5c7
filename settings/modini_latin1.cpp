// Off Windows the settings file is Latin-1: every character below 256 is its own byte.
#include "settings/modini.h"

namespace lumidex {

std::optional<std::string> toProfileText(const QString& text) {
    for (const QChar ch : text) {
        if (ch.unicode() > 0xFF) {
            return std::nullopt;
        }
    }
    return text.toLatin1().toStdString();
}

QString fromProfileText(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

}  // namespace lumidex
