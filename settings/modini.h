// The settings file "lumidex2.ini" of the program's folder.
#pragma once

#include <QString>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "settings/profile.h"

namespace lumidex {

inline constexpr char kIniFileName[] = "lumidex2.ini";
inline constexpr char kSettingsSection[] = "Settings";
inline constexpr char kCommPortKey[] = "CommPort";
inline constexpr char kSettingKey[] = "Setting";

// `dir` followed by one `separator`, unless it already ends in one, as a root
// directory ("/", "C:\") does. An empty `dir` stays empty rather than turning
// into the root directory.
QString withTrailingSeparator(const QString& dir, QChar separator);

// The directory that holds the program's executable (not the working
// directory), in native form and ending in one separator: "C:\Lumidex\",
// "/opt/lumidex/". Needs a QCoreApplication.
QString AppDir();

// Who the program is, as per-user locations name it.
struct ApplicationIdentity {
    QString organization;  // "Lumidex"
    QString application;   // "lumidex-app"
};

// The window's identity: lumidex-app, and every program that reads its
// settings file (lumidex-send), finds the per-user copy under it.
inline ApplicationIdentity lumidexAppIdentity() {
    return {QStringLiteral("Lumidex"), QStringLiteral("lumidex-app")};
}

// The folder that holds the program's per-user settings: the system's per-user
// configuration location followed by the organisation and the application
// (~/.config/Lumidex/lumidex-app on Linux, %LOCALAPPDATA%\Lumidex\lumidex-app
// on Windows). Empty when the system has no such location.
QString perUserSettingsRoot(const ApplicationIdentity& identity);

// The settings file's 8-bit text: Latin-1, or the ANSI code page on Windows.
// Empty when `text` holds a character the 8-bit set cannot represent.
std::optional<std::string> toProfileText(const QString& text);
QString fromProfileText(std::string_view bytes);

// The name of the folder, under the per-user settings location, that holds the
// per-user copy of the settings file for the program folder `appDir`: a
// readable tail of the folder's full path and a hash of all of it, so that
// program copies in different folders never share a per-user copy.
QString perUserFolderName(const QString& appDir);

// Reads and writes keys of "lumidex2.ini" for one program folder.
//
// Which file: when the program folder's permissions allow a safe replace (a
// new file beside the old one, then a rename), the file in that folder, as
// always. Otherwise a per-user copy under `perUserRoot` (perUserSettingsRoot;
// none when empty) in a folder named by perUserFolderName: reads use it when
// it exists, else the file in the program folder; writes go to it, and the
// first write starts it as a copy of the file in the program folder, so that
// file's other sections and comments carry over. A program folder that refuses
// the new file despite its permissions sends that save to the per-user copy
// too, which later reads then use for as long as it is the newer of the two.
// A file in the program folder that a save must leave alone (read-only, a
// link to nothing or to something other than a file) is always the one used:
// reads use it, and writes are refused with the reason. Deciding writes
// nothing.
class modINI {
  public:
    // `appDir` is the program folder, with or without its final separator (as
    // AppDir() returns it, or a test's temporary directory).
    explicit modINI(const QString& appDir, const QString& perUserRoot = QString());

    // appDir + "lumidex2.ini".
    const QString& filePath() const { return filePath_; }
    // The file reads use and the file writes go to (see above).
    QString readPath() const;
    QString writePath() const;

    // Reads the file once and keeps its text for every later ReadIni and
    // ReadSection. A file above 1 MiB, or one that cannot be read, counts as
    // unusable: it reads as empty, and no write replaces it.
    void Load();
    // Why the loaded file is unusable; empty when it is usable or missing.
    QString problem() const;

    // The key's value cut to 254 characters, or "" when the file, section or
    // key is missing or the value is empty. Uses the loaded text, or reads the
    // file now when nothing was loaded.
    QString ReadIni(const QString& section, const QString& key) const;
    // The section's keys and values in file order, as ReadIni reads them.
    std::vector<std::pair<QString, QString>> ReadSection(const QString& section) const;

    // Sets the key, adding it and its section when missing; the rest of the
    // file stays as it was. false when the value could not be stored (the file
    // then holds what it held before).
    bool WriteIni(const QString& section, const QString& key, const QString& value) const;

    // Why a write stored nothing: the file concerned and the reason, in plain
    // words ("it is larger than 1 MiB").
    struct WriteFailure {
        QString path;
        QString reason;
        bool folderRefused = false;  // the file's folder refused a new file
    };

    // Sets each key in order in one replace of the file (see
    // writeProfileStrings). None on success. Refuses without writing when the
    // loaded file was unusable.
    std::optional<WriteFailure> WriteIni(
        const QString& section, const std::vector<std::pair<QString, QString>>& entries) const;

  private:
    const ProfileFile& text() const;
    bool perUserCopyRead() const;
    // Sets the entries in `file`; a missing file starts as a copy of `seed`,
    // in a folder created when needed.
    static std::optional<WriteFailure> write(const std::filesystem::path& file,
                                             const std::string& section,
                                             const std::vector<ProfileEntry>& entries,
                                             const std::optional<std::filesystem::path>& seed);

    QString filePath_;
    std::filesystem::path besideProgram_;
    bool besideWritable_ = true;                    // writes go to the file in the program folder
    bool besideLocked_ = false;                     // that file refuses saves (see above)
    std::optional<std::filesystem::path> perUser_;  // none without a per-user location
    std::optional<ProfileFile> loaded_;
    mutable ProfileFile once_;  // a read made without Load
};

}  // namespace lumidex
