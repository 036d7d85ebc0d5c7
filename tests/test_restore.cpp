// The stored port and settings through a real start-up and close: what the
// lists select, what the serial port is given, and what is written back.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

#include "support/files.h"
#include "support/recordingport.h"
#include "support/window.h"

using namespace lumidex;
using namespace lumidex::test;

namespace {

// Makes a hostile settings file at the given path.
using Prepare = std::function<void(const QString& ini)>;

}  // namespace

// Declared under its alias: the spelled-out type is not a normalized name,
// which builds with assertions refuse.
Q_DECLARE_METATYPE(Prepare)

class RestoreTest : public QObject {
    Q_OBJECT
  private slots:
    void startUpSelectsStoredValues_data();
    void startUpSelectsStoredValues();
    void operatorsChoiceIsWrittenAndTheRestKept();
    void firstRunCreatesTheFile();
    void hostileSettingsFileStillStarts_data();
    void hostileSettingsFileStillStarts();
    void symbolicLinkIsWrittenThrough();
};

void RestoreTest::startUpSelectsStoredValues_data() {
    QTest::addColumn<QByteArray>("file");  // empty: no file at all
    QTest::addColumn<QString>("port");     // list text shown
    QTest::addColumn<int>("baudPosition");
    QTest::addColumn<QString>("commPortValue");
    QTest::addColumn<QString>("settingValue");
    QTest::addColumn<QByteArray>("written");  // the two keys after closing
    auto file = [](const char* port, const char* setting) {
        return QByteArray("[Settings]\r\nCommPort=") + port + "\r\nSetting=" + setting + "\r\n";
    };
    QTest::newRow("3 9600") << file("3", "9600,n,8,1") << "COM3" << 0 << "3"
                            << "9600,n,8,1" << file("3", "9600,n,8,1");
    QTest::newRow("10 38400") << file("10", "38400,n,8,1") << "COM10" << 2 << "10"
                              << "38400,n,8,1" << file("10", "38400,n,8,1");
    QTest::newRow("03 19200,e,7,2") << file("03", "19200,e,7,2") << "COM3" << 1 << "3"
                                    << "19200,n,8,1" << file("3", "19200,n,8,1");
    QTest::newRow("2.5 rounds to even") << file("2.5", "9600,n,8,1") << "COM3" << 0 << "3"
                                        << "9600,n,8,1" << file("3", "9600,n,8,1");
    QTest::newRow("unknown baud 10 chars") << file("1", "4800,n,8,1") << "COM1" << -1 << "1"
                                           << "4800,n,8,1" << file("1", "4800,n,8,1");
    QTest::newRow("unknown baud other length") << file("1", "115200,n,8,1") << "COM1" << -1 << "1"
                                               << "115200,n,8,1" << file("1", "115200,n,8,1");
    QTest::newRow("no file") << QByteArray() << "COM1" << 0 << "1"
                             << "9600,n,8,1" << file("1", "9600,n,8,1");
    QTest::newRow("empty values") << file("", "") << "COM1" << 0 << "1"
                                  << "9600,n,8,1" << file("1", "9600,n,8,1");
    QTest::newRow("not a number") << file("abc", "19200,n,8,1") << "COM1" << 1 << "1"
                                  << "19200,n,8,1" << file("1", "19200,n,8,1");
    QTest::newRow("port 11") << file("11", "9600,n,8,1") << "COM1" << 0 << "1"
                             << "9600,n,8,1" << file("1", "9600,n,8,1");
    QTest::newRow("port 0") << file("0", "9600,n,8,1") << "COM1" << 0 << "1"
                            << "9600,n,8,1" << file("1", "9600,n,8,1");
    QTest::newRow("case and blanks")
        << QByteArray("[settings]\ncommport = 7 \nSETTING=38400,n,8,1\n") << "COM7" << 2 << "7"
        << "38400,n,8,1" << QByteArray("[settings]\ncommport=7\r\nSETTING=38400,n,8,1\r\n");
}

void RestoreTest::startUpSelectsStoredValues() {
    QFETCH(QByteArray, file);
    QFETCH(QString, port);
    QFETCH(int, baudPosition);
    QFETCH(QString, commPortValue);
    QFETCH(QString, settingValue);
    QFETCH(QByteArray, written);
    QTemporaryDir dir;
    const QString ini = dir.path() + "/lumidex2.ini";
    if (!file.isEmpty()) {
        writeFileBytes(ini, file);
    }
    RecordingPort serial;
    WindowDriver ui(serial, dir.path() + "/");
    QCOMPARE(ui.text("cboComm"), port);
    QCOMPARE(ui.list("cboBaud")->currentIndex(), baudPosition);
    QCOMPARE(ui.window().CommPortValue(), commPortValue);
    QCOMPARE(ui.window().SettingValue(), settingValue);
    // The port was given the values last, and was not opened.
    const auto& calls = serial.calls;
    QVERIFY(calls.size() >= 2);
    QCOMPARE(calls[calls.size() - 2], "CommPort=" + commPortValue.toStdString());
    QCOMPARE(calls.back(), "Settings=" + settingValue.toStdString());
    QVERIFY(!serial.PortOpen());
    QVERIFY(serial.bytes.empty());
    // Nothing is written before the window closes.
    QCOMPARE(fileBytes(ini), file);
    ui.close();
    QCOMPARE(fileBytes(ini), written);
}

void RestoreTest::operatorsChoiceIsWrittenAndTheRestKept() {
    QTemporaryDir dir;
    const QString ini = dir.path() + "/lumidex2.ini";
    const QByteArray before =
        "; bench 4\r\n[Other]\r\nkey = value ; not a comment\r\n\r\n"
        "[Settings]\r\nCommPort=3\r\n; keep me\r\nSetting=9600,n,8,1\r\nExtra=1\n[Last]\rx=y";
    writeFileBytes(ini, before);
    RecordingPort serial;
    WindowDriver ui(serial, dir.path() + "/");
    QCOMPARE(ui.text("cboComm"), QString("COM3"));
    ui.pick("cboComm", 4);
    ui.pick("cboBaud", 1);
    ui.click("cmdConnect");
    ui.close();  // closing while connected writes the file and sends nothing
    QVERIFY(serial.bytes.empty());
    QByteArray expected = before;
    expected.replace("CommPort=3", "CommPort=5");
    expected.replace("Setting=9600,n,8,1", "Setting=19200,n,8,1");
    QCOMPARE(fileBytes(ini), expected);
}

void RestoreTest::firstRunCreatesTheFile() {
    QTemporaryDir dir;
    RecordingPort serial;
    {
        WindowDriver ui(serial, dir.path() + "/");
        ui.pick("cboComm", 9);
        ui.pick("cboBaud", 2);
        ui.close();
    }
    // The next start-up finds what the last one chose.
    RecordingPort again;
    WindowDriver ui(again, dir.path() + "/");
    QCOMPARE(ui.text("cboComm"), QString("COM10"));
    QCOMPARE(ui.text("cboBaud"), QString("38400"));
    QCOMPARE(again.CommPort(), std::int16_t(10));
    QCOMPARE(again.settings, std::string("38400,n,8,1"));
}

void RestoreTest::hostileSettingsFileStillStarts_data() {
    QTest::addColumn<Prepare>("prepare");
    QTest::addColumn<bool>("writable");  // the close can store the new values
    QTest::newRow("directory") << Prepare([](const QString& ini) { QDir().mkpath(ini); }) << false;
    QTest::newRow("binary garbage") << Prepare([](const QString& ini) {
        QByteArray junk;
        for (int i = 0; i < 4096; ++i) {
            junk += char((i * 7919) % 256);
        }
        writeFileBytes(ini, junk);
    }) << true;
    QTest::newRow("NUL byte") << Prepare([](const QString& ini) {
        writeFileBytes(ini, QByteArray("[Settings]\r\nCommPort=\0"
                                       "4\r\nSetting=\0\r\n",
                                       36));
    }) << true;
    QTest::newRow("above 1 MiB") << Prepare([](const QString& ini) {
        writeFileBytes(ini, "[Settings]\r\nCommPort=2\r\n;" + QByteArray(1 << 20, '9') + "\r\n");
    }) << false;
}

// Whatever is in the way, start-up succeeds on COM1 at 9600 and nothing crashes;
// a close that cannot write leaves what was there and says so.
void RestoreTest::hostileSettingsFileStillStarts() {
    QFETCH(Prepare, prepare);
    QFETCH(bool, writable);
    QTemporaryDir dir;
    const QString ini = dir.path() + "/lumidex2.ini";
    prepare(ini);
    const QByteArray before = fileBytes(ini);
    RecordingPort serial;
    WindowDriver ui(serial, dir.path() + "/");
    QCOMPARE(ui.text("cboComm"), QString("COM1"));
    QCOMPARE(ui.window().CommPortValue(), QString("1"));
    QCOMPARE(serial.CommPort(), std::int16_t(1));
    QVERIFY(ui.takeMessages().isEmpty());
    ui.pick("cboComm", 1);
    ui.close();
    if (writable) {
        RecordingPort again;
        WindowDriver next(again, dir.path() + "/");
        QCOMPARE(next.text("cboComm"), QString("COM2"));
    } else {
        QCOMPARE(fileBytes(ini), before);
        QCOMPARE(QFileInfo(ini).isDir(), before.isEmpty());
        const QStringList messages = ui.takeMessages();
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].startsWith("The port and baud rate were not saved to " +
                                        QDir::toNativeSeparators(ini) + ": "),
                 qPrintable(messages[0]));
    }
}

void RestoreTest::symbolicLinkIsWrittenThrough() {
#ifdef Q_OS_WIN
    QSKIP("QFile::link makes a shortcut on Windows, not a link");
#endif
    QTemporaryDir dir;
    const QString real = dir.path() + "/real.ini";
    const QString ini = dir.path() + "/lumidex2.ini";
    writeFileBytes(real, "[Settings]\r\nCommPort=6\r\nSetting=19200,n,8,1\r\n");
    QVERIFY(QFile::link(real, ini));
    RecordingPort serial;
    {
        WindowDriver ui(serial, dir.path() + "/");
        QCOMPARE(ui.text("cboComm"), QString("COM6"));
        ui.pick("cboComm", 7);
        ui.close();
    }
    QVERIFY(QFileInfo(ini).isSymLink());
    QCOMPARE(fileBytes(real), QByteArray("[Settings]\r\nCommPort=8\r\nSetting=19200,n,8,1\r\n"));
}

QTEST_MAIN(RestoreTest)
#include "test_restore.moc"
