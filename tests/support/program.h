// Where the build puts the project's programs, for tests that run them.
#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QString>

namespace lumidex::test {

// The path of program `name` (such as "lumidex-monitor"), built beside the
// tests' folder.
inline QString builtProgram(const QString& name) {
    QString path = QDir(QCoreApplication::applicationDirPath()).filePath("../" + name);
#ifdef Q_OS_WIN
    path += ".exe";
#endif
    return QDir::cleanPath(path);
}

}  // namespace lumidex::test
