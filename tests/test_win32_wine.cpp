// The Windows serial port and text conversion under Wine, watched from this
// side. The Windows program lumidex-portdriver drives Win32SerialPort and the
// transmitter through Wine COM ports whose devices are real pseudo-terminals:
// a lumidex-monitor's, which decodes what arrives, or one made here; and
// lumidex-send.exe sends a script the same way. Runs in
// `make test-windows`, which provides the Wine prefix (WINEPREFIX), a command
// that runs a Windows program under it (LUMIDEX_WINE_RUN) and the Windows
// build (LUMIDEX_WINDOWS_BUILD); without them every test skips.
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "support/monitorprocess.h"
#include "support/pty.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#endif

using lumidex::test::Monitor;
using lumidex::test::PseudoTerminal;

namespace {

// Every command code, with the bytes a terminal or flow control would act on
// (00, 0A, 11, 13, FF), as the monitor decodes it.
const std::pair<const char*, const char*> kFrames[] = {
    {"FF61000A1113", "UID 255  segments 00 0A 11 13"},
    {"1162000A13FF", "UID 17  text \"\\x00\\x0A\\x13\u00ff\""},
    {"13630A", "UID 19  decimal points on digits 4 and 2"},
    {"0A641234", "UID 10  BCD 1234"},
    {"00661113", "UID 0  unsigned integer 0x1113 (4371)"},
    {"FF67FFFF", "UID 255  signed integer 0xFFFF (-1)"},
    {"136E", "UID 19  brightness toggle"},
    {"FF7213", "UID 255  recall screen from memory 19"},
    {"00730A", "UID 0  save screen to memory 10"},
    {"1E1E241108000008",
     "UID 30  configure: baud 9600, new UID 17, start-up decimal points on digits 4 and 1"},
};

// "FF6E" as the transmitter echoes it: "FF 6E ".
QString echoOf(const QString& hex) {
    QString echo;
    for (int i = 0; i < hex.size(); i += 2) {
        echo += hex.mid(i, 2) + ' ';
    }
    return echo;
}

#ifdef Q_OS_UNIX
// A descriptor of a device opened here, closed at the end of the scope.
struct Fd {
    int fd;
    ~Fd() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};
#endif

}  // namespace

class TestWine : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void framesArriveUnchanged_data();
    void framesArriveUnchanged();
    void openFailsPlainlyAndStaysClosed();
    void unplugFailsTheNextByteAndAReopenWorks();
    void portHeldByAnotherProgramIsRefused();
    void deviceTakingNothingFailsQuicklyAndLosesNothing();
    void ansiText_data();
    void ansiText();
    void senderScriptArrivesDecoded();

  private:
    // Starts a Windows program of the Windows build's tests folder under Wine.
    void startWine(QProcess& process, const QString& program, const QStringList& args = {},
                   const QProcessEnvironment& extra = {});
    void startDriver(QProcess& process) { startWine(process, "lumidex-portdriver.exe"); }
    // Points COMn of the prefix at `device`. The ports used here start at
    // COM41, clear of those the Windows test programs take from COM3 up.
    void linkCom(int n, const QString& device);

    QString run_;
    QString tests_;
    QTemporaryDir dir_;
};

// A Windows program driving the port, one command and one answer a line.
class Driver {
  public:
    QProcess process;

    ~Driver() {
        process.closeWriteChannel();
        if (!process.waitForFinished(10000)) {
            process.kill();
            process.waitForFinished(5000);
        }
    }

    QString ask(const QString& command, int ms = 30000) {
        process.write((command + '\n').toUtf8());
        const QDeadlineTimer deadline(ms);
        while (!process.canReadLine() && !deadline.hasExpired() &&
               process.state() == QProcess::Running) {
            process.waitForReadyRead(int(std::max<qint64>(deadline.remainingTime(), 1)));
        }
        if (!process.canReadLine()) {
            return "<no answer> " + QString::fromUtf8(process.readAllStandardError());
        }
        return QString::fromUtf8(process.readLine()).trimmed();
    }
};

void TestWine::startWine(QProcess& process, const QString& program, const QStringList& args,
                         const QProcessEnvironment& extra) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& key : extra.keys()) {
        env.insert(key, extra.value(key));
    }
    process.setProcessEnvironment(env);
    process.start(run_, QStringList{QDir(tests_).filePath(program)} + args);
    process.waitForStarted(10000);
}

void TestWine::linkCom(int n, const QString& device) {
    const QString link =
        qEnvironmentVariable("WINEPREFIX") + QStringLiteral("/dosdevices/com%1").arg(n);
    QFile::remove(link);
    QVERIFY2(QFile::link(device, link), qPrintable(link));
}

void TestWine::initTestCase() {
#ifndef Q_OS_UNIX
    QSKIP("runs Windows programs under Wine on a POSIX host");
#else
    run_ = qEnvironmentVariable("LUMIDEX_WINE_RUN");
    if (run_.isEmpty()) {
        QSKIP("needs LUMIDEX_WINE_RUN: run through make test-windows");
    }
    tests_ = qEnvironmentVariable("LUMIDEX_WINDOWS_BUILD");
    QVERIFY2(QFile::exists(tests_ + "/lumidex-portdriver.exe"), qPrintable(tests_));
    QVERIFY(QFile::exists(qEnvironmentVariable("WINEPREFIX") + "/dosdevices"));
    QVERIFY2(QFile::exists(lumidex::test::monitorPath()), "lumidex-monitor is not built");
#endif
}

void TestWine::framesArriveUnchanged_data() {
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("speed");  // what the device sees
#ifdef Q_OS_UNIX
    QTest::newRow("9600") << 9600 << int(B9600);
    QTest::newRow("19200") << 19200 << int(B19200);
    QTest::newRow("38400") << 38400 << int(B38400);
#endif
}

void TestWine::framesArriveUnchanged() {
#ifdef Q_OS_UNIX
    QFETCH(int, baud);
    QFETCH(int, speed);
    Monitor monitor;
    QVERIFY(monitor.start({"--pty"}));
    QVERIFY(monitor.waitForLines(1));
    const QString device = monitor.lines[0].section(' ', 2);
    linkCom(41, device);
    const Fd slave{::open(device.toLocal8Bit().constData(), O_RDONLY | O_NOCTTY | O_CLOEXEC)};
    termios mode{};
    // Flow control left on by another program: a module without those lines
    // would receive nothing, so opening turns all of it off.
    QVERIFY(::tcgetattr(slave.fd, &mode) == 0);
    mode.c_cflag |= CRTSCTS;
    mode.c_iflag |= IXON | IXOFF;
    QVERIFY(::tcsetattr(slave.fd, TCSANOW, &mode) == 0);

    Driver driver;
    startDriver(driver.process);
    QCOMPARE(driver.ask(QStringLiteral("open 41 %1,n,8,1").arg(baud)), QString("ok"));
    QVERIFY(::tcgetattr(slave.fd, &mode) == 0);
    QCOMPARE(int(::cfgetospeed(&mode)), speed);
    QCOMPARE(mode.c_cflag & CSTOPB, tcflag_t(0));
    QCOMPARE(mode.c_cflag & CRTSCTS, tcflag_t(0));
    QCOMPARE(mode.c_iflag & (IXON | IXOFF), tcflag_t(0));
    QStringList expected;
    for (const auto& [hex, decoded] : kFrames) {
        QCOMPARE(driver.ask(QStringLiteral("send %1").arg(hex)), "ok " + echoOf(hex).trimmed());
        expected << QString::fromUtf8(decoded);
    }
    QVERIFY(monitor.waitForLines(1 + int(expected.size())));
    QCOMPARE(monitor.frames(), expected);
    QCOMPARE(driver.ask("close"), QString("ok"));
#endif
}

// Every refused open leaves the port closed, and a port open on a device
// keeps it when opened again. COM43 needs the \\.\ form of the name.
void TestWine::openFailsPlainlyAndStaysClosed() {
#ifdef Q_OS_UNIX
    PseudoTerminal pty;
    linkCom(43, pty.slavePath());
    const QString file = dir_.filePath("plain-file");
    QFile(file).open(QIODevice::WriteOnly);
    linkCom(44, file);

    const QString refused =
        "error port COM43 could not be opened: it is not a serial device or "
        "does not accept settings ";
    const std::pair<QString, QString> cases[] = {
        {"open 47 9600,n,8,1", "error port COM47 could not be opened: no such device"},
        {"open 43 9600,x,8,1",
         "error settings \"9600,x,8,1\" are not valid: parity must be n, e, o, m or s"},
        // Wine runs a rate its host lacks at 38400, and 1.5 stop bits as 2.
        {"open 43 12345,n,8,1",
         refused + "\"12345,n,8,1\" (the driver would run the line as 38400,n,8,1)"},
        {"open 43 9600,n,8,1.5",
         refused + "\"9600,n,8,1.5\" (the driver would run the line as 9600,n,8,2)"},
        {"open 44 9600,n,8,1", "error port COM44 could not be opened: it is not a serial device"},
    };
    Driver driver;
    startDriver(driver.process);
    for (const auto& [command, error] : cases) {
        const QString answer = driver.ask(command);
        QVERIFY2(answer.startsWith(error), qPrintable(command + ": " + answer));
        QVERIFY(driver.ask("send 00").endsWith(" port is not open"));
    }
    // A device pinned as a port opens by its name.
    QCOMPARE(driver.ask("open 3 19200,n,8,1 COM43"), QString("ok"));
    QCOMPARE(driver.ask("open 3 9600,n,8,1"),
             QString("error port COM3 (\\\\.\\COM43) is already open"));
    QCOMPARE(driver.ask("send FF6E"), QString("ok FF 6E"));
    QCOMPARE(pty.readAvailable(300), QByteArray("\xFF\x6E"));
#endif
}

void TestWine::unplugFailsTheNextByteAndAReopenWorks() {
#ifdef Q_OS_UNIX
    Driver driver;
    startDriver(driver.process);
    {
        Monitor monitor;
        QVERIFY(monitor.start({"--pty"}));
        QVERIFY(monitor.waitForLines(1));
        linkCom(45, monitor.lines[0].section(' ', 2));
        QCOMPARE(driver.ask("open 45 9600,n,8,1"), QString("ok"));
        QCOMPARE(driver.ask("send FF6E"), QString("ok FF 6E"));
        QVERIFY(monitor.waitForLines(2));
        monitor.process.kill();  // the device goes away with its pseudo-terminal
        QVERIFY(monitor.process.waitForFinished(5000));
    }
    // A frame finds no room, and a byte on its own fails too.
    const QString failure = driver.ask("send FF6E");
    QVERIFY2(failure.startsWith("error 0 ") &&
                 failure.contains("port COM45 could not send 2 bytes: the device is no longer "
                                  "available ("),
             qPrintable(failure));
    const QString byte = driver.ask("output FF");
    QVERIFY2(byte.startsWith("error port COM45 could not send the byte FF: the device is no "
                             "longer available ("),
             qPrintable(byte));
    QCOMPARE(driver.ask("close"), QString("ok"));

    Monitor monitor;
    QVERIFY(monitor.start({"--pty"}));
    QVERIFY(monitor.waitForLines(1));
    linkCom(45, monitor.lines[0].section(' ', 2));
    QCOMPARE(driver.ask("open 45 9600,n,8,1"), QString("ok"));
    QCOMPARE(driver.ask("send FF6E"), QString("ok FF 6E"));
    QVERIFY(monitor.waitForLines(2));
    QCOMPARE(monitor.frames(), QStringList{"UID 255  brightness toggle"});
#endif
}

// Wine lets two of its own programs open one COM port, so the holder here is
// a program on the host that took the device for itself. (The session runs
// Wine's server without root's power to pass such a lock.)
void TestWine::portHeldByAnotherProgramIsRefused() {
#ifdef Q_OS_UNIX
    PseudoTerminal pty;
    const Fd holder{
        ::open(pty.slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC)};
    QCOMPARE(::ioctl(holder.fd, TIOCEXCL), 0);
    linkCom(46, pty.slavePath());

    Driver driver;
    startDriver(driver.process);
    const QString refused = driver.ask("open 46 9600,n,8,1");
    QVERIFY2(refused.startsWith(
                 "error port COM46 could not be opened: permission denied or the port is in use ("),
             qPrintable(refused));
    const QString closed = driver.ask("send FF6E");
    QVERIFY2(closed.startsWith("error 0 ") && closed.endsWith(" port is not open"),
             qPrintable(closed));

    QCOMPARE(::ioctl(holder.fd, TIOCNXCL), 0);
    QCOMPARE(driver.ask("open 46 9600,n,8,1"), QString("ok"));
    QCOMPARE(driver.ask("send FF6E"), QString("ok FF 6E"));
    QCOMPARE(pty.readAvailable(300), QByteArray("\xFF\x6E"));
#endif
}

// Nobody reads the device, so its buffer fills up and the driver stops
// taking bytes: the byte that finds no room fails within the click's budget,
// and exactly the bytes reported sent reach the device, none later.
void TestWine::deviceTakingNothingFailsQuicklyAndLosesNothing() {
#ifdef Q_OS_UNIX
    PseudoTerminal pty;
    linkCom(48, pty.slavePath());
    Driver driver;
    startDriver(driver.process);
    QCOMPARE(driver.ask("open 48 38400,n,8,1"), QString("ok"));

    const QString failure = driver.ask("send 1E1E241108000008 100000", 120000);
    const QStringList parts = failure.split(' ');
    QVERIFY2(parts.size() > 3 && parts[0] == "error", qPrintable(failure));
    QVERIFY2(failure.contains("port COM48 could not send") &&
                 failure.contains("the device is not taking data"),
             qPrintable(failure));
    QVERIFY2(parts[2].toInt() < 250, qPrintable(failure));
    QCOMPARE(pty.readAvailable(300).size(), parts[1].toInt());

    QCOMPARE(driver.ask("send FF6E"), QString("ok FF 6E"));
    QCOMPARE(pty.readAvailable(300), QByteArray("\xFF\x6E"));
#endif
}

void TestWine::ansiText_data() {
    QTest::addColumn<QString>("codePage");
    QTest::addColumn<QString>("locale");  // empty: UTF-8 through the program's manifest
    QTest::newRow("1252") << "1252"
                          << "en_US";
    QTest::newRow("932") << "932"
                         << "ja_JP";
    QTest::newRow("UTF-8") << "65001"
                           << "";
}

// Wine takes its code page from the host's locale, or from a manifest beside
// the program; the program checks it got the one named.
void TestWine::ansiText() {
    QFETCH(QString, codePage);
    QFETCH(QString, locale);
    QProcessEnvironment extra;
    extra.insert("LUMIDEX_EXPECT_ACP", codePage);
    QString program = "test_ansi_win.exe";
    if (locale.isEmpty()) {
        program = dir_.filePath(program);
        QFile::remove(program);
        QVERIFY(QFile::copy(QDir(tests_).filePath("test_ansi_win.exe"), program));
        QFile manifest(program + ".manifest");
        QVERIFY(manifest.open(QIODevice::WriteOnly));
        manifest.write(R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<assembly manifestVersion="1.0" xmlns="urn:schemas-microsoft-com:asm.v1">
  <application><windowsSettings>
    <activeCodePage xmlns="http://schemas.microsoft.com/SMI/2019/WindowsSettings">UTF-8</activeCodePage>
  </windowsSettings></application>
</assembly>
)");
    } else {
        // Generated here, so the host needs no installed locale.
        const QString path = dir_.filePath(locale + ".UTF-8");
        QProcess localedef;
        localedef.start("localedef", {"-i", locale, "-f", "UTF-8", path});
        QVERIFY2(
            localedef.waitForFinished(120000) && localedef.exitCode() <= 1 && QFile::exists(path),
            localedef.readAllStandardError().constData());
        extra.insert("LOCPATH", dir_.path());
        extra.insert("LC_ALL", locale + ".UTF-8");
    }
    QProcess run;
    startWine(run, program, {}, extra);
    QVERIFY(run.waitForFinished(60000));
    const QByteArray output = run.readAllStandardOutput();
    QVERIFY2(run.exitCode() == 0 &&
                 QRegularExpression("Totals: [1-9]\\d* passed, 0 failed").match(output).hasMatch(),
             output.constData());
}

// lumidex-send.exe, a feed on its standard input (a pipe), through COM49:
// each line goes out as it arrives.
void TestWine::senderScriptArrivesDecoded() {
#ifdef Q_OS_UNIX
    Monitor monitor;
    QVERIFY(monitor.start({"--pty"}));
    QVERIFY(monitor.waitForLines(1));
    linkCom(49, monitor.lines[0].section(' ', 2));
    QProcess send;
    startWine(send, "lumidex-send.exe", {"--port", "COM49", "--baud", "19200", "--script", "-"});
    send.write("# a short script\nuid 7\ntext HELO\n");
    QVERIFY(send.waitForBytesWritten(10000));
    QVERIFY2(monitor.waitForLines(2, 30000), "the first line was not sent as it arrived");
    send.write("wait 50\nconfig 8 38400 9\nbright\n");
    send.closeWriteChannel();
    QVERIFY(send.waitForFinished(60000));
    QVERIFY2(send.exitCode() == 0, send.readAllStandardError().constData());
    QCOMPARE(send.readAllStandardOutput().replace('\r', ""),
             QByteArray("07 62 48 45 4C 4F \n1E 1E 09 08 08 00 00 08 \n07 6E \n"));
    QVERIFY(monitor.waitForLines(4));
    QCOMPARE(monitor.frames(),
             (QStringList{"UID 7  text \"HELO\"",
                          "UID 30  configure: baud 38400, new UID 8, start-up decimal points on "
                          "digits 4 and 1",
                          "UID 7  brightness toggle"}));
#endif
}

QTEST_GUILESS_MAIN(TestWine)
#include "test_win32_wine.moc"
