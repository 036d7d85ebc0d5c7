// The serial port on QSerialPort, driven against real pseudo-terminals, and
// the parsing of its settings text. No test opens a real device: every port
// resolves to a pty or to nothing.
#include <QtTest>
#include <ctime>

#include "link/serial/linesettings.h"
#include "link/serial/portnames.h"
#include "link/serial/posixserialport.h"
#include "support/pty.h"

using namespace lumidex;
using lumidex::test::portAt;
using lumidex::test::PseudoTerminal;

namespace {

// The message of the SerialPortError `action` throws, or "<no error>".
template <typename Action>
QString errorOf(Action action) {
    try {
        action();
    } catch (const SerialPortError& error) {
        return QString::fromStdString(error.what());
    }
    return QStringLiteral("<no error>");
}

const QString kFields =
    "expected baud rate, parity, data bits and stop bits separated by commas, such as "
    "\"9600,n,8,1\"";
const QString kBaud = "baud rate must be a whole number from 1 to 2147483647";

}  // namespace

class TestSerialPort : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void settingsTextParses_data();
    void settingsTextParses();
    void everyByteArrivesUnchangedAndInOrder_data();
    void everyByteArrivesUnchangedAndInOrder();
    void eachOpenAppliesItsOwnSettings();
    void closedPortRefusesOutput();
    void vanishedDeviceRefusesAtTheByteAndCanBeClosed();
    void fullOutputQueueRefusesWithoutLosingWhatIsQueued();
    void openFailsPlainlyAndStaysClosed_data();
    void openFailsPlainlyAndStaysClosed();
    void openingAnOpenPortFailsAndKeepsIt();
    void busyDeviceIsFreedWhenItsPortIsDestroyed();
    void recordingNeverFails();
    void portNumbersCountThePresentDevicesInNaturalOrder();
};

void TestSerialPort::init() {
    if (!PseudoTerminal::available()) {
        QSKIP("needs pseudo-terminals");
    }
}

void TestSerialPort::settingsTextParses_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("parsed");  // "baud parity data stop" or the error's reason
    const auto row = [](const char* text, const QString& parsed) {
        QTest::newRow(text) << text << parsed;
    };
    row("9600,n,8,1", "9600 0 8 0");
    row("4800,E,7,2", "4800 1 7 2");
    row("110,o,5,1.5", "110 2 5 1");
    row("300,M,6,2", "300 3 6 2");
    row(" 12345 , s ,\t8 , 1 ", "12345 4 8 0");
    row("2147483647,n,8,1", "2147483647 0 8 0");
    row("", kFields);
    row("9600,n,8", kFields);
    row("9600,n,8,1,5", kFields);
    row("0,n,8,1", kBaud);
    row("9600.5,n,8,1", kBaud);
    row("2147483648,n,8,1", kBaud);
    row("96 00,n,8,1", kBaud);
    row("9600,x,8,1", "parity must be n, e, o, m or s");
    row("9600,n,4,1", "data bits must be 5, 6, 7 or 8");
    row("9600,n,8,0", "stop bits must be 1, 1.5 or 2");
    row("9600,n,8,1.0", "stop bits must be 1, 1.5 or 2");
}

void TestSerialPort::settingsTextParses() {
    QFETCH(QString, text);
    QFETCH(QString, parsed);
    try {
        const LineSettings s = parseLineSettings(text.toStdString());
        QCOMPARE(QString("%1 %2 %3 %4")
                     .arg(s.baudRate)
                     .arg(int(s.parity))
                     .arg(s.dataBits)
                     .arg(int(s.stopBits)),
                 parsed);
    } catch (const SerialPortError& error) {
        QCOMPARE(QString(error.what()), "settings \"" + text + "\" are not valid: " + parsed);
    }
}

void TestSerialPort::everyByteArrivesUnchangedAndInOrder_data() {
    QTest::addColumn<int>("baud");
    QTest::newRow("9600") << 9600;
    QTest::newRow("19200") << 19200;
    QTest::newRow("38400") << 38400;
}

void TestSerialPort::everyByteArrivesUnchangedAndInOrder() {
    QFETCH(int, baud);
    PseudoTerminal pty;
    PosixSerialPort port(portAt(3, pty.slavePath()));
    port.setCommPort(3);
    port.setSettings(QString("%1,n,8,1").arg(baud).toStdString());
    port.setPortOpen(true);
    QCOMPARE(pty.baudRate(), baud);
    QCOMPARE(pty.stopBits(), 1);

    // Everything is handed over before anything is read: Output must not wait
    // for a byte to leave.
    QByteArray expected;
    for (int value = 0; value < 256; ++value) {
        expected.append(static_cast<char>(value));
        port.Output(static_cast<std::uint8_t>(value));
    }
    QCOMPARE(pty.readBytes(256, 5000), expected);
    QCOMPARE(pty.readAvailable(100), QByteArray());  // nothing added
}

void TestSerialPort::eachOpenAppliesItsOwnSettings() {
    // One port reopened with other settings: nothing of an earlier open
    // lingers. (A pty keeps no parity or data bits; baud and stop bits show.)
    const struct {
        const char* settings;
        int baud;
        int stopBits;
    } cases[] = {{"19200,e,7,2", 19200, 2}, {"9600,n,8,1", 9600, 1}, {"38400,O,6,2", 38400, 2}};
    PseudoTerminal pty;
    PosixSerialPort port(portAt(2, pty.slavePath()));
    port.setCommPort(2);
    for (const auto& c : cases) {
        pty.turnFlowControlOn();  // a module without those lines would receive nothing
        port.setSettings(c.settings);
        port.setPortOpen(true);
        QVERIFY2(pty.baudRate() == c.baud && pty.stopBits() == c.stopBits, c.settings);
        QCOMPARE(pty.flowControl(), QString());
        port.Output(0xA5);
        QVERIFY2(pty.readBytes(1, 2000) == QByteArray("\xA5"), c.settings);
        port.setPortOpen(false);
    }
}

void TestSerialPort::closedPortRefusesOutput() {
    PseudoTerminal pty;
    PosixSerialPort port(portAt(1, pty.slavePath()));
    port.setSettings("9600,n,8,1");
    QCOMPARE(errorOf([&] { port.Output(0x41); }), QString("port is not open"));
    port.setPortOpen(true);
    port.Output(0x55);
    port.setPortOpen(false);
    QCOMPARE(errorOf([&] { port.Output(0x66); }), QString("port is not open"));
    QCOMPARE(errorOf([&] { port.reserve(2); }), QString("port is not open"));
    QCOMPARE(pty.readAvailable(200), QByteArray("\x55"));
}

void TestSerialPort::vanishedDeviceRefusesAtTheByteAndCanBeClosed() {
    auto gone = std::make_unique<PseudoTerminal>();
    QString device = gone->slavePath();
    PosixSerialPort port([&device](int n) -> std::optional<QString> {
        return n == 3 ? std::optional<QString>(device) : std::nullopt;
    });
    port.setCommPort(3);
    port.setSettings("9600,n,8,1");
    port.setPortOpen(true);
    port.Output(0x41);
    QCOMPARE(gone->readBytes(1, 2000), QByteArray("A"));

    gone->closeMaster();
    const QString prefix = "port COM3 (" + device + ") could not send the byte ";
    const QString first = errorOf([&] { port.Output(0x42); });
    QVERIFY2(first.startsWith(prefix + "42: "), qPrintable(first));
    QVERIFY(port.PortOpen());
    const QString second = errorOf([&] { port.Output(0x43); });
    QVERIFY2(second.startsWith(prefix + "43: "), qPrintable(second));

    // The event loop must not keep retrying a refused byte behind our back.
    const std::clock_t before = std::clock();
    QTest::qWait(300);
    const double busy = double(std::clock() - before) / CLOCKS_PER_SEC;
    QVERIFY2(busy < 0.15, qPrintable(QString("busy for %1 s").arg(busy)));

    port.setPortOpen(false);
    QVERIFY(!port.PortOpen());
    port.setPortOpen(false);  // closing a closed port is harmless
    gone.reset();

    // A fresh device gets exactly what is written from now on.
    PseudoTerminal fresh;
    device = fresh.slavePath();
    port.setPortOpen(true);
    port.Output(0x44);
    QCOMPARE(fresh.readAvailable(200), QByteArray("D"));
}

void TestSerialPort::fullOutputQueueRefusesWithoutLosingWhatIsQueued() {
    // Nobody reads the pty, so its queue fills: the byte that finds no room is
    // refused, all accepted before it still arrive, the refused one never.
    PseudoTerminal pty;
    PosixSerialPort port(portAt(1, pty.slavePath()));
    port.setSettings("38400,n,8,1");
    port.setPortOpen(true);
    QByteArray accepted;
    QString refusal;
    QElapsedTimer elapsed;
    qint64 lastByteMs = 0;
    elapsed.start();
    while (refusal.isEmpty() && elapsed.elapsed() < 20000) {
        const auto byte = static_cast<std::uint8_t>(accepted.size() * 7);
        QElapsedTimer one;
        one.start();
        refusal = errorOf([&] { port.Output(byte); });
        lastByteMs = one.elapsed();
        if (refusal == "<no error>") {
            refusal.clear();
            accepted.append(static_cast<char>(byte));
        }
    }
    QVERIFY2(refusal.endsWith(": the device is not taking data (its output queue stayed full)"),
             qPrintable(refusal));
    // A click that meets a stalled line is refused at once, not after seconds.
    QVERIFY2(lastByteMs < 100, qPrintable(QString("refused after %1 ms").arg(lastByteMs)));
    QVERIFY(port.PortOpen());
    QCOMPARE(pty.readAvailable(300), accepted);
    port.Output(0x5A);
    QCOMPARE(pty.readAvailable(300), QByteArray("\x5A"));
}

void TestSerialPort::openFailsPlainlyAndStaysClosed_data() {
    QTest::addColumn<QString>("device");  // "<pty>": a live pty; "": none
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("message");  // %1: the device
    QTest::newRow("no device") << ""
                               << "9600,n,8,1"
                               << "port COM3 could not be opened: no such device";
    QTest::newRow("missing path") << "/nonexistent/tty"
                                  << "9600,n,8,1"
                                  << "port COM3 (%1) could not be opened: no such device";
    QTest::newRow("not a serial device")
        << "/dev/null"
        << "9600,n,8,1"
        << "port COM3 (%1) could not be opened: it is not a serial device or does not accept "
           "settings \"9600,n,8,1\"";
    QTest::newRow("bad parity") << "<pty>"
                                << "9600,x,8,1"
                                << "settings \"9600,x,8,1\" are not valid: parity must be n, e, "
                                   "o, m or s";
    QTest::newRow("garbage") << "<pty>"
                             << "garbage"
                             << "settings \"garbage\" are not valid: " + kFields;
#ifndef Q_OS_WIN
    QTest::newRow("1.5 stop bits") << "<pty>"
                                   << "9600,n,5,1.5"
                                   << "port COM3 (%1) could not be opened: 1.5 stop bits are "
                                      "not supported on this system";
#endif
}

void TestSerialPort::openFailsPlainlyAndStaysClosed() {
    QFETCH(QString, device);
    QFETCH(QString, settings);
    QFETCH(QString, message);
    PseudoTerminal pty;
    if (device == "<pty>") {
        device = pty.slavePath();
    }
    PosixSerialPort port(device.isEmpty() ? portAt(4, pty.slavePath()) : portAt(3, device));
    port.setCommPort(3);
    port.setSettings(settings.toStdString());
    // The system's own words, in brackets at the end, depend on its language.
    const QString error = errorOf([&] { port.setPortOpen(true); });
    message.replace("%1", device);
    QVERIFY2(error == message || error.startsWith(message + " ("), qPrintable(error));
    QVERIFY(!port.PortOpen());
    QCOMPARE(pty.readAvailable(100), QByteArray());
}

void TestSerialPort::openingAnOpenPortFailsAndKeepsIt() {
    PseudoTerminal pty;
    PosixSerialPort port(portAt(5, pty.slavePath()));
    port.setCommPort(5);
    port.setSettings("19200,n,8,1");
    port.setPortOpen(true);
    QCOMPARE(errorOf([&] { port.setPortOpen(true); }),
             "port COM5 (" + pty.slavePath() + ") is already open");
    port.Output(0x0D);
    QCOMPARE(pty.readBytes(1, 2000), QByteArray("\r"));
}

void TestSerialPort::busyDeviceIsFreedWhenItsPortIsDestroyed() {
    PseudoTerminal pty;
    PosixSerialPort second(portAt(1, pty.slavePath()));
    second.setSettings("9600,n,8,1");
    {
        PosixSerialPort first(portAt(1, pty.slavePath()));
        first.setSettings("9600,n,8,1");
        first.setPortOpen(true);
        const QString busy = errorOf([&] { second.setPortOpen(true); });
        QVERIFY2(busy.startsWith("port COM1 (" + pty.slavePath() +
                                 ") could not be opened: permission denied or the port is in use"),
                 qPrintable(busy));
        QVERIFY(!second.PortOpen());
    }
    second.setPortOpen(true);
    second.Output(0x7F);
    QCOMPARE(pty.readBytes(1, 2000), QByteArray("\x7F"));
}

void TestSerialPort::recordingNeverFails() {
    PseudoTerminal pty;
    PosixSerialPort port(portAt(3, pty.slavePath()));
    QCOMPARE(port.CommPort(), std::int16_t{1});
    for (const std::int16_t number : {10, 0, -1, 32767, -32768, 3}) {
        port.setCommPort(number);
        QCOMPARE(port.CommPort(), number);
    }
    port.setSettings("garbage");
    port.setSettings("9600,n,8,1");
    port.setPortOpen(true);
    // While open, both are only recorded: the open port keeps its device.
    port.setCommPort(10);
    port.setSettings("not settings");
    QCOMPARE(port.CommPort(), std::int16_t{10});
    port.Output(0x00);
    QCOMPARE(pty.readBytes(1, 2000), QByteArray(1, '\0'));
}

void TestSerialPort::portNumbersCountThePresentDevicesInNaturalOrder() {
#ifdef Q_OS_WIN
    QSKIP("on Windows port n is COMn");
#endif
    std::vector<QString> present = {"/dev/ttyUSB0", "/dev/ttyS10", "/dev/ttyS2", "/dev/ttyS02"};
    sortDeviceNames(present);
    const std::vector<QString> sorted = {"/dev/ttyS2", "/dev/ttyS02", "/dev/ttyS10",
                                         "/dev/ttyUSB0"};
    QCOMPARE(present, sorted);
    QCOMPARE(deviceForPort(1, present).value_or(""), QString("/dev/ttyS2"));
    QCOMPARE(deviceForPort(4, present).value_or(""), QString("/dev/ttyUSB0"));
    for (const int none : {5, 10, 0, -1}) {
        QVERIFY(!deviceForPort(none, present));
    }
}

QTEST_GUILESS_MAIN(TestSerialPort)
#include "test_serialport.moc"
