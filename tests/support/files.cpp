#include "support/files.h"

#include <QFile>
#include <QTest>

namespace lumidex::test {

namespace {

QString pathOf(const std::filesystem::path& file) {
    return QString::fromStdU16String(file.u16string());
}

}  // namespace

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::string fileBytes(const std::filesystem::path& file) {
    return fileBytes(pathOf(file)).toStdString();
}

void writeFileBytes(const QString& path, const QByteArray& content) {
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path + ": " + file.errorString()));
    QCOMPARE(file.write(content), qint64(content.size()));
}

void writeFileBytes(const std::filesystem::path& file, std::string_view content) {
    writeFileBytes(pathOf(file), QByteArray(content.data(), qsizetype(content.size())));
}

}  // namespace lumidex::test
