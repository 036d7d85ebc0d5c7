// Requests to stop from outside close the window the normal way: the
// operator's port and baud rate reach the settings file.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>

#include "app/shutdown.h"
#include "support/files.h"
#include "support/program.h"
#include "support/recordingport.h"
#include "support/window.h"
#include "ui/toolkit.h"

using namespace lumidex;
using namespace lumidex::test;

namespace {

// COM4 at 38400, as an operator picks them.
void pickCom4At38400(WindowDriver& ui) {
    ui.pick("cboComm", 3);
    ui.pick("cboBaud", 2);
    QCOMPARE(ui.window().CommPortValue(), QStringLiteral("4"));
}

void verifyWritten(const QString& appDir) {
    const QByteArray written = fileBytes(appDir + "lumidex2.ini");
    QVERIFY2(written.contains("CommPort=4") && written.contains("Setting=38400,n,8,1"),
             written.constData());
}

// Whether process `pid` has a handler for SIGTERM yet, from /proc.
bool catchesStopSignal(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        return false;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:")) {
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (SIGTERM - 1)) & 1;
        }
    }
    return false;
}

}  // namespace

class ShutdownTest : public QObject {
    Q_OBJECT
  private slots:
    void stopSignalWritesSettings_data();
    void stopSignalWritesSettings();
    void stopSignalDismissesOpenMessageBox();
    void stopSignalReportsUnsavedSettingsWithoutWaiting();
};

void ShutdownTest::stopSignalWritesSettings_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGHUP") << SIGHUP;
}

void ShutdownTest::stopSignalWritesSettings() {
    QFETCH(int, signal);
    RecordingPort port;
    WindowDriver ui(port);
    pickCom4At38400(ui);
    closeOnStopRequest(ui.window());
    QVERIFY(fileBytes(ui.appDir() + "lumidex2.ini").isEmpty());

    std::raise(signal);
    QTRY_VERIFY_WITH_TIMEOUT(!ui.window().isVisible(), 5000);
    verifyWritten(ui.appDir());
}

// A message box runs its own event loop; the stop must not wait for the
// operator to dismiss it.
void ShutdownTest::stopSignalDismissesOpenMessageBox() {
    RecordingPort port;
    port.failOpen = true;
    WindowDriver ui(port);
    pickCom4At38400(ui);
    closeOnStopRequest(ui.window());
    setMessageSink({});

    bool boxShown = false;
    QTimer::singleShot(50, [&boxShown] {
        boxShown = QApplication::activeModalWidget() != nullptr;
        std::raise(SIGTERM);
    });
    // Should the stop leave the box open, this closes it so the test fails
    // instead of hanging.
    QTimer rescue;
    rescue.setSingleShot(true);
    connect(&rescue, &QTimer::timeout, [] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            box->close();
        }
    });
    rescue.start(5000);
    ui.click("cmdConnect");

    QVERIFY(boxShown);
    QVERIFY(rescue.isActive());
    QVERIFY(!ui.window().isVisible());
    verifyWritten(ui.appDir());
}

// Nobody may be there to click a message box when a stop is requested: the
// program still ends at once and says on standard error what was not saved.
void ShutdownTest::stopSignalReportsUnsavedSettingsWithoutWaiting() {
    if (!QFile::exists(QStringLiteral("/proc/self/status"))) {
        QSKIP("needs /proc to see when the program handles stop signals");
    }
    QTemporaryDir dir;
    const QString program = dir.filePath("lumidex-app");
    QVERIFY(QFile::copy(builtProgram("lumidex-app"), program));
    QFile ini(dir.filePath("lumidex2.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly) && ini.resize((1 << 20) + 1));
    ini.close();

    QProcess app;
    app.start(program, {QStringLiteral("-platform"), QStringLiteral("offscreen")});
    QVERIFY(app.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(catchesStopSignal(app.processId()), 10000);
    QElapsedTimer stopping;
    stopping.start();
    ::kill(pid_t(app.processId()), SIGTERM);
    const bool ended = app.waitForFinished(1000);
    const qint64 took = stopping.elapsed();
    if (!ended) {
        app.kill();
        app.waitForFinished();
    }
    const QString errors = QString::fromLocal8Bit(app.readAllStandardError());
    QVERIFY2(ended, qPrintable(QStringLiteral("still running after %1 ms").arg(took)));
    QCOMPARE(app.exitCode(), 0);
    QVERIFY2(errors.contains(ini.fileName() + ": it is larger than 1 MiB"), qPrintable(errors));
}

QTEST_MAIN(ShutdownTest)
#include "test_shutdown_posix.moc"
