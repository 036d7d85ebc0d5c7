#include "link/modini.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "link/profile.h"

namespace lumidex {

QString withTrailingSeparator(const QString& dir, QChar separator) {
    if (dir.isEmpty() || dir.endsWith(separator)) {
        return dir;
    }
    return dir + separator;
}

QString AppDir() {
    return withTrailingSeparator(QDir::toNativeSeparators(QCoreApplication::applicationDirPath()),
                                 QDir::separator());
}

modINI::modINI(const QString& appDir)
    : filePath_(withTrailingSeparator(QDir::toNativeSeparators(appDir), QDir::separator()) +
                QLatin1String(kIniFileName)),
      fsPath_(QFileInfo(filePath_).filesystemFilePath()) {}

QString modINI::ReadIni(const QString& section, const QString& key) const {
    const std::optional<std::string> s = toProfileText(section);
    const std::optional<std::string> k = toProfileText(key);
    if (!s || !k) {
        return QString();  // a name the file cannot hold is not in it
    }
    return fromProfileText(readProfileString(fsPath_, *s, *k, 255));
}

bool modINI::WriteIni(const QString& section, const QString& key, const QString& value) const {
    const std::optional<std::string> s = toProfileText(section);
    const std::optional<std::string> k = toProfileText(key);
    const std::optional<std::string> v = toProfileText(value);
    if (!s || !k || !v) {
        return false;  // storing a substitute character would read back as a different value
    }
    return writeProfileString(fsPath_, *s, *k, *v);
}

}  // namespace lumidex
