#include <QCoreApplication>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include "settings/modini.h"
#include "settings/portpins.h"
#include "support/files.h"
#include "support/unprivileged.h"

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace lumidex;

namespace {}  // namespace

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
        test::writeFileBytes(
            ini.filePath(),
            "; bench 2\n[Display]\nDigits=4\n\n[settings]\ncommport = 03\nSetting=9600,n,8,1\n"
            "; end\n[Other]\nSetting=x\n");
        QCOMPARE(ini.ReadIni("Settings", "CommPort"), QString("03"));
        QVERIFY(ini.WriteIni("Settings", "CommPort", "5"));
        QVERIFY(ini.WriteIni("Settings", "Setting", "19200,n,8,1"));
        QCOMPARE(test::fileBytes(ini.filePath()),
                 QByteArray("; bench 2\n[Display]\nDigits=4\n\n[settings]\ncommport=5\r\n"
                            "Setting=19200,n,8,1\r\n; end\n[Other]\nSetting=x\n"));
        QCOMPARE(ini.ReadIni("Settings", "CommPort"), QString("5"));
        QCOMPARE(ini.ReadIni("Settings", "Setting"), QString("19200,n,8,1"));
        QCOMPARE(ini.ReadIni("Settings", "Missing"), QString());
        // A stored value is read back as at most 254 characters.
        const QString longValue(300, u'x');
        QVERIFY(ini.WriteIni("Other", "Setting", longValue));
        QCOMPARE(ini.ReadIni("Other", "Setting"), longValue.left(254));
    }

    // A read-only program folder: the first run reads the shipped file and
    // saves to a per-user copy started from it; the next run reads that copy.
    void readOnlyProgramFolderUsesPerUserCopy() {
#ifdef Q_OS_UNIX
        QTemporaryDir top;
        const QString program = top.path() + "/program";
        const QString home = top.path() + "/home";
        QVERIFY(QDir().mkpath(program) && QDir().mkpath(home));
        const QByteArray shipped =
            "; shipped\r\n[Settings]\r\nCommPort=3\r\n[Ports]\r\nCOM2 = x\r\n";
        test::writeFileBytes(program + "/lumidex2.ini", shipped);
        ::chmod(top.path().toLocal8Bit().constData(), 0755);
        ::chmod(program.toLocal8Bit().constData(), 0555);
        ::chmod(home.toLocal8Bit().constData(), 0777);
        const QString copy = home + "/" + perUserFolderName(program) + "/lumidex2.ini";
        const int first = lumidex::test::runUnprivileged([&] {
            modINI ini(program, home);
            ini.Load();
            const bool ok = ini.readPath() == QDir::toNativeSeparators(program + "/lumidex2.ini") &&
                            ini.writePath() == QDir::toNativeSeparators(copy) &&
                            ini.ReadIni("Settings", "CommPort") == "3" &&
                            !ini.WriteIni("Settings", {{"CommPort", "5"},
                                                       { "Setting",
                                                         "19200,n,8,1" }});
            return ok ? 0 : 1;
        });
        const int second = lumidex::test::runUnprivileged([&] {
            modINI ini(program, home);
            ini.Load();
            return ini.readPath() == QDir::toNativeSeparators(copy) &&
                           ini.ReadIni("Settings", "CommPort") == "5" &&
                           ini.ReadIni("Settings", "Setting") == "19200,n,8,1"
                       ? 0
                       : 1;
        });
        // A per-user folder that cannot be created is named, with the reason.
        const QString blocked = top.path() + "/blocked";
        test::writeFileBytes(blocked, "a file where a folder should be");
        const int third = lumidex::test::runUnprivileged([&] {
            const auto failure = modINI(program, blocked).WriteIni("Settings", {{
                                                                       "CommPort",
                                                                       "6"
                                                                   }});
            const QString folder =
                QDir::toNativeSeparators(blocked + "/" + perUserFolderName(program));
            return failure && failure->reason.startsWith("its folder " + folder +
                                                         " could not be created (")
                       ? 0
                       : 1;
        });
        // A read-only file is locked: the save is refused and says so, and the
        // per-user copy neither takes the values nor is read instead.
        const QString shippedPath = QDir::toNativeSeparators(program + "/lumidex2.ini");
        ::chmod(shippedPath.toLocal8Bit().constData(), 0444);
        const int fourth = lumidex::test::runUnprivileged([&] {
            modINI ini(program, home);
            ini.Load();
            const auto failure = ini.WriteIni("Settings", {{ "CommPort", "6" }});
            return failure && failure->path == shippedPath &&
                           failure->reason == "it is read-only" &&
                           ini.ReadIni("Settings", "CommPort") == "3"
                       ? 0
                       : 1;
        });
        ::chmod(shippedPath.toLocal8Bit().constData(), 0644);
        ::chmod(program.toLocal8Bit().constData(), 0755);
        if (first < 0) {
            QSKIP("cannot switch to an unprivileged user to test permissions");
        }
        QCOMPARE(first, 0);
        QCOMPARE(second, 0);
        QCOMPARE(third, 0);
        QCOMPARE(fourth, 0);
        QCOMPARE(test::fileBytes(program + "/lumidex2.ini"), shipped);
        QCOMPARE(test::fileBytes(copy),
                 QByteArray("; shipped\r\n[Settings]\r\nCommPort=5\r\n"
                            "Setting=19200,n,8,1\r\n[Ports]\r\nCOM2 = x\r\n"));
#else
        QSKIP("permission bits are a POSIX matter");
#endif
    }

    // A per-user copy never shadows a program folder that allows a replace,
    // and each program folder has its own.
    void writableProgramFolderIsNotShadowed() {
        QTemporaryDir program;
        QTemporaryDir home;
        QVERIFY(perUserFolderName(program.path()) != perUserFolderName(home.path()));
        QCOMPARE(perUserFolderName(program.path() + "/"), perUserFolderName(program.path()));
        const QString copy = home.path() + "/" + perUserFolderName(program.path());
        QVERIFY(QDir().mkpath(copy));
        test::writeFileBytes(copy + "/lumidex2.ini", "[Settings]\nCommPort=9\n");
        test::writeFileBytes(program.path() + "/lumidex2.ini", "[Settings]\nCommPort=2\n");
        // Deciding which file to use writes nothing in the program folder.
        const QDateTime before = QFileInfo(program.path()).lastModified();
        QThread::msleep(30);  // past the file system's clock granularity
        modINI ini(program.path(), home.path());
        ini.Load();
        QCOMPARE(QFileInfo(program.path()).lastModified(), before);
        QCOMPARE(ini.ReadIni("Settings", "CommPort"), QString("2"));
        QCOMPARE(ini.writePath(), ini.filePath());
    }

    void portPins_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("port");  // 0: no pin
        QTest::newRow("pinned") << "COM2"
                                << "/dev/serial/by-id/usb-x" << 2;
        QTest::newRow("letter case") << "com10"
                                     << "/dev/pts/3" << 10;
        QTest::newRow("leading zero") << "COM02"
                                      << "/dev/x" << 0;
        QTest::newRow("zero") << "COM0"
                              << "/dev/x" << 0;
        QTest::newRow("no number") << "COMx"
                                   << "/dev/x" << 0;
        QTest::newRow("empty device") << "COM3"
                                      << "" << 0;
        QTest::newRow("other key") << "LPT1"
                                   << "/dev/x" << 0;
    }
    void portPins() {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(int, port);
        const PortPins pins = parsePortPins({{key, value}});
        QCOMPARE(int(pins.size()), port ? 1 : 0);
        if (port) {
            QCOMPARE(pins.at(port), value);
        }
    }

#ifndef Q_OS_WIN
    void latin1Text() {
        QTemporaryDir dir;
        const modINI ini(dir.path());
        QVERIFY(ini.WriteIni("Settings", "Setting", QString::fromUtf8("Zürich")));
        QCOMPARE(test::fileBytes(ini.filePath()),
                 QByteArray("[Settings]\r\nSetting=Z\xFCrich\r\n"));
        QCOMPARE(ini.ReadIni("Settings", "Setting"), QString::fromUtf8("Zürich"));
        // No 8-bit form: refused rather than stored as a different value.
        QVERIFY(!ini.WriteIni("Settings", "Setting", QString::fromUtf8("9600 €")));
        QCOMPARE(ini.ReadIni("Settings", "Setting"), QString::fromUtf8("Zürich"));
    }
#endif
};

QTEST_GUILESS_MAIN(TestModIni)
#include "test_modini.moc"
