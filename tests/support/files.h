// Reading and writing whole files in tests.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace lumidex::test {

// Replaces the file's content; false when it cannot be written.
inline bool writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// The file's content, or "<missing>" when it cannot be read.
inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

}  // namespace lumidex::test
