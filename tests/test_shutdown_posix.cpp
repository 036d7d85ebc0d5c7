// Requests to stop from outside close the window the normal way: the
// operator's port and baud rate reach the settings file.
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <csignal>

#include "app/shutdown.h"
#include "support/files.h"
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

}  // namespace

class ShutdownTest : public QObject {
    Q_OBJECT
  private slots:
    void stopSignalWritesSettings_data();
    void stopSignalWritesSettings();
    void stopSignalDismissesOpenMessageBox();
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

QTEST_MAIN(ShutdownTest)
#include "test_shutdown_posix.moc"
