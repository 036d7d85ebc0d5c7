// The companion programs' command lines as a user meets them: what every bad
// argument ends with, "--", a repeated option, device names that are no
// serial line, and a stop request while standard output is a pipe nobody
// reads.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "support/files.h"
#include "support/program.h"

using namespace lumidex::test;

class TestCommandLine : public QObject {
    Q_OBJECT

  private slots:
    void arguments_data();
    void arguments();
    void stopsWhileNobodyReads_data();
    void stopsWhileNobodyReads();
    void failedOutputIsReported();
};

void TestCommandLine::arguments_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");  // expected on standard output (exit 0) or error

    const QString send = "lumidex-send", monitor = "lumidex-monitor", module = "lumidex-module";
    QTest::newRow("send version") << send << QStringList{"--version"} << 0
                                  << "lumidex-send " LUMIDEX_VERSION "\n";
    QTest::newRow("module version")
        << module << QStringList{"--version"} << 0 << "lumidex-module " LUMIDEX_VERSION "\n";
    QTest::newRow("-- ends the options")
        << send << QStringList{"--dry-run", "--", "bright"} << 0 << "FF 6E \n";
    QTest::newRow("negative idle time") << monitor << QStringList{"--idle-ms", "-1", "--pty"} << 2
                                        << "idle time must be a whole number of milliseconds";
    QTest::newRow("baud letters") << monitor << QStringList{"--baud", "abc", "/dev/null"} << 2
                                  << "baud rate must be a positive whole number: 'abc'";
    QTest::newRow("unit past 255") << module << QStringList{"--uid", "256", "--pty"} << 2
                                   << "unit identifier must be a whole number from 0 to 255";
    QTest::newRow("repeated script") << send << QStringList{"--script", "a", "--script", "b"} << 2
                                     << "--script is given more than once";
    QTest::newRow("repeated unit") << module << QStringList{"--uid", "1", "--uid", "2", "--pty"}
                                   << 2 << "--uid is given more than once";
    QTest::newRow("empty device") << monitor << QStringList{""} << 2 << "the device name is empty";
    QTest::newRow("folder as device")
        << monitor << QStringList{"/tmp"} << 2 << "'/tmp' is a folder, not a serial device";
    QTest::newRow("folder as port") << send << QStringList{"--port", "/tmp", "bright"} << 2
                                    << "'/tmp' is a folder, not a serial device";
}

void TestCommandLine::arguments() {
    QFETCH(QString, program);
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    QProcess p;
    p.start(builtProgram(program), args);
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), exitCode);
    const QString said =
        QString::fromUtf8(exitCode == 0 ? p.readAllStandardOutput() : p.readAllStandardError());
    QVERIFY2(said.contains(message), qPrintable(said));
}

void TestCommandLine::stopsWhileNobodyReads_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("args");

    QTest::newRow("sender") << "lumidex-send"
                            << QStringList{"--dry-run", "--repeat", "0", "--script", "SCRIPT"};
    QTest::newRow("monitor") << "lumidex-monitor" << QStringList{"--pty"};
}

// Standard output is a pipe that fills up and is never read again; SIGTERM
// must still end the program at once.
void TestCommandLine::stopsWhileNobodyReads() {
    QFETCH(QString, program);
    QFETCH(QStringList, args);

    QTemporaryDir dir;
    const QString script = dir.filePath("script.txt");
    writeFileBytes(script, "bright\n");
    args.replaceInStrings("SCRIPT", script);

    int out[2];
    QVERIFY(::pipe(out) == 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const QByteArray path = builtProgram(program).toLocal8Bit();
    std::vector<QByteArray> words = {path};
    for (const QString& arg : args) {
        words.push_back(arg.toLocal8Bit());
    }
    std::vector<char*> argv;
    for (QByteArray& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    QCOMPARE(posix_spawn(&pid, path.constData(), &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);

    if (program == "lumidex-monitor") {
        // Its first line names the pseudo-terminal; frames sent there fill the pipe.
        QByteArray first;
        for (char ch = 0; ch != '\n' && ::read(out[0], &ch, 1) == 1;) {
            first += ch;
        }
        const QByteArray pty = first.trimmed().split(' ').value(2);
        const int fd = ::open(pty.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY);
        QVERIFY2(fd >= 0, first.constData());
        // Until the monitor, its output full, stops reading.
        QElapsedTimer sending;
        sending.start();
        while (sending.elapsed() < 500) {
            if (::write(fd, "\xFF\x6E\xFF\x6E\xFF\x6E\xFF\x6E", 8) < 0) {
                QTest::qWait(5);
            }
        }
        ::close(fd);
    }
    QTest::qWait(500);  // long enough to fill the pipe and block

    QElapsedTimer stop;
    stop.start();
    ::kill(pid, SIGTERM);
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0 && stop.elapsed() < 5000) {
        QTest::qWait(1);
    }
    const qint64 ms = stop.elapsed();
    if (ms >= 5000) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
    }
    ::close(out[0]);
    qInfo("%s stopped %lld ms after SIGTERM", qPrintable(program), ms);
    QVERIFY2(ms < 250, qPrintable(QString("took %1 ms").arg(ms)));
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
}

// A sender whose standard output fails says so and ends after the frame in
// progress, instead of ending silently or running on.
void TestCommandLine::failedOutputIsReported() {
    QProcess p;
    p.setStandardOutputFile("/dev/full");
    p.start(builtProgram("lumidex-send"), {"--dry-run", "bright"});
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 1);
    QCOMPARE(QString::fromUtf8(p.readAllStandardError()),
             QString("lumidex-send: standard output failed: No space left on device; 1 frame "
                     "went out\n"));
}

QTEST_MAIN(TestCommandLine)
#include "test_commandline_posix.moc"
