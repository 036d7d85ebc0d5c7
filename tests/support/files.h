// Whole files, byte for byte, for tests that prepare or inspect them.
#pragma once

#include <QByteArray>
#include <QString>
#include <filesystem>
#include <string>
#include <string_view>

namespace lumidex::test {

// The file's bytes; empty when it is missing or cannot be read.
std::string fileBytes(const std::filesystem::path& file);
QByteArray fileBytes(const QString& path);

// Makes the file hold exactly `content`; fails the test when it cannot.
void writeFileBytes(const std::filesystem::path& file, std::string_view content);
void writeFileBytes(const QString& path, const QByteArray& content);

}  // namespace lumidex::test
