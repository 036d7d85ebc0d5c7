// Command frames as the window sends them: an encoder fills the frame, the
// transmitter stamps the unit identifier and writes it to an open port byte
// by byte, echoing each byte. Checks the bytes on the port for every command
// row, the echo, and what a failure leaves behind.
#include <QtTest>
#include <functional>

#include "link/transmitframe.h"
#include "protocol/ansi.h"
#include "protocol/commands.h"
#include "protocol/frame.h"
#include "support/commandrows.h"
#include "support/recordingport.h"

using namespace lumidex;
using namespace lumidex::test;

using Encoder = std::function<int(Frame&)>;
Q_DECLARE_METATYPE(Encoder)

namespace {

QByteArray hexOf(const std::vector<std::uint8_t>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()))
        .toHex(' ')
        .toUpper();
}

QByteArray hexOf(const Frame& f) {
    return hexOf(std::vector<std::uint8_t>(f.begin(), f.end()));
}

// One send as a button handler does it: encode, then transmit on the port.
// Every echo update is checked against the bytes already on the port.
struct Sender {
    RecordingPort port;
    Frame frame{};
    std::vector<std::string> echoes;

    Sender() { port.setPortOpen(true); }

    void send(const Encoder& encode, int uid) {
        const int count = encode(frame);
        const std::size_t before = port.bytes.size();
        TransmitFrame(frame, uid, count, port, [this, before](const std::string& text) {
            echoes.push_back(text);
            const std::vector<std::uint8_t> sent(port.bytes.begin() + before, port.bytes.end());
            QCOMPARE(QByteArray::fromStdString(text),
                     sent.empty() ? QByteArray() : hexOf(sent) + ' ');
        });
    }
    QByteArray echo() const {
        return echoes.empty() ? QByteArray("<never set>")
                              : QByteArray::fromStdString(echoes.back());
    }
};

Encoder text(std::u32string s) {
    return [s](Frame& f) { return encodeText(f, padText(s)); };
}

Encoder config(int baud, int uid, std::array<bool, 4> points) {
    return [=](Frame& f) { return encodeConfig(f, uid, baud, points); };
}

}  // namespace

class TestProtocol : public QObject {
    Q_OBJECT

  private slots:
    void wire_data();
    void wire();
    void everyCommandHasRows();
    void countZeroSendsNothing();
    void staleBytesBeyondCountStayUnsent();
    void uidChangesOnlyByteZero();
    void uidWithoutEntry();
    void portRefusesByte_data();
    void portRefusesByte();
    void encoderFailure_data();
    void encoderFailure();
};

void TestProtocol::wire_data() {
    QTest::addColumn<int>("row");
    for (std::size_t i = 0; i < commandRows().size(); ++i) {
        QTest::newRow(commandRows()[i].name.c_str()) << int(i);
    }
}

void TestProtocol::wire() {
    QFETCH(int, row);
    const CommandRow& command = commandRows()[std::size_t(row)];
    const QByteArray wire = QByteArray::fromStdString(command.wire);

    Sender s;
    s.frame.fill(0xEE);  // whatever an earlier command left
    s.send([&command](Frame& f) { return encodeRow(command, f); }, frameUid(command));
    QCOMPARE(hexOf(s.port.bytes), wire);
    QCOMPARE(s.echo(), wire + ' ');
    QCOMPARE(s.echoes.front(), std::string());  // emptied before the first byte
    // Room for the whole frame first, then one port call per byte.
    QCOMPARE(s.port.calls.size(), 2 + s.port.bytes.size());
    QCOMPARE(s.port.calls[1], "reserve " + std::to_string(s.port.bytes.size()));
}

// The shared test rows cover every command of the command table, and each
// row's sender word and frame length are the table's for its code.
void TestProtocol::everyCommandHasRows() {
    for (const Command& command : commandTable()) {
        int rows = 0;
        for (const CommandRow& row : commandRows()) {
            if (&commandOf(row) == &command) {
                ++rows;
                QCOMPARE(QByteArray::fromStdString(row.wire).split(' ').size(),
                         int(command.length));
                QCOMPARE(QByteArray::fromStdString(row.sender).split(' ').front(),
                         QByteArray(command.word));
            }
        }
        QVERIFY2(rows > 0, command.name);
    }
}

void TestProtocol::countZeroSendsNothing() {
    Sender s;
    s.send(text(U"12"), 255);
    s.send([](Frame&) { return 0; }, 7);
    QCOMPARE(s.frame[0], std::uint8_t(7));
    QCOMPARE(s.echo(), QByteArray());
    QCOMPARE(hexOf(s.port.bytes), QByteArray("FF 62 20 20 31 32"));
}

void TestProtocol::staleBytesBeyondCountStayUnsent() {
    Sender s;
    s.send(config(38400, 5, {true, false, false, true}), ConfigUid);
    s.port.bytes.clear();
    s.send(encodeBrightness, 255);
    QCOMPARE(hexOf(s.port.bytes), QByteArray("FF 6E"));
    QCOMPARE(s.echo(), QByteArray("FF 6E "));
    // The configuration payload stays in the frame, unsent; spare bytes stay zero.
    QCOMPARE(hexOf(s.frame), QByteArray("FF 6E 09 05 08 00 00 08 00 00 00"));
}

void TestProtocol::uidChangesOnlyByteZero() {
    Sender s;
    const Encoder bcd = [](Frame& f) { return encodeBcd(f, 12, 34); };
    s.send(bcd, 255);
    s.send(bcd, 3);
    QCOMPARE(hexOf(s.port.bytes), QByteArray("FF 64 12 34 03 64 12 34"));
}

void TestProtocol::uidWithoutEntry() {
    Sender s;
    s.send(text(U"12"), 9);
    s.port.bytes.clear();
    QVERIFY_THROWS_EXCEPTION(OverflowError, s.send(encodeBrightness, -1));
    QCOMPARE(s.echo(), QByteArray());
    QVERIFY(s.port.bytes.empty());
    QCOMPARE(s.frame[0], std::uint8_t(9));
}

void TestProtocol::portRefusesByte_data() {
    QTest::addColumn<int>("accepted");
    for (int k = 0; k < 6; ++k) {
        QTest::addRow("refuses byte %d", k + 1) << k;
    }
    QTest::newRow("closed port") << -1;
    QTest::newRow("no room") << -2;
}

void TestProtocol::portRefusesByte() {
    QFETCH(int, accepted);
    Sender s;
    if (accepted == -1) {
        s.port.setPortOpen(false);
    } else if (accepted == -2) {
        s.port.failReserve = true;
    } else {
        s.port.outputsBeforeFailure = accepted;
    }
    QVERIFY_THROWS_EXCEPTION(SerialPortError, s.send(text(U"12"), 255));
    const QByteArray sent = QByteArray("FF 62 20 20 31 32 ").left(3 * std::max(accepted, 0));
    QCOMPARE(s.echo(), sent);
    QCOMPARE(hexOf(s.port.bytes) + (sent.isEmpty() ? "" : " "), sent);
}

void TestProtocol::encoderFailure_data() {
    QTest::addColumn<Encoder>("encode");
    QTest::addColumn<QByteArray>("frame");  // the whole frame afterwards, from all EE
    QTest::addColumn<QString>("message");   // part of the error's text

    QTest::newRow("bcd high list empty") << Encoder([](Frame& f) { return encodeBcd(f, -1, 5); })
                                         << QByteArray("EE 64 00 00 EE EE EE EE EE EE EE") << "-1";
    QTest::newRow("bcd low list empty") << Encoder([](Frame& f) { return encodeBcd(f, 42, -1); })
                                        << QByteArray("EE 64 42 00 EE EE EE EE EE EE EE") << "-1";
    QTest::newRow("integer high list empty")
        << Encoder([](Frame& f) { return encodeInteger(f, false, -1, 5); })
        << QByteArray("EE 66 EE EE EE EE EE EE EE EE EE") << "high byte -1";
    QTest::newRow("integer low list empty")
        << Encoder([](Frame& f) { return encodeInteger(f, true, 0x12, -1); })
        << QByteArray("EE 67 12 EE EE EE EE EE EE EE EE") << "low byte -1";
    QTest::newRow("integer high past a byte")
        << Encoder([](Frame& f) { return encodeInteger(f, false, 256, 5); })
        << QByteArray("EE 66 EE EE EE EE EE EE EE EE EE") << "high byte 256";
    QTest::newRow("save list empty")
        << Encoder([](Frame& f) { return encodeSave(f, -1); })
        << QByteArray("EE 73 EE EE EE EE EE EE EE EE EE") << "memory location -1";
    QTest::newRow("recall list empty")
        << Encoder([](Frame& f) { return encodeRecall(f, -1); })
        << QByteArray("EE 72 EE EE EE EE EE EE EE EE EE") << "memory location -1";
    QTest::newRow("config new UID empty")
        << config(9600, -1, {}) << QByteArray("EE 1E 24 EE EE EE EE EE EE EE EE")
        << "new unit identifier -1";
    // A stale baud code from an earlier frame must never go out.
    QTest::newRow("config baud empty")
        << config(-1, 5, {}) << QByteArray("EE 1E EE EE EE EE EE EE EE EE EE") << "-1";
    QTest::newRow("config baud past the list")
        << config(57600, 5, {}) << QByteArray("EE 1E EE EE EE EE EE EE EE EE EE") << "57600";
    // No single-byte character set holds these, whatever the system uses.
    QTest::newRow("text CJK") << text(U"1\u4e2d") << QByteArray("EE 62 20 20 31 EE EE EE EE EE EE")
                              << "U+4E2D";
    QTest::newRow("text emoji first")
        << text(U"\U0001F600") << QByteArray("EE 62 20 20 20 EE EE EE EE EE EE") << "U+1F600";
}

void TestProtocol::encoderFailure() {
    QFETCH(Encoder, encode);
    QFETCH(QByteArray, frame);
    QFETCH(QString, message);

    Sender s;
    s.frame.fill(0xEE);
    try {
        s.send(encode, 255);
        QFAIL("the command was sent");
    } catch (const SerialPortError&) {
        QFAIL("the failure reached the port");
    } catch (const std::exception& e) {
        QVERIFY2(QString::fromUtf8(e.what()).contains(message), e.what());
    }
    QCOMPARE(hexOf(s.frame), frame);
    QVERIFY(s.port.bytes.empty());
    QVERIFY(s.echoes.empty());
}

QTEST_APPLESS_MAIN(TestProtocol)
#include "test_protocol.moc"
