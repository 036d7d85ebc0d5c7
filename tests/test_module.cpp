// The operator window drives a running lumidex-module through the real serial
// port: after each step, the screen the module prints is what the operator
// meant to show.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <functional>

#include "link/qtserialport.h"
#include "support/pty.h"
#include "support/window.h"

using namespace lumidex;
using namespace lumidex::test;

namespace {

QString modulePath() {
    QString path = QDir(QCoreApplication::applicationDirPath()).filePath("../lumidex-module");
#ifdef Q_OS_WIN
    path += ".exe";
#endif
    return QDir::cleanPath(path);
}

// The next line the module prints, or an empty string after `ms`.
QString nextLine(QProcess& module, int ms = 5000) {
    const QDeadlineTimer deadline(ms);
    while (!module.canReadLine() && !deadline.hasExpired() &&
           module.state() == QProcess::Running) {
        module.waitForReadyRead(int(std::max<qint64>(deadline.remainingTime(), 1)));
    }
    return module.canReadLine() ? QString::fromUtf8(module.readLine()).chopped(1) : QString();
}

struct Step {
    const char* what;
    std::function<void(WindowDriver&)> act;
    const char* screen;          // Digit 4 to Digit 1, and the brightness
    const char* ignored = "";    // expected in the line's notes, if anything
};

}  // namespace

class TestModule : public QObject {
    Q_OBJECT
  private slots:
    void operatorScript();
};

void TestModule::operatorScript() {
    if (!PseudoTerminal::available()) {
        QSKIP("this system has no pseudo-terminals");
    }
    QVERIFY2(QFileInfo::exists(modulePath()), qPrintable(modulePath()));
    QProcess module;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    module.setProcessEnvironment(env);
    module.start(modulePath(), {"--pty", "--print"});
    QVERIFY(module.waitForStarted(5000));
    const QString first = nextLine(module);
    QVERIFY2(first.startsWith("listening on "), qPrintable(first + module.readAllStandardError()));

    QtSerialPort port(portAt(1, first.mid(QString("listening on ").size())));
    WindowDriver ui(port);
    ui.click("cmdConnect");
    QCOMPARE(ui.takeMessages(), QStringList());

    const std::vector<Step> script = {
        {"text 12 and a degree sign",
         [](WindowDriver& w) { w.typeText("txtASCII", "12T"), w.click("cmdSendAscii"); },
         "00 22 D3 17 bright"},
        {"points on Digit 4 and Digit 1",
         [](WindowDriver& w) {
             w.setChecked("chkDP_8", true);
             w.setChecked("chkDP_1", true);
             w.click("cmdDPCtl");
         },
         "08 22 D3 1F bright"},
        {"save to 3",
         [](WindowDriver& w) {
             w.showPage(2);
             w.pick("cboMEM", 3);
             w.click("cmdSaveCS_0");
         },
         "08 22 D3 1F bright"},
        {"signed -1",
         [](WindowDriver& w) {
             w.showPage(1);
             w.pick("cboHighByte", 0xFF);
             w.pick("cboLowByte", 0xFF);
             w.setChecked("Check1", true);
             w.click("cmdSendInteger");
         },
         "00 00 10 22 bright"},
        {"dim", [](WindowDriver& w) { w.click("cmdDP"); }, "00 00 10 22 dim"},
        {"recall 3", [](WindowDriver& w) { w.click("cmdSaveCS_1"); }, "08 22 D3 1F dim"},
        {"BCD 9905",
         [](WindowDriver& w) {
             w.showPage(1);
             w.pick("cboBCDHi", 99);
             w.pick("cboBCDLo", 5);
             w.click("cmdSendBCD");
         },
         "77 77 E7 75 dim"},
        {"segment a of Digit 4, a 1 on Digit 1",
         [](WindowDriver& w) {
             w.setChecked("chkD4_1", true);
             w.setChecked("chkD1_2", true);
             w.setChecked("chkD1_32", true);
             w.click("cmdSendSD");
         },
         "01 00 00 22 dim"},
        {"configure to UID 5",
         [](WindowDriver& w) {
             w.showPage(4);
             w.pick("cboMuid", 5);
             w.setChecked("chkDP4_0", true);
             w.click("cmdConfig");
         },
         "00 75 D5 D4 dim"},
        {"UID 255 is no longer obeyed", [](WindowDriver& w) { w.click("cmdDP"); },
         "00 75 D5 D4 dim", "frame for UID 255 (this module is 5)"},
        {"UID 5 is",
         [](WindowDriver& w) {
             w.pick("cboUID", 5);
             w.click("cmdDP");
         },
         "00 75 D5 D4 bright"},
    };
    for (const Step& step : script) {
        step.act(ui);
        QCOMPARE(ui.takeMessages(), QStringList());
        const QString line = nextLine(module);
        QVERIFY2(line.startsWith(QString("screen ") + step.screen),
                 qPrintable(QString("%1: %2").arg(step.what, line)));
        QVERIFY2(line.contains(step.ignored) && line.contains("ignored: ") == (*step.ignored != 0),
                 qPrintable(QString("%1: %2").arg(step.what, line)));
    }
    QCOMPARE(nextLine(module, 200), QString());  // one line per frame, no more

    module.terminate();
    QVERIFY(module.waitForFinished(5000));
    QCOMPARE(module.exitStatus(), QProcess::NormalExit);
    QCOMPARE(module.exitCode(), 0);
}

QTEST_MAIN(TestModule)
#include "test_module.moc"
