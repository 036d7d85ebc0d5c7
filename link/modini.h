// The settings file "lumidex2.ini" beside the program's executable.
#pragma once

#include <QString>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

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

// The settings file's 8-bit text: Latin-1, or the ANSI code page on Windows.
// Empty when `text` holds a character the 8-bit set cannot represent.
std::optional<std::string> toProfileText(const QString& text);
QString fromProfileText(std::string_view bytes);

// Reads and writes keys of "lumidex2.ini" in one directory.
class modINI {
  public:
    // `appDir` is the directory that holds the file, with or without its final
    // separator (as AppDir() returns it, or a test's temporary directory).
    explicit modINI(const QString& appDir);

    // appDir + "lumidex2.ini".
    const QString& filePath() const { return filePath_; }

    // The key's value cut to 254 characters, or "" when the file, section or
    // key is missing or the value is empty.
    QString ReadIni(const QString& section, const QString& key) const;

    // Sets the key, adding it and its section when missing; the rest of the
    // file stays as it was. false when the value could not be stored (the file
    // then holds what it held before); callers may ignore it.
    bool WriteIni(const QString& section, const QString& key, const QString& value) const;

  private:
    QString filePath_;
    std::filesystem::path fsPath_;
};

}  // namespace lumidex
