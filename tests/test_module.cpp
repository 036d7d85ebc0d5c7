// The virtual module: its window shows, and Restart resets, what the model
// says, and a screen reader reads its digits as text; and the operator window
// drives a running lumidex-module through the real serial port, after each
// step of which the screen the module prints is what the operator meant to
// show.
#include <QAccessible>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include "link/serial/posixserialport.h"
#include "module/modulewindow.h"
#include "support/modulesession.h"
#include "support/program.h"
#include "support/pty.h"
#include "support/window.h"

using namespace lumidex;
using namespace lumidex::test;

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
    ModuleWindow window(model, {});
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

    // Bytes from the line and the device path are shown as they stand, never
    // drawn as markup.
    send("0562 203C753E");
    window.setListening("<i>pts</i>");
    auto* unit = window.findChild<QLabel*>("lblUnit");
    QVERIFY(shownText(unit->text(), unit->textFormat()).endsWith("listening on <i>pts</i>"));
    QCOMPARE(shownText(status->text(), status->textFormat()),
             QString("Last understood: UID 5  text \" <u>\"\nIgnored: character '<' (0x3C) on "
                     "digit 3 (no glyph, drawn blank); character '>' (0x3E) on digit 1 (no "
                     "glyph, drawn blank)"));

    QTest::mouseClick(window.findChild<QPushButton*>("cmdRestart"), Qt::LeftButton);
    QCOMPARE(screenLine(model.screen()), std::string("screen 08 00 00 08 bright"));
    const auto points = lit(display);  // a point spills a little past its quarter
    QVERIFY2(points.first.startsWith('X') && points.first.endsWith("-X") &&
                 points.second * 5 < eight.second,
             qPrintable(points.first));

    // A screen reader reads the digits as text, points and degree sign included.
    send("0562 32313554 0563 04");
    QAccessibleInterface* digits = QAccessible::queryAccessibleInterface(display);
    QCOMPARE(digits->text(QAccessible::Name), QString("Digits"));
    QVERIFY(digits->textInterface());
    QCOMPARE(digits->textInterface()->text(0, digits->textInterface()->characterCount()),
             QString("21.5\u00B0, bright"));
}

void TestModule::badUnitIdentifier() {
    QProcess module;
    module.start(builtProgram("lumidex-module"), {"--uid", "256", "--pty"});
    QVERIFY(module.waitForFinished(10000));
    QCOMPARE(module.exitCode(), 2);
    QVERIFY(QString::fromUtf8(module.readAllStandardError())
                .startsWith("lumidex-module: unit identifier must be a whole number from 0 to 255: "
                            "'256'\n"));
}

void TestModule::operatorScript() {
    if (!PseudoTerminal::available()) {
        QSKIP("this system has no pseudo-terminals");
    }
    QVERIFY2(QFileInfo::exists(builtProgram("lumidex-module")),
             qPrintable(builtProgram("lumidex-module")));
    QProcess module;
    const QString device = startModule(module);
    QVERIFY2(!device.isEmpty(), module.readAllStandardError().constData());

    PosixSerialPort port(portAt(1, device));
    WindowDriver ui(port);
    ui.click("cmdConnect");
    QCOMPARE(ui.takeMessages(), QStringList());

    for (const SessionStep& step : moduleSession()) {
        step.act(ui);
        QCOMPARE(ui.takeMessages(), QStringList());
        const QString line = nextLine(module);
        QVERIFY2(showsStep(line, step), qPrintable(QString("%1: %2").arg(step.what, line)));
    }
    QCOMPARE(nextLine(module, 200), QString());  // one line per frame, no more

    module.terminate();
    QVERIFY(module.waitForFinished(5000));
    QCOMPARE(module.exitStatus(), QProcess::NormalExit);
    QCOMPARE(module.exitCode(), 0);
}

QTEST_MAIN(TestModule)
#include "test_module.moc"
