// lumidex-send run as a user runs it: every command's bytes as the window
// sends them, a script played into the virtual module through the port the
// window stored, and what bad input, a failing line or a stop request leave
// on the line and say.
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "support/commandrows.h"
#include "support/files.h"
#include "support/modulesession.h"
#include "support/pty.h"

using namespace lumidex::test;

namespace {

struct Result {
    int exit = -1;  // -1: crashed or still running
    QString out;
    QString err;
};

Result finish(QProcess& p, int ms = 30000) {
    const bool done = (p.state() == QProcess::NotRunning || p.waitForFinished(ms)) &&
                      p.exitStatus() == QProcess::NormalExit;
    return {done ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

void start(QProcess& p, const QStringList& args, const QByteArray& input = {},
           const QString& program = builtProgram("lumidex-send")) {
    p.start(program, args);
    p.waitForStarted(5000);
    p.write(input);
    p.waitForBytesWritten(5000);
    p.closeWriteChannel();
}

}  // namespace

class TestSend : public QObject {
    Q_OBJECT
  private slots:
    void dryRunSendsWhatTheWindowSends_data();
    void dryRunSendsWhatTheWindowSends();
    void scriptLeavesTheWindowsScreens();
    void storedPortOpensAtTheStoredRate();
    void badInputSendsNothing_data();
    void badInputSendsNothing();
    void refusedFrameEndsTheRun();
    void stopRequestEndsBetweenFrames_data();
    void stopRequestEndsBetweenFrames();
    void stopInALongScript();
    void feedIsSentAsItArrives();
    void badFeedLineEndsTheRun();
    void endlessInputStaysSmall_data();
    void endlessInputStaysSmall();
    void tooLargeScriptIsRefused();
    void pinIsUsedWithPortAndBaud();

  private:
    // A copy of lumidex-send in a folder `name` of its own, beside a
    // settings file holding `settings`.
    QString besideSettings(const QString& name, const QByteArray& settings);

    QTemporaryDir dir_;
};

QString TestSend::besideSettings(const QString& name, const QByteArray& settings) {
    const QDir folder(dir_.filePath(name));
    QDir().mkpath(folder.path());
    const QString program = folder.filePath(QFileInfo(builtProgram("lumidex-send")).fileName());
    QFile::copy(builtProgram("lumidex-send"), program);
    writeFileBytes(folder.filePath("lumidex2.ini"), settings);
    return program;
}

void TestSend::dryRunSendsWhatTheWindowSends_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("out");
    QByteArray script;
    QString echoes;
    for (const CommandRow& row : commandRows()) {
        // A configuration goes to unit 30 whatever unit the others go to.
        const QByteArray uid = QByteArray::number(commandOf(row).toConfigUnit ? 7 : row.uid);
        // On the command line the words after the command are joined by
        // blanks again, so splitting at each blank keeps any text as it is.
        const QStringList command = QString::fromStdString(row.sender).split(' ');
        QTest::newRow(row.name.c_str()) << QStringList{"--dry-run", "--uid", uid} + command
                                        << QByteArray() << echoOf(row) + '\n';
        script += "uid " + uid + '\n' + QByteArray::fromStdString(row.sender) + '\n';
        echoes += echoOf(row) + '\n';
    }
    QTest::newRow("every row as a script")
        << QStringList{"--dry-run", "--script", "-"} << script << echoes;
    // Each pass starts at --uid again. A script read twice is a file, here
    // standard input redirected from one.
    QTest::newRow("script on standard input, twice")
        << QStringList{"--dry-run", "--repeat", "2", "--script", "-"}
        << QByteArray("bright\nuid 7\nbright\n") << "FF 6E \n07 6E \nFF 6E \n07 6E \n";
    // The carriage return of a Windows line end is no part of the text.
    const QString crlf = "text AB\r\nbright\r\n";
    QTest::newRow("Windows line ends") << QStringList{"--dry-run", "--script", "-"} << crlf.toUtf8()
                                       << "FF 62 20 20 41 42 \nFF 6E \n";
    QByteArray utf16("\xFF\xFE");
    for (const QChar ch : crlf) {
        utf16 += char(ch.unicode() & 0xFF);
        utf16 += char(ch.unicode() >> 8);
    }
    QTest::newRow("UTF-16 script")
        << QStringList{"--dry-run", "--script", "-"} << utf16 << "FF 62 20 20 41 42 \nFF 6E \n";
}

void TestSend::dryRunSendsWhatTheWindowSends() {
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(QString, out);
    QProcess p;
    if (args.contains("--repeat")) {
        writeFileBytes(dir_.filePath("stdin.txt"), input);
        p.setStandardInputFile(dir_.filePath("stdin.txt"));
        input.clear();
    }
    start(p, args, input);
    const Result r = finish(p);
    QCOMPARE(r.err, QString());
    QCOMPARE(r.out, out);
    QCOMPARE(r.exit, 0);
}

// Without --port and --baud the sender takes the window's stored port (COM3,
// pinned to the module) and baud rate from the settings file beside it, and
// leaves that file as it was.
void TestSend::scriptLeavesTheWindowsScreens() {
    QProcess module;
    const QString device = startModule(module);
    QVERIFY2(!device.isEmpty(), module.readAllStandardError().constData());
    const QByteArray settings =
        "[Settings]\r\nCommPort=3\r\nSetting=38400,n,8,1\r\n[Ports]\r\nCOM3=" + device.toUtf8() +
        "\r\n";
    const QString program = besideSettings("session", settings);
    const QString ini = QFileInfo(program).dir().filePath("lumidex2.ini");
    const QDateTime written = QFileInfo(ini).lastModified();

    QByteArray script = "# The window's session with the module\n\n";
    for (const SessionStep& step : moduleSession()) {
        script += QByteArray(step.script) + '\n';
        if (&step == &moduleSession().front()) {
            script += "  wait 300\n";
        }
    }
    writeFileBytes(dir_.filePath("session.txt"), script);
    QElapsedTimer clock;
    clock.start();
    QProcess p;
    start(p, {"--script", dir_.filePath("session.txt")}, {}, program);
    const Result r = finish(p);
    QVERIFY2(r.exit == 0, qPrintable(r.err));
    QVERIFY(clock.elapsed() >= 300);
    QCOMPARE(r.out.count('\n'), int(moduleSession().size()));
    for (const SessionStep& step : moduleSession()) {
        const QString line = nextLine(module);
        QVERIFY2(showsStep(line, step), qPrintable(QString("%1: %2").arg(step.what, line)));
    }
    QCOMPARE(nextLine(module, 200), QString());
    QCOMPARE(fileBytes(ini), settings);
    QCOMPARE(QFileInfo(ini).lastModified(), written);
    module.terminate();
    module.waitForFinished(5000);
}

// The stored baud rate as the window would apply it, on a pinned port. (The
// port puts the line's earlier settings back as it closes, so the rate is
// read during the pause.)
void TestSend::storedPortOpensAtTheStoredRate() {
    PseudoTerminal pty;
    const QString program =
        besideSettings("rate", "[Settings]\nCommPort=2\nSetting=19200,n,8,1\n[Ports]\ncom2=" +
                                   pty.slavePath().toUtf8());
    QProcess p;
    start(p, {"--script", "-"}, "bright\nwait 1000\n", program);
    QCOMPARE(pty.readBytes(2, 5000), QByteArray("\xFF\x6E"));
    QCOMPARE(pty.baudRate(), 19200);
    QCOMPARE(finish(p).exit, 0);
}

void TestSend::badInputSendsNothing_data() {
    QTest::addColumn<QStringList>("args");   // PTY: the line; DIR: a folder of the test's
    QTest::addColumn<QByteArray>("script");  // written to DIR/bad.txt
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("message");
    const QStringList line = {"--port", "PTY", "--baud", "9600"};
    QTest::newRow("value out of range") << line + QStringList{"uint", "70000"} << QByteArray() << 2
                                        << "lumidex-send: uint value must be a whole number from "
                                           "0 to 65535: '70000'\n";
    QTest::newRow("unknown command") << line + QStringList{"blink"} << QByteArray() << 2
                                     << "lumidex-send: unknown command 'blink' (commands: ";
    QTest::newRow("character without a byte")
        << line + QStringList{"text", QString::fromUtf8("1€")} << QByteArray() << 2
        << QString::fromUtf8("lumidex-send: the character '€' (U+20AC) has no one-byte value");
    QTest::newRow("bad line after good ones")
        << line + QStringList{"--script", "DIR/bad.txt"} << QByteArray("bright\n# fine\nbcd 12x4\n")
        << 2 << "DIR/bad.txt:3: bcd takes four decimal digits, 0000 to 9999: '12x4'\n";
    QTest::newRow("control bytes quoted")
        << line + QStringList{"--script", "DIR/bad.txt"} << QByteArray("text \x1B]0;x\x07\n") << 2
        << "DIR/bad.txt:1: text has 6 characters, the module shows at most 4: '\\x1B]0;x\\x07'\n";
    QTest::newRow("unreadable script")
        << line + QStringList{"--script", "DIR/none.txt"} << QByteArray() << 2
        << "lumidex-send: cannot read the script DIR/none.txt: ";
    QTest::newRow("port cannot be opened")
        << QStringList{"--port", "DIR/no-device", "--baud", "9600", "bright"} << QByteArray() << 1
        << "lumidex-send: port DIR/no-device could not be opened: no such device; nothing was "
           "sent\n";
}

void TestSend::badInputSendsNothing() {
    QFETCH(QStringList, args);
    QFETCH(QByteArray, script);
    QFETCH(int, exit);
    QFETCH(QString, message);
    PseudoTerminal pty;
    args.replaceInStrings("PTY", pty.slavePath()).replaceInStrings("DIR", dir_.path());
    message.replace("DIR", dir_.path());
    if (!script.isEmpty()) {
        writeFileBytes(dir_.filePath("bad.txt"), script);
    }
    QProcess p;
    start(p, args);
    const Result r = finish(p);
    QVERIFY2(r.err.startsWith(message), qPrintable(r.err));
    QCOMPARE(r.exit, exit);
    QCOMPARE(r.out, QString());
    QCOMPARE(pty.readAvailable(100), QByteArray());
}

void TestSend::refusedFrameEndsTheRun() {
    PseudoTerminal pty;
    writeFileBytes(dir_.filePath("cut.txt"), "bright\nwait 300\nbcd 1234\nbright\n");
    QProcess p;
    start(p, {"--port", pty.slavePath(), "--baud", "9600", "--script", dir_.filePath("cut.txt")});
    QCOMPARE(pty.readBytes(2, 5000), QByteArray("\xFF\x6E"));
    pty.closeMaster();  // the device goes away during the pause
    const Result r = finish(p);
    QCOMPARE(r.exit, 1);
    QCOMPARE(r.out, QString("FF 6E \n"));
    QCOMPARE(r.err, "lumidex-send: " + dir_.filePath("cut.txt") +
                        ":3: bcd 1234 was not sent: port " + pty.slavePath() +
                        " could not send 4 bytes: the device is no longer " +
                        "available (it hung up). 1 frame went out before it\n");
}

void TestSend::stopRequestEndsBetweenFrames_data() {
    QTest::addColumn<QStringList>("repeat");
    QTest::addColumn<int>("exit");
    QTest::newRow("a run cut short") << QStringList() << 1;
    QTest::newRow("a run until stopped") << QStringList{"--repeat", "0"} << 0;
}

void TestSend::stopRequestEndsBetweenFrames() {
    QFETCH(QStringList, repeat);
    QFETCH(int, exit);
    PseudoTerminal pty;
    writeFileBytes(dir_.filePath("long.txt"), "bright\nwait 20000\nbright\n");
    QProcess p;
    start(p, QStringList{"--port", pty.slavePath(), "--baud", "9600", "--script",
                         dir_.filePath("long.txt")} +
                 repeat);
    QCOMPARE(pty.readBytes(2, 5000), QByteArray("\xFF\x6E"));
    p.terminate();
    const Result r = finish(p, 2000);
    QCOMPARE(r.exit, exit);
    QCOMPARE(r.out, QString("FF 6E \n"));
    QCOMPARE(r.err, QString("lumidex-send: stopped on request after 1 frame\n"));
    QCOMPARE(pty.readAvailable(100), QByteArray());
}

// A stop request in a long script without pauses ends it between two frames,
// not at the end of the pass.
void TestSend::stopInALongScript() {
    QByteArray script;
    for (int i = 0; i < 1'000'000; ++i) {
        script += "bright\n";
    }
    writeFileBytes(dir_.filePath("long.txt"), script);
    QProcess p;
    start(p, {"--dry-run", "--quiet", "--script", dir_.filePath("long.txt")});
    QTest::qWait(100);
    p.terminate();
    const Result r = finish(p, 5000);
    QCOMPARE(r.exit, 1);
    QVERIFY2(r.err.startsWith("lumidex-send: stopped on request after ") &&
                 !r.err.contains("after 1000000 frames"),
             qPrintable(r.err));
}

// A feed's lines reach the module one by one, each before the next is
// written.
void TestSend::feedIsSentAsItArrives() {
    QProcess module;
    const QString device = startModule(module);
    QVERIFY2(!device.isEmpty(), module.readAllStandardError().constData());
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(builtProgram("lumidex-send"), {"--port", device, "--baud", "9600", "--script", "-"});
    QVERIFY(p.waitForStarted(5000));
    for (const QByteArray digits : {"1111", "2222", "3333"}) {
        p.write("bcd " + digits + '\n');
        QVERIFY(p.waitForBytesWritten(5000));
        const QString shown = nextLine(module, 2000);
        QVERIFY2(shown.contains("BCD " + digits), qPrintable(shown));
    }
    p.closeWriteChannel();
    QCOMPARE(finish(p).exit, 0);
    module.terminate();
    module.waitForFinished(5000);
}

void TestSend::badFeedLineEndsTheRun() {
    PseudoTerminal pty;
    QProcess p;
    start(p, {"--port", pty.slavePath(), "--baud", "9600", "--script", "-"},
          "bright\nbcd 12x4\nbright\n");
    const Result r = finish(p);
    QCOMPARE(r.exit, 2);
    QCOMPARE(r.err, QString("-:2: bcd takes four decimal digits, 0000 to 9999: '12x4'. 1 frame "
                            "went out before it\n"));
    QCOMPARE(pty.readAvailable(200), QByteArray("\xFF\x6E"));
}

// Input that never ends keeps the sender's memory small: a device without
// line ends is refused at its first 4 KiB; a feed of lines goes on until
// stopped.
void TestSend::endlessInputStaysSmall_data() {
    QTest::addColumn<bool>("endlessLines");
    QTest::newRow("/dev/zero") << false;
    QTest::newRow("yes bright") << true;
}

void TestSend::endlessInputStaysSmall() {
    QFETCH(bool, endlessLines);
    QProcess yes, p;
    if (endlessLines) {
        yes.setStandardOutputProcess(&p);
        yes.start("yes", {"bright"});
        p.start(builtProgram("lumidex-send"), {"--dry-run", "--quiet", "--script", "-"});
    } else {
        p.start(builtProgram("lumidex-send"), {"--dry-run", "--quiet", "--script", "/dev/zero"});
    }
    QVERIFY(p.waitForStarted(5000));
    QElapsedTimer clock;
    clock.start();
    qint64 peakKiB = 0;
    while (p.state() == QProcess::Running && clock.elapsed() < 1000) {
        const QByteArray status = fileBytes(QString("/proc/%1/status").arg(p.processId()));
        const qsizetype at = status.indexOf("VmHWM:");
        if (at >= 0) {
            peakKiB =
                std::max(peakKiB, status.mid(at + 6).trimmed().split(' ').front().toLongLong());
        }
        QTest::qWait(50);
    }
    QVERIFY2(peakKiB < 16 * 1024, qPrintable(QString("peak %1 KiB").arg(peakKiB)));
    if (endlessLines) {
        QCOMPARE(p.state(), QProcess::Running);
        p.terminate();
    }
    const Result r = finish(p, 1000);
    QCOMPARE(r.exit, endlessLines ? 0 : 2);
    yes.kill();
    yes.waitForFinished(5000);
}

void TestSend::tooLargeScriptIsRefused() {
    QFile big(dir_.filePath("big.txt"));
    QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(50LL << 30));  // sparse
    big.close();
    QProcess p;
    start(p, {"--dry-run", "--script", big.fileName()});
    const Result r = finish(p);
    QCOMPARE(r.exit, 2);
    QVERIFY2(r.err.contains("is 53687091200 bytes; a script file may hold at most 16 MiB"),
             qPrintable(r.err));
}

// A pinned port stays pinned when both --port and --baud are given: the
// settings file is read for its pins.
void TestSend::pinIsUsedWithPortAndBaud() {
    PseudoTerminal pty;
    const QString program =
        besideSettings("pinned", "[Ports]\nCOM2=" + pty.slavePath().toUtf8() + "\n");
    QProcess p;
    start(p, {"--port", "COM2", "--baud", "9600", "bright"}, {}, program);
    QCOMPARE(finish(p).exit, 0);
    QCOMPARE(pty.readBytes(2, 5000), QByteArray("\xFF\x6E"));
}

QTEST_GUILESS_MAIN(TestSend)
#include "test_send.moc"
