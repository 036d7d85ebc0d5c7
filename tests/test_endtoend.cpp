// The window on the real serial port, with pseudo-terminals standing in for
// the module: what reaches the wire, what the independent monitor decodes,
// and how the window copes when the device goes away or cannot be opened.
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <map>
#include <memory>
#include <utility>

#include "link/serial/posixserialport.h"
#include "protocol/decoder.h"
#include "settings/portpins.h"
#include "support/files.h"
#include "support/program.h"
#include "support/pty.h"
#include "support/window.h"

using namespace lumidex;
using namespace lumidex::test;

namespace {

// Ports whose devices a test can change while the window runs.
struct Devices {
    std::map<int, QString> byPort;
    PortResolver resolver() {
        return [this](int n) -> std::optional<QString> {
            auto it = byPort.find(n);
            return it == byPort.end() ? std::nullopt : std::optional<QString>(it->second);
        };
    }
};

std::vector<std::uint8_t> bytesOf(const QByteArray& data) {
    return {data.begin(), data.end()};
}

// The real port, counting the bytes it accepted, so a test knows how many to
// wait for on the other side.
class CountingPort : public PosixSerialPort {
  public:
    using PosixSerialPort::PosixSerialPort;
    void Output(std::uint8_t byte) override {
        PosixSerialPort::Output(byte);
        ++accepted;
    }
    int accepted = 0;
};

struct Bench {
    Devices devices;
    std::unique_ptr<CountingPort> port;
    std::unique_ptr<WindowDriver> ui;

    explicit Bench(const QString& device) {
        devices.byPort[1] = device;
        port = std::make_unique<CountingPort>(devices.resolver());
        ui = std::make_unique<WindowDriver>(*port);
    }
    ~Bench() {
        ui.reset();
        port.reset();
    }
};

}  // namespace

class EndToEndTest : public QObject {
    Q_OBJECT
  private slots:
    void init() {
        if (!PseudoTerminal::available()) {
            QSKIP("this system has no pseudo-terminals");
        }
    }
    void everyCommandReachesTheWire_data();
    void everyCommandReachesTheWire();
    void monitorDecodesWhatTheOperatorChose();
    void pinnedPortReachesTheMonitor();
    void deviceGoesAwayWhileConnected();
    void portThatCannotBeOpened_data();
    void portThatCannotBeOpened();
    void randomClicksNeverSendAWrongByte();
    void stalledLineGetsWholeFramesOrNone();
};

void EndToEndTest::everyCommandReachesTheWire_data() {
    QTest::addColumn<int>("row");
    for (std::size_t i = 0; i < commandRows().size(); ++i) {
        QTest::newRow(commandRows()[i].name.c_str()) << int(i);
    }
}

void EndToEndTest::everyCommandReachesTheWire() {
    QFETCH(int, row);
    const CommandRow& command = commandRows()[std::size_t(row)];
    const QString wire = echoOf(command);
    PseudoTerminal pty;
    Bench bench(pty.slavePath());
    WindowDriver& ui = *bench.ui;
    ui.pick("cboBaud", 2);
    ui.click("cmdConnect");
    QCOMPARE(ui.takeMessages(), QStringList());
    QCOMPARE(pty.baudRate(), 38400);
    ui.send(command);
    QCOMPARE(ui.takeMessages(), QStringList());
    const int count = int(wire.size() / 3);
    QCOMPARE(hexOf(bytesOf(pty.readBytes(count, 3000))), wire);
    QCOMPARE(pty.readAvailable(50), QByteArray());
    QCOMPARE(ui.text("lblTxData"), wire);
}

namespace {

// lumidex-monitor on a pseudo-terminal of its own: the device path to point a
// port at, and the frames it decoded, each without its timestamp.
class Monitor {
  public:
    bool start() {
        const QString program = builtProgram("lumidex-monitor");
        if (!QFile::exists(program)) {
            return false;
        }
        process_.start(program, {"--pty", "--idle-ms", "0"});
        if (!process_.waitForStarted(5000) || !process_.waitForReadyRead(5000)) {
            return false;
        }
        const QString first = QString::fromUtf8(process_.readLine()).trimmed();
        if (!first.startsWith("listening on ")) {
            return false;
        }
        path_ = first.mid(QString("listening on ").size());
        return true;
    }
    QString path() const { return path_; }
    QStringList decoded(int count) {
        QStringList lines;
        QElapsedTimer clock;
        clock.start();
        while (lines.size() < count && clock.elapsed() < 10000) {
            process_.waitForReadyRead(200);
            while (process_.canReadLine()) {
                // "12:03:04.123  UID 255  ..." : drop the timestamp.
                lines << QString::fromUtf8(process_.readLine()).trimmed().section("  ", 1);
            }
        }
        return lines;
    }
    ~Monitor() {
        process_.terminate();
        process_.waitForFinished(5000);
    }

  private:
    QProcess process_;
    QString path_;
};

// Connects, sends every command row in turn, and returns what each should
// decode as.
QStringList sendEveryCommand(WindowDriver& ui) {
    QStringList expected;
    ui.click("cmdConnect");
    for (const CommandRow& command : commandRows()) {
        ui.send(command);
        expected << QString::fromStdString(command.decoded);
    }
    return expected;
}

}  // namespace

void EndToEndTest::monitorDecodesWhatTheOperatorChose() {
    Monitor monitor;
    if (!monitor.start()) {
        QSKIP("lumidex-monitor is not built or did not start");
    }
    QStringList expected;
    {
        Bench bench(monitor.path());
        expected = sendEveryCommand(*bench.ui);
        QCOMPARE(bench.ui->takeMessages(), QStringList());
    }
    QCOMPARE(monitor.decoded(expected.size()), expected);
}

// COM2 pinned to the monitor's pseudo-terminal in the settings file, read
// once as the program's start-up reads it: the real port opens exactly that
// device, the port list says so, and the close keeps the section as it was.
void EndToEndTest::pinnedPortReachesTheMonitor() {
    Monitor monitor;
    if (!monitor.start()) {
        QSKIP("lumidex-monitor is not built or did not start");
    }
    QTemporaryDir dir;
    const QString ini = dir.path() + "/lumidex2.ini";
    const QByteArray ports =
        "[Ports]\r\n; the bench monitor\r\n  com2 = " + monitor.path().toLocal8Bit() + "\r\n";
    writeFileBytes(ini, "[Settings]\r\nCommPort=2\r\nSetting=19200,n,8,1\r\n" + ports);
    QStringList expected;
    {
        modINI settings(dir.path());
        settings.Load();
        const PortPins pins = readPortPins(settings);
        PosixSerialPort port(pinnedResolver(pins));
        WindowDriver ui(port, settings, pins);
        ui.list("cboComm")->showPopup();
        QCOMPARE(shownText(ui.list("cboComm")->itemData(1, Qt::ToolTipRole).toString()),
                 "COM2 opens " + monitor.path() + " (pinned in lumidex2.ini)");
        ui.list("cboComm")->hidePopup();
        expected = sendEveryCommand(ui);
        QCOMPARE(port.openDevice(), monitor.path());
        QCOMPARE(ui.takeMessages(), QStringList());
        ui.close();
        QCOMPARE(ui.takeMessages(), QStringList());
    }
    QCOMPARE(monitor.decoded(expected.size()), expected);
    QVERIFY(fileBytes(ini).endsWith(ports));
}

void EndToEndTest::deviceGoesAwayWhileConnected() {
    auto pty = std::make_unique<PseudoTerminal>();
    Bench bench(pty->slavePath());
    WindowDriver& ui = *bench.ui;
    ui.click("cmdConnect");
    ui.click("cmdSaveCS_0");
    QCOMPARE(hexOf(bytesOf(pty->readBytes(3, 3000))), QString("FF 73 00 "));

    pty->closeMaster();  // unplugged
    ui.click("cmdSendBCD");
    const QStringList messages = ui.takeMessages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].startsWith("BCD number was not sent: "), qPrintable(messages[0]));
    QCOMPARE(ui.text("lblTxData"), QString());
    ui.click("cmdDP");
    QCOMPARE(ui.text("cmdDP"), QString("DIM"));
    QCOMPARE(ui.takeMessages().size(), 1);

    // Disconnect still works, and the window is as at start.
    ui.click("cmdConnect");
    QCOMPARE(ui.takeMessages(), QStringList());
    QCOMPARE(ui.text("cmdConnect"), QString("Connect"));
    QVERIFY(ui.get("fComm")->isEnabled());
    QVERIFY(!ui.get("SSTab1")->isEnabled());

    // A working device on another port connects and sends.
    PseudoTerminal fresh;
    bench.devices.byPort[2] = fresh.slavePath();
    ui.pick("cboComm", 1);
    ui.click("cmdConnect");
    QCOMPARE(ui.takeMessages(), QStringList());
    ui.click("cmdDP");
    QCOMPARE(hexOf(bytesOf(fresh.readBytes(2, 3000))), QString("FF 6E "));
    QCOMPARE(ui.text("lblTxData"), QString("FF 6E "));
}

void EndToEndTest::portThatCannotBeOpened_data() {
    QTest::addColumn<QString>("why");
    QTest::newRow("no such device") << "missing";
    QTest::newRow("not a serial device") << "file";
    QTest::newRow("held by another program") << "held";
    QTest::newRow("settings the port refuses") << "settings";
}

void EndToEndTest::portThatCannotBeOpened() {
    QFETCH(QString, why);
    PseudoTerminal pty;
    QTemporaryDir dir;
    QString device = pty.slavePath();
    QSerialPort holder;
    if (why == "missing") {
        device = dir.path() + "/ttyGONE";
    } else if (why == "file") {
        device = dir.path() + "/plain-file";
        QFile file(device);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (why == "held") {
        holder.setPortName(pty.slavePath());
        QVERIFY(holder.open(QIODevice::ReadWrite));
    }
    Bench bench(device);
    WindowDriver& ui = *bench.ui;
    if (why == "settings") {
        // As a hand-edited settings file would give it.
        bench.port->setSettings("9600,x,8,1");
    }
    ui.click("cmdConnect");
    QCOMPARE(ui.takeMessages(), QStringList{"COM ERROR !"});
    QCOMPARE(ui.text("cmdConnect"), QString("Connect"));
    QVERIFY(!bench.port->PortOpen());
    QVERIFY(!ui.get("SSTab1")->isEnabled());
    holder.close();

    // Once the cause is gone, the next try connects on a working port.
    PseudoTerminal fresh;
    bench.devices.byPort[1] = fresh.slavePath();
    ui.pick("cboBaud", 1);
    ui.click("cmdConnect");
    QCOMPARE(ui.takeMessages(), QStringList());
    QCOMPARE(ui.text("cmdConnect"), QString("Disconnect"));
}

// Thousands of clicks in a seeded random order, in every state: no crash, every
// byte that reaches the wire belongs to a valid command, and the echo always
// shows exactly the bytes of the last frame that arrived.
void EndToEndTest::randomClicksNeverSendAWrongByte() {
    auto pty = std::make_unique<PseudoTerminal>();
    Bench bench(pty->slavePath());
    WindowDriver& ui = *bench.ui;
    QRandomGenerator random(20261207);
    const QStringList buttons = {"cmdConnect",  "cmdSendAscii", "cmdSendBCD", "cmdSendInteger",
                                 "cmdSendSD",   "cmdDPCtl",     "cmdDP",      "cmdSaveCS_0",
                                 "cmdSaveCS_1", "cmdConfig"};
    const QStringList lists = {"cboUID", "cboHighByte", "cboLowByte", "cboBCDHi", "cboBCDLo",
                               "cboMEM", "cboMuid",     "cboMBaud",   "cboComm",  "cboBaud"};
    QStringList boxes = {"Check1", "chkDP_1", "chkDP_2", "chkDP_4", "chkDP_8"};
    for (int digit = 1; digit <= 4; ++digit) {
        for (int bit = 1; bit <= 128; bit <<= 1) {
            boxes << QStringLiteral("chkD%1_%2").arg(digit).arg(bit);
        }
    }
    for (int i = 0; i < 4; ++i) {
        boxes << QStringLiteral("chkDP4_%1").arg(i);
    }
    // COM3 is never present, so picking it makes the next connect fail.
    bench.devices.byPort[2] = pty->slavePath();

    QByteArray wire;
    int frames = 0;
    for (int step = 0; step < 3000; ++step) {
        const int kind = random.bounded(10);
        if (kind < 5) {
            ui.click(buttons[random.bounded(buttons.size())]);
        } else if (kind < 7) {
            const QString name = lists[random.bounded(lists.size())];
            ui.list(name)->setFocus();
            QTest::keyClick(ui.list(name), random.bounded(2) ? Qt::Key_Down : Qt::Key_Up);
        } else if (kind < 9) {
            ui.click(boxes[random.bounded(boxes.size())]);
        } else {
            ui.typeText("txtASCII", QString::number(random.bounded(100000)));
        }
        ui.takeMessages();
        const int sent = std::exchange(bench.port->accepted, 0);
        const QByteArray arrived = pty->readBytes(sent, 3000);
        QCOMPARE(arrived.size(), sent);
        if (sent > 0) {
            ++frames;
            QCOMPARE(hexOf(bytesOf(arrived)), ui.text("lblTxData"));
        }
        wire += arrived;
    }
    FrameDecoder decoder;
    int valid = 0;
    for (const DecodedFrame& frame : decoder.feed(bytesOf(wire))) {
        QVERIFY2(frame.kind == DecodedFrame::Kind::Complete && frame.valid,
                 frame.description.c_str());
        ++valid;
    }
    QVERIFY(decoder.flush().empty());
    QCOMPARE(valid, frames);
    QVERIFY2(frames > 300, qPrintable(QString::number(frames)));
}

// The module stops reading: clicks go on until the line refuses them, then
// each kind of frame is tried once more. What reached the line is whole frames
// only, every refused click says so, and no click holds the window up for a
// quarter second. One 2-byte frame ahead of the 8-byte ones puts the frame
// boundaries off the driver's buffer blocks, so a line that filled up byte by
// byte would stop inside a frame.
void EndToEndTest::stalledLineGetsWholeFramesOrNone() {
    PseudoTerminal pty;
    Bench bench(pty.slavePath());
    WindowDriver& ui = *bench.ui;
    ui.click("cmdConnect");
    const std::pair<const char*, int> buttons[] = {{"cmdDP", 2},       {"cmdDPCtl", 3},
                                                   {"cmdSaveCS_0", 3}, {"cmdSendBCD", 4},
                                                   {"cmdSendSD", 6},   {"cmdConfig", 8}};
    int frames = 0;
    int refused = 0;
    qint64 slowest = 0;
    for (int i = 0; refused <= int(std::size(buttons)) && i < 5000; ++i) {
        const auto& [button, length] =
            refused > 0 ? buttons[refused - 1] : buttons[i == 0 ? 0 : std::size(buttons) - 1];
        QElapsedTimer click;
        click.start();
        ui.click(button);
        slowest = std::max(slowest, click.elapsed());
        const QStringList messages = ui.takeMessages();
        const int sent = std::exchange(bench.port->accepted, 0);
        if (sent == 0) {
            ++refused;
            QCOMPARE(messages.size(), 1);
            QVERIFY2(messages[0].contains(" was not sent: ") &&
                         messages[0].contains("is not taking data"),
                     qPrintable(messages[0]));
            QCOMPARE(ui.text("lblTxData"), QString());
        } else {
            ++frames;
            QCOMPARE(messages, QStringList());
            QCOMPARE(sent, length);
        }
    }
    QCOMPARE(refused, int(std::size(buttons)) + 1);
    QVERIFY2(slowest < 250, qPrintable(QString("a click took %1 ms").arg(slowest)));

    FrameDecoder decoder;
    int whole = 0;
    for (const DecodedFrame& frame : decoder.feed(bytesOf(pty.readAvailable(300)))) {
        QVERIFY2(frame.kind == DecodedFrame::Kind::Complete && frame.valid,
                 frame.description.c_str());
        ++whole;
    }
    QVERIFY(decoder.flush().empty());
    QCOMPARE(whole, frames);
}

QTEST_MAIN(EndToEndTest)
#include "test_endtoend.moc"
