// The lumidex-monitor program, run as a separate process: its arguments and
// exit codes, and frames written to a real pseudo-terminal coming back as
// decoded lines.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>
#include <utility>

#include "support/monitorprocess.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#endif

using lumidex::test::Monitor;
using lumidex::test::monitorPath;

namespace {

#ifdef Q_OS_UNIX
// An open file descriptor, closed when it goes out of scope.
struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

bool makeRaw(int fd) {
    termios mode{};
    if (::tcgetattr(fd, &mode) != 0) {
        return false;
    }
    ::cfmakeraw(&mode);
    return ::tcsetattr(fd, TCSANOW, &mode) == 0;
}

bool writeAll(int fd, const QByteArray& hex) {
    const QByteArray bytes = QByteArray::fromHex(hex);
    return ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
}
#endif

}  // namespace

class TestMonitor : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void arguments_data();
    void arguments();
    void pty_data();
    void pty();
    void device_data();
    void device();
    void stopsPromptlyWhileInputNeverStops_data() { pty_data(); }
    void stopsPromptlyWhileInputNeverStops();
};

void TestMonitor::initTestCase() {
    QVERIFY2(QFileInfo::exists(monitorPath()),
             qPrintable("lumidex-monitor not built at " + monitorPath()));
}

void TestMonitor::arguments_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");  // expected in stdout (exit 0) or stderr

    QTest::newRow("help") << QStringList{"--help"} << 0 << "usage: lumidex-monitor";
    QTest::newRow("version") << QStringList{"--version"} << 0 << "lumidex-monitor " LUMIDEX_VERSION;
    QTest::newRow("nothing") << QStringList{} << 2 << "no DEVICE given";
    QTest::newRow("unknown option")
        << QStringList{"--bogus", "/dev/x"} << 2 << "unknown option '--bogus'";
    QTest::newRow("two devices") << QStringList{"/dev/x", "/dev/y"} << 2
                                 << "more than one device given";
    QTest::newRow("pty and device") << QStringList{"--pty", "/dev/x"} << 2 << "not both";
    QTest::newRow("baud letters") << QStringList{"--baud", "abc", "/dev/x"} << 2
                                  << "baud rate must be a positive whole number: 'abc'";
    QTest::newRow("baud zero") << QStringList{"--baud=0", "/dev/x"} << 2
                               << "baud rate must be a positive whole number: '0'";
    QTest::newRow("idle letters") << QStringList{"--idle-ms", "soon", "--pty"} << 2
                                  << "idle time must be a whole number of milliseconds: 'soon'";
    QTest::newRow("missing device")
        << QStringList{"/nonexistent-lumidex/ttyUSB9"} << 1
        << "cannot open /nonexistent-lumidex/ttyUSB9: no such file or directory";
}

void TestMonitor::arguments() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    Monitor m;
    QVERIFY(m.start(args));
    QVERIFY(m.process.waitForFinished(10000));
    QCOMPARE(m.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m.process.exitCode(), exitCode);
    const QString out = QString::fromUtf8(exitCode == 0 ? m.process.readAllStandardOutput()
                                                        : m.process.readAllStandardError());
    QVERIFY2(out.contains(message), qPrintable(out));
}

void TestMonitor::pty_data() {
    QTest::addColumn<int>("stopSignal");
    QTest::addColumn<int>("quietMs");  // how long the line is quiet before the signal
#ifdef Q_OS_UNIX
    QTest::newRow("SIGTERM on a quiet line") << int(SIGTERM) << 50;
    QTest::newRow("SIGINT on a quiet line") << int(SIGINT) << 50;
    QTest::newRow("SIGTERM right behind bytes") << int(SIGTERM) << 0;
    // Its terminal closing stops it the same way as the window's.
    QTest::newRow("SIGHUP on a quiet line") << int(SIGHUP) << 50;
#endif
}

void TestMonitor::pty() {
#ifndef Q_OS_UNIX
    QSKIP("pseudo-terminals are POSIX only");
#else
    QFETCH(int, stopSignal);
    QFETCH(int, quietMs);

    Monitor m;
    QVERIFY(m.start({"--pty", "--idle-ms", "200"}));
    QVERIFY2(m.waitForLines(1), qPrintable(m.process.readAllStandardError()));
    const QRegularExpressionMatch listening =
        QRegularExpression("^listening on (/.+)$").match(m.lines[0]);
    QVERIFY2(listening.hasMatch(), qPrintable(m.lines[0]));

    Fd writer{
        ::open(listening.captured(1).toLocal8Bit().constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC)};
    QVERIFY2(writer.fd >= 0, qPrintable(listening.captured(1)));
    QVERIFY(makeRaw(writer.fd));

    // Bytes a terminal would translate or act on (0A, 0D, 03, 00) must pass.
    QVERIFY(writeAll(writer.fd, "FF6220203132 0A640D05 1E1E0903080000 08 03 41 FF 6E 00730A"));
    QVERIFY(m.waitForLines(8));
    // A frame left unfinished is reported once the line is idle...
    QVERIFY(writeAll(writer.fd, "FF62 20"));
    QVERIFY(m.waitForLines(9));
    // ...and when the monitor is stopped, whether the bytes came just before
    // the signal or a while ago; the stop takes moments, not seconds.
    QVERIFY(writeAll(writer.fd, "FF73"));
    QTest::qWait(quietMs);
    QElapsedTimer stopping;
    stopping.start();
    ::kill(pid_t(m.process.processId()), stopSignal);
    QVERIFY(m.process.waitForFinished(5000));
    QVERIFY2(stopping.elapsed() < 500, qPrintable(QString("took %1 ms").arg(stopping.elapsed())));
    QVERIFY(m.waitForLines(10));
    QCOMPARE(m.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m.process.exitCode(), 0);

    QCOMPARE(m.frames(),
             (QStringList{
                 R"(UID 255  text "  12")",
                 "UID 10  BCD invalid: 0D 05 holds a digit above 9",
                 "UID 30  configure: baud 38400, new UID 3, start-up decimal points on digits 4 "
                 "and 1",
                 "UID 3  unknown command code 0x41 (skipped the UID byte 03)",
                 "UID 65  unknown command code 0xFF (skipped the UID byte 41)",
                 "UID 255  brightness toggle",
                 "UID 0  save screen to memory 10",
                 "UID 255  text frame cut short: 3 of 6 bytes (FF 62 20)",
                 "UID 255  save screen frame cut short: 2 of 3 bytes (FF 73)",
             }));
#endif
}

void TestMonitor::device_data() {
    QTest::addColumn<bool>("unplug");  // the adapter goes away instead of a clean stop
    QTest::newRow("stopped") << false;
    QTest::newRow("unplugged") << true;
}

void TestMonitor::device() {
#ifndef Q_OS_UNIX
    QSKIP("needs a pseudo-terminal to stand in for the serial device");
#else
    QFETCH(bool, unplug);

    // A pseudo-terminal made here stands in for a serial adapter.
    // Neither end may leak into the monitor, or unplugging could not be seen.
    Fd master{::posix_openpt(O_RDWR | O_NOCTTY)};
    QVERIFY(master.fd >= 0);
    QVERIFY(::fcntl(master.fd, F_SETFD, FD_CLOEXEC) == 0);
    QVERIFY(::grantpt(master.fd) == 0 && ::unlockpt(master.fd) == 0);
    const QString path = QString::fromLocal8Bit(::ptsname(master.fd));
    Fd slave{::open(::ptsname(master.fd), O_RDWR | O_NOCTTY | O_CLOEXEC)};
    QVERIFY(slave.fd >= 0);
    QVERIFY(makeRaw(slave.fd));

    Monitor m;
    QVERIFY(m.start({"--baud", "19200", path}));
    QVERIFY2(m.waitForLines(1), qPrintable(m.process.readAllStandardError()));
    QCOMPARE(m.lines[0], "listening on " + path + " at 19200 baud");

    QVERIFY(writeAll(master.fd, "FF6712AB FF6E"));
    QVERIFY(m.waitForLines(3));
    QVERIFY(writeAll(master.fd, "FF"));
    QTest::qWait(50);
    if (unplug) {
        ::close(std::exchange(slave.fd, -1));
        ::close(std::exchange(master.fd, -1));
    } else {
        m.process.terminate();
    }
    QVERIFY(m.waitForLines(4));
    QVERIFY(m.process.waitForFinished(5000));
    QCOMPARE(m.process.exitCode(), unplug ? 1 : 0);
    if (unplug) {
        const QString error = QString::fromUtf8(m.process.readAllStandardError());
        QVERIFY2(error.startsWith("lumidex-monitor: lost " + path + ": "), qPrintable(error));
    }
    QCOMPARE(m.frames(),
             (QStringList{"UID 255  signed integer 0x12AB (4779)", "UID 255  brightness toggle",
                          "UID 255  cut short after the unit identifier (FF)"}));
#endif
}

void TestMonitor::stopsPromptlyWhileInputNeverStops() {
#ifndef Q_OS_UNIX
    QSKIP("pseudo-terminals are POSIX only");
#else
    QFETCH(int, stopSignal);

    Monitor m;
    QVERIFY(m.start({"--pty", "--idle-ms", "0"}));
    QVERIFY2(m.waitForLines(1), qPrintable(m.process.readAllStandardError()));
    // A writer that never stops: zero bytes, each reported as a unit
    // identifier followed by an unknown code, one line per byte.
    QProcess flood;
    flood.setStandardOutputFile(m.lines[0].section(' ', 2));
    flood.start("cat", {"/dev/zero"});
    QVERIFY(flood.waitForStarted(5000));
    m.waitForLines(1000000, 300);
    QVERIFY2(m.lines.size() > 100, qPrintable(QString::number(m.lines.size())));

    QElapsedTimer sinceSignal;
    sinceSignal.start();
    ::kill(pid_t(m.process.processId()), stopSignal);
    QVERIFY(m.process.waitForFinished(5000));
    const qint64 stopMs = sinceSignal.elapsed();
    QCOMPARE(m.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m.process.exitCode(), 0);
    // 100 ms, plus a little for a loaded machine.
    QVERIFY2(stopMs < 150, qPrintable(QString("stopped %1 ms after the signal").arg(stopMs)));

    // Every line printed is whole; the stop may leave one unit identifier.
    m.waitForLines(1000000, 0);
    QCOMPARE(m.process.bytesAvailable(), 0);
    QStringList frames = m.frames();
    frames.removeAll("UID 0  unknown command code 0x00 (skipped the UID byte 00)");
    frames.removeAll("UID 0  cut short after the unit identifier (00)");
    QCOMPARE(frames, QStringList());
#endif
}

QTEST_GUILESS_MAIN(TestMonitor)
#include "test_monitor.moc"
