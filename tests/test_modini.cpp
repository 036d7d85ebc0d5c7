#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "link/modini.h"

using namespace lumidex;

namespace {

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void setContent(const QString& path, const QByteArray& content) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

}  // namespace

class TestModIni : public QObject {
    Q_OBJECT

  private slots:
    void trailingSeparator_data() {
        QTest::addColumn<QString>("dir");
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<QString>("expected");
        QTest::newRow("posix root") << "/" << QChar('/') << "/";
        QTest::newRow("posix directory") << "/opt/lumidex" << QChar('/') << "/opt/lumidex/";
        QTest::newRow("already ends in one") << "/opt/lumidex/" << QChar('/') << "/opt/lumidex/";
        QTest::newRow("drive root") << "C:\\" << QChar('\\') << "C:\\";
        QTest::newRow("windows directory") << "C:\\Lumidex" << QChar('\\') << "C:\\Lumidex\\";
        QTest::newRow("empty stays empty") << "" << QChar('/') << "";
    }
    void trailingSeparator() {
        QFETCH(QString, dir);
        QFETCH(QChar, separator);
        QFETCH(QString, expected);
        QCOMPARE(withTrailingSeparator(dir, separator), expected);
    }

    void appDirIsTheProgramsDirectory() {
        const QString dir = AppDir();
        QVERIFY(dir.endsWith(QDir::separator()));
        QCOMPARE(QDir(dir).canonicalPath(),
                 QDir(QCoreApplication::applicationDirPath()).canonicalPath());
    }

    void filePathWithOrWithoutSeparator() {
        QTemporaryDir dir;
        const QString expected = QDir::toNativeSeparators(dir.path() + "/lumidex2.ini");
        QCOMPARE(modINI(dir.path()).filePath(), expected);
        QCOMPARE(modINI(dir.path() + "/").filePath(), expected);
    }

    // A run that picked COM5 and 19200 leaves exactly those two values changed.
    void shutDownWritesKeepTheRestOfTheFile() {
        QTemporaryDir dir;
        const modINI ini(dir.path());
        QCOMPARE(ini.ReadIni("Settings", "CommPort"), QString());  // no file yet
        setContent(
            ini.filePath(),
            "; bench 2\n[Display]\nDigits=4\n\n[settings]\ncommport = 03\nSetting=9600,n,8,1\n"
            "; end\n[Other]\nSetting=x\n");
        QCOMPARE(ini.ReadIni("Settings", "CommPort"), QString("03"));
        QVERIFY(ini.WriteIni("Settings", "CommPort", "5"));
        QVERIFY(ini.WriteIni("Settings", "Setting", "19200,n,8,1"));
        QCOMPARE(contentOf(ini.filePath()),
                 QByteArray("; bench 2\n[Display]\nDigits=4\n\n[settings]\ncommport=5\r\n"
                            "Setting=19200,n,8,1\r\n; end\n[Other]\nSetting=x\n"));
        QCOMPARE(ini.ReadIni("Settings", "CommPort"), QString("5"));
        QCOMPARE(ini.ReadIni("Settings", "Setting"), QString("19200,n,8,1"));
        QCOMPARE(ini.ReadIni("Settings", "Missing"), QString());
    }

#ifndef Q_OS_WIN
    void latin1Text() {
        QTemporaryDir dir;
        const modINI ini(dir.path());
        QVERIFY(ini.WriteIni("Settings", "Setting", QString::fromUtf8("Zürich")));
        QCOMPARE(contentOf(ini.filePath()), QByteArray("[Settings]\r\nSetting=Z\xFCrich\r\n"));
        QCOMPARE(ini.ReadIni("Settings", "Setting"), QString::fromUtf8("Zürich"));
        // No 8-bit form: refused rather than stored as a different value.
        QVERIFY(!ini.WriteIni("Settings", "Setting", QString::fromUtf8("9600 €")));
        QCOMPARE(ini.ReadIni("Settings", "Setting"), QString::fromUtf8("Zürich"));
    }
#endif
};

QTEST_GUILESS_MAIN(TestModIni)
#include "test_modini.moc"
