// The virtual module: its window shows, and Restart resets, what the model
// says; and the operator window drives a running lumidex-module through the
// real serial port, after each step of which the screen the module prints is
// what the operator meant to show.
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <functional>

#include "module/modulewindow.h"
#include "link/serial/qtserialport.h"
#include "support/program.h"
#include "support/pty.h"
#include "support/window.h"

using namespace lumidex;
using namespace lumidex::test;

namespace {

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
    void windowShowsTheScreen();
    void badUnitIdentifier();
    void operatorScript();
};

// Which quarters of the digits show bright red, Digit 4 first ("X---"),
// and how many such pixels there are.
std::pair<QString, int> lit(QWidget* display) {
    const QImage image = display->grab().toImage();
    QString quarters = "----";
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qRed(image.pixel(x, y)) > 200) {
                quarters[std::min(3, 4 * x / image.width())] = 'X';
                ++count;
            }
        }
    }
    return {quarters, count};
}

void TestModule::windowShowsTheScreen() {
    ModuleModel model(255);
    ModuleWindow window(model, false);
    window.resize(600, 300);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    FrameDecoder decoder;
    auto send = [&](const char* hex) {
        const QByteArray raw = QByteArray::fromHex(hex);
        for (const DecodedFrame& frame : decoder.feed(
                 reinterpret_cast<const std::uint8_t*>(raw.constData()), std::size_t(raw.size()))) {
            window.frame(frame);
        }
    };
    auto* display = window.findChild<QWidget*>("display");
    auto* status = window.findChild<QLabel*>("lblStatus");

    send("1E1E 09 05 08000008");  // start-up points on Digit 4 and Digit 1
    send("0561 F7000000 0541");
    const auto eight = lit(display);
    QCOMPARE(eight.first, QString("X---"));
    QCOMPARE(status->text(), QString("Last understood: UID 5  segments F7 00 00 00\n"
                                     "Ignored: UID 5  unknown command code 0x41 (skipped the "
                                     "UID byte 05)"));
    QVERIFY(window.findChild<QLabel*>("lblUnit")->text().startsWith("UID 5, configured for 38400"));

    QTest::mouseClick(window.findChild<QPushButton*>("cmdRestart"), Qt::LeftButton);
    QCOMPARE(screenLine(model.screen()), std::string("screen 08 00 00 08 bright"));
    const auto points = lit(display);  // a point spills a little past its quarter
    QVERIFY2(points.first.startsWith('X') && points.first.endsWith("-X") &&
                 points.second * 5 < eight.second,
             qPrintable(points.first));
}

void TestModule::badUnitIdentifier() {
    QProcess module;
    module.start(builtProgram("lumidex-module"), {"--uid", "256", "--pty"});
    QVERIFY(module.waitForFinished(10000));
    QCOMPARE(module.exitCode(), 1);
    QCOMPARE(QString::fromUtf8(module.readAllStandardError()),
             QString("lumidex-module: unit identifier must be a whole number from 0 to 255: "
                     "'256'\n"));
}

void TestModule::operatorScript() {
    if (!PseudoTerminal::available()) {
        QSKIP("this system has no pseudo-terminals");
    }
    QVERIFY2(QFileInfo::exists(builtProgram("lumidex-module")), qPrintable(builtProgram("lumidex-module")));
    QProcess module;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    module.setProcessEnvironment(env);
    module.start(builtProgram("lumidex-module"), {"--pty", "--print"});
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
             w.setChecked("chkDP_8", true), w.setChecked("chkDP_1", true), w.click("cmdDPCtl");
         },
         "08 22 D3 1F bright"},
        {"save to 3",
         [](WindowDriver& w) { w.showPage(2), w.pick("cboMEM", 3), w.click("cmdSaveCS_0"); },
         "08 22 D3 1F bright"},
        {"signed -1",
         [](WindowDriver& w) {
             w.showPage(1), w.pick("cboHighByte", 0xFF), w.pick("cboLowByte", 0xFF);
             w.setChecked("Check1", true), w.click("cmdSendInteger");
         },
         "00 00 10 22 bright"},
        {"dim", [](WindowDriver& w) { w.click("cmdDP"); }, "00 00 10 22 dim"},
        {"recall 3", [](WindowDriver& w) { w.click("cmdSaveCS_1"); }, "08 22 D3 1F dim"},
        {"BCD 9905",
         [](WindowDriver& w) {
             w.showPage(1), w.pick("cboBCDHi", 99), w.pick("cboBCDLo", 5), w.click("cmdSendBCD");
         },
         "77 77 E7 75 dim"},
        {"segment a of Digit 4, a 1 on Digit 1",
         [](WindowDriver& w) {
             w.setChecked("chkD4_1", true), w.setChecked("chkD1_2", true);
             w.setChecked("chkD1_32", true), w.click("cmdSendSD");
         },
         "01 00 00 22 dim"},
        {"configure to UID 5",
         [](WindowDriver& w) {
             w.showPage(4), w.pick("cboMuid", 5), w.click("cmdConfig");
         },
         "00 75 D5 D4 dim"},
        {"UID 255 is no longer obeyed", [](WindowDriver& w) { w.click("cmdDP"); },
         "00 75 D5 D4 dim", "frame for UID 255 (this module is 5)"},
        {"UID 5 is", [](WindowDriver& w) { w.pick("cboUID", 5), w.click("cmdDP"); },
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
