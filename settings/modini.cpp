#include "settings/modini.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "settings/profile.h"
#include "settings/profile_io.h"

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

QString perUserSettingsRoot(const ApplicationIdentity& identity) {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty()) {
        return QString();
    }
    return base + u'/' + identity.organization + u'/' + identity.application;
}

QString perUserFolderName(const QString& appDir) {
    QString full = QDir::cleanPath(QDir(appDir).absolutePath());
#ifdef Q_OS_WIN
    full = full.toLower();  // one folder, however its path is spelled
#endif
    const QByteArray hash =
        QCryptographicHash::hash(full.toUtf8(), QCryptographicHash::Sha256).toHex().left(12);
    QString tail;
    for (const QChar ch : full.right(40)) {
        const bool plain = (ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z') ||
                           (ch >= u'0' && ch <= u'9') || ch == u'.' || ch == u'-';
        tail += plain ? ch : QChar(u'_');
    }
    while (tail.startsWith(u'_') || tail.startsWith(u'.')) {
        tail.remove(0, 1);
    }
    return (tail.isEmpty() ? QString() : tail + u'-') + QString::fromLatin1(hash);
}

modINI::modINI(const QString& appDir, const QString& perUserRoot)
    : filePath_(withTrailingSeparator(QDir::toNativeSeparators(appDir), QDir::separator()) +
                QLatin1String(kIniFileName)),
      besideProgram_(QFileInfo(filePath_).filesystemFilePath()) {
    // The file is replaced in the folder its links end in. Asked without
    // writing anything: a program folder on a read-only medium or a share
    // sees no writes at start-up. A file a save must leave alone (read-only,
    // which is how an operator locks the settings, a link to nothing, no
    // regular file) is used as it is: a save is refused and says so, rather
    // than going to a per-user copy that would quietly unlock the settings.
    std::string reason;
    const std::optional<profileio::SaveTarget> target =
        profileio::saveTarget(besideProgram_, reason);
    besideLocked_ = !target || !target->readOnly.empty();
    besideWritable_ = besideLocked_ || profileio::folderAllowsNewFiles(target->file);
    if (!perUserRoot.isEmpty()) {
        perUser_ = QFileInfo(perUserRoot + u'/' + perUserFolderName(appDir) + u'/' +
                             QLatin1String(kIniFileName))
                       .filesystemFilePath();
    }
}

bool modINI::perUserCopyRead() const {
    std::error_code ec;
    if (!perUser_ || besideLocked_ || !std::filesystem::exists(*perUser_, ec)) {
        return false;
    }
    if (!besideWritable_) {
        return true;
    }
    // A program folder that allows new files by its permissions but refused
    // the last save left the newest settings in the per-user copy.
    const auto copyTime = std::filesystem::last_write_time(*perUser_, ec);
    if (ec) {
        return false;
    }
    const auto besideTime = std::filesystem::last_write_time(besideProgram_, ec);
    return ec || copyTime > besideTime;
}

QString modINI::readPath() const {
    return QDir::toNativeSeparators(
        QString::fromStdU16String((perUserCopyRead() ? *perUser_ : besideProgram_).u16string()));
}

QString modINI::writePath() const {
    return QDir::toNativeSeparators(QString::fromStdU16String(
        (perUser_ && !besideWritable_ ? *perUser_ : besideProgram_).u16string()));
}

void modINI::Load() {
    loaded_ = loadProfile(QFileInfo(readPath()).filesystemFilePath());
}

QString modINI::problem() const {
    return QString::fromStdString(text().problem);
}

const ProfileFile& modINI::text() const {
    if (loaded_) {
        return *loaded_;
    }
    once_ = loadProfile(QFileInfo(readPath()).filesystemFilePath());
    return once_;
}

QString modINI::ReadIni(const QString& section, const QString& key) const {
    const std::optional<std::string> s = toProfileText(section);
    const std::optional<std::string> k = toProfileText(key);
    if (!s || !k) {
        return QString();  // a name the file cannot hold is not in it
    }
    std::string value = profileLookup(text().text, *s, *k);
    if (value.size() > 254) {
        value.resize(254);
    }
    return fromProfileText(value);
}

std::vector<std::pair<QString, QString>> modINI::ReadSection(const QString& section) const {
    std::vector<std::pair<QString, QString>> entries;
    if (const std::optional<std::string> s = toProfileText(section)) {
        for (const auto& [key, value] : profileSectionEntries(text().text, *s)) {
            entries.emplace_back(fromProfileText(key), fromProfileText(value));
        }
    }
    return entries;
}

bool modINI::WriteIni(const QString& section, const QString& key, const QString& value) const {
    return !WriteIni(section, {{key, value}});
}

std::optional<modINI::WriteFailure> modINI::WriteIni(
    const QString& section, const std::vector<std::pair<QString, QString>>& entries) const {
    if (loaded_ && loaded_->state == ProfileFile::State::Unusable) {
        return WriteFailure{readPath(), QString::fromStdString(loaded_->problem)};
    }
    const std::optional<std::string> s = toProfileText(section);
    if (!s) {
        return WriteFailure{writePath(), QStringLiteral("the section name \"%1\" holds a "
                                                        "character the file's code page lacks")
                                             .arg(section)};
    }
    // A value with a character the code page lacks is left out, as storing a
    // substitute character would read back as a different value.
    std::vector<ProfileEntry> converted;
    QStringList leftOut;
    for (const auto& [key, value] : entries) {
        const std::optional<std::string> k = toProfileText(key);
        const std::optional<std::string> v = toProfileText(value);
        if (k && v) {
            converted.push_back({*k, *v});
        } else {
            leftOut << u'"' + key + u'"';
        }
    }
    QString leftOutText;
    if (!leftOut.isEmpty()) {
        leftOutText = QStringLiteral("the value of %1 holds a character the file's code page lacks")
                          .arg(leftOut.join(QLatin1String(", ")));
        if (converted.empty()) {
            return WriteFailure{writePath(), leftOutText};
        }
    }
    std::optional<WriteFailure> failure;
    if (besideWritable_ || !perUser_) {
        failure = write(besideProgram_, *s, converted, std::nullopt);
        // The folder's permissions said yes, but something refused the new
        // file all the same: the per-user copy keeps the values instead.
        if (failure && failure->folderRefused && perUser_) {
            failure = write(*perUser_, *s, converted, besideProgram_);
        }
    } else {
        failure = write(*perUser_, *s, converted, besideProgram_);
    }
    if (failure) {
        return failure;
    }
    if (!leftOutText.isEmpty()) {
        return WriteFailure{writePath(), leftOutText + QLatin1String(kOthersSaved)};
    }
    return std::nullopt;
}

std::optional<modINI::WriteFailure> modINI::write(
    const std::filesystem::path& file, const std::string& section,
    const std::vector<ProfileEntry>& entries, const std::optional<std::filesystem::path>& seed) {
    const QString path = QDir::toNativeSeparators(QString::fromStdU16String(file.u16string()));
    if (seed) {
        // The per-user copy's folder may not exist yet.
        const std::filesystem::path folder = file.parent_path();
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (ec) {
            return WriteFailure{
                path,
                QStringLiteral("its folder %1 could not be created (%2)")
                    .arg(QDir::toNativeSeparators(QString::fromStdU16String(folder.u16string())),
                         QString::fromLocal8Bit(ec.message().c_str()))};
        }
    }
    const std::optional<ProfileWriteFailure> failure =
        writeProfileStrings(file, section, entries, seed);
    if (!failure) {
        return std::nullopt;
    }
    return WriteFailure{path, QString::fromLocal8Bit(failure->reason.c_str()),
                        failure->folderRefused};
}

}  // namespace lumidex
