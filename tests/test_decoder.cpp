// The frame decoder: frames built by the encoders decode back to what was
// put in, streams split into frames the same way however the bytes arrive,
// and nothing in a stream of arbitrary bytes is lost or crashes it.
#include <QtTest>
#include <functional>
#include <random>

#include "protocol/commands.h"
#include "protocol/decoder.h"
#include "support/commandrows.h"

using namespace lumidex;
using lumidex::test::commandRows;

using Encoder = std::function<int(Frame&)>;
Q_DECLARE_METATYPE(Encoder)

namespace {

std::vector<std::uint8_t> fromHex(const QByteArray& hex) {
    const QByteArray raw = QByteArray::fromHex(hex);
    return {raw.begin(), raw.end()};
}

// Splits the stream into chunks of the given sizes (cycled) and feeds them.
std::vector<DecodedFrame> feedInChunks(FrameDecoder& d, const std::vector<std::uint8_t>& bytes,
                                       const std::vector<std::size_t>& sizes) {
    std::vector<DecodedFrame> out;
    std::size_t at = 0;
    for (std::size_t i = 0; at < bytes.size(); ++i) {
        const std::size_t n = std::min(sizes[i % sizes.size()], bytes.size() - at);
        for (DecodedFrame& f : d.feed(bytes.data() + at, n)) {
            out.push_back(std::move(f));
        }
        at += n;
    }
    return out;
}

QStringList descriptions(const std::vector<DecodedFrame>& frames) {
    QStringList out;
    for (const DecodedFrame& f : frames) {
        out << QString::fromStdString(f.description);
    }
    return out;
}

}  // namespace

class TestDecoder : public QObject {
    Q_OBJECT

  private slots:
    void roundTrip_data();
    void roundTrip();
    void invalidPayload_data();
    void invalidPayload();
    void streams_data();
    void streams();
    void randomStreamLosesNothing();
};

void TestDecoder::roundTrip_data() {
    QTest::addColumn<int>("uid");
    QTest::addColumn<Encoder>("encode");
    QTest::addColumn<QString>("expected");

    auto text = [](std::u32string s) {
        return Encoder([s](Frame& f) { return encodeText(f, padText(s)); });
    };
    auto integer = [](bool isSigned, int hi, int lo) {
        return Encoder([=](Frame& f) { return encodeInteger(f, isSigned, hi, lo); });
    };

    // Every command the window sends, then what those rows leave out.
    for (const test::CommandRow& row : commandRows()) {
        QTest::newRow(row.name.c_str())
            << test::frameUid(row) << Encoder([&row](Frame& f) { return test::encodeRow(row, f); })
            << QString::fromStdString(row.decoded);
    }
    QTest::newRow("text escapes") << 255 << text(U"\x01\"\\\u00e9")
                                  << QString::fromUtf8(R"(UID 255  text "\x01\"\\é")");
    QTest::newRow("text nul, nbsp, DEL")
        << 7 << text(std::u32string{U'\0', U'a', U'\u00a0', U'\x7f'})
        << R"(UID 7  text "\x00a\xA0\x7F")";
    QTest::newRow("unsigned top") << 255 << integer(false, 0xFF, 0xFF)
                                  << "UID 255  unsigned integer 0xFFFF (65535)";
    QTest::newRow("signed -1") << 255 << integer(true, 0xFF, 0xFF)
                               << "UID 255  signed integer 0xFFFF (-1)";
    QTest::newRow("signed lowest")
        << 255 << integer(true, 0x80, 0x00) << "UID 255  signed integer 0x8000 (-32768)";
    const std::pair<int, const char*> points[] = {{2, "on digit 2"},
                                                  {15, "on digits 4, 3, 2 and 1"}};
    for (const auto& [mask, words] : points) {
        QTest::addRow("decimal points %d", mask)
            << 255 << Encoder([mask = mask](Frame& f) { return encodeDecimalPoints(f, mask); })
            << QStringLiteral("UID 255  decimal points %1").arg(QLatin1String(words));
    }
}

void TestDecoder::roundTrip() {
    QFETCH(int, uid);
    QFETCH(Encoder, encode);
    QFETCH(QString, expected);

    Frame f{};
    const int count = encode(f);
    f[0] = static_cast<std::uint8_t>(uid);
    const std::vector<std::uint8_t> wire(f.begin(), f.begin() + count);

    FrameDecoder d;
    const std::vector<DecodedFrame> out = d.feed(wire);
    QCOMPARE(out.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(out[0].description), expected);
    QVERIFY(out[0].kind == DecodedFrame::Kind::Complete);
    QVERIFY(out[0].valid);
    QCOMPARE(out[0].uid, std::uint8_t(uid));
    QCOMPARE(out[0].code, std::optional<std::uint8_t>(f[1]));
    QVERIFY(out[0].bytes == wire);
    QVERIFY(out[0].payload == std::vector<std::uint8_t>(wire.begin() + 2, wire.end()));
    QCOMPARE(d.pending(), std::size_t(0));
}

void TestDecoder::invalidPayload_data() {
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QString>("expected");

    QTest::newRow("bcd low nibble")
        << QByteArray("FF649A05") << "UID 255  BCD invalid: 9A 05 holds a digit above 9";
    QTest::newRow("bcd high nibble")
        << QByteArray("FF6405A0") << "UID 255  BCD invalid: 05 A0 holds a digit above 9";
    QTest::newRow("baud code")
        << QByteArray("1E1E250500000000")
        << "UID 30  configure: baud code 0x25 (invalid: not 24, 12 or 09), new UID 5, "
           "start-up decimal points off";
    QTest::newRow("start-up point byte")
        << QByteArray("1E1E2405080500FF")
        << "UID 30  configure: baud 9600, new UID 5, start-up decimal points invalid: "
           "08 05 00 FF (each byte must be 00 or 08)";
    QTest::newRow("decimal point bits") << QByteArray("FF6319")
                                        << "UID 255  decimal points on digits 4 and 1 "
                                           "(invalid: bits 0x10 name no digit)";
    QTest::newRow("memory location") << QByteArray("FF7314")
                                     << "UID 255  save screen to memory 20 "
                                        "(invalid: memory locations are 0 to 19)";
}

void TestDecoder::invalidPayload() {
    QFETCH(QByteArray, wire);
    QFETCH(QString, expected);

    FrameDecoder d;
    const std::vector<DecodedFrame> out = d.feed(fromHex(wire));
    QCOMPARE(out.size(), std::size_t(1));
    QVERIFY(out[0].kind == DecodedFrame::Kind::Complete);
    QVERIFY(!out[0].valid);
    QCOMPARE(QString::fromStdString(out[0].description), expected);
}

void TestDecoder::streams_data() {
    // "|" in the stream marks a flush (an idle line); the stream ends with one too.
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("back to back") << QByteArray("FF6E 056300 FF649905 1E1E2400FF000000")
                                  << QStringList{"UID 255  brightness toggle",
                                                 "UID 5  decimal points off", "UID 255  BCD 9905",
                                                 "UID 30  configure: baud 9600, new UID 0, "
                                                 "start-up decimal points invalid: FF 00 00 00 "
                                                 "(each byte must be 00 or 08)"};
    QTest::newRow("unknown code, resynchronised")
        << QByteArray("FF41FF6E")
        << QStringList{"UID 255  unknown command code 0x41 (skipped the UID byte FF)",
                       "UID 65  unknown command code 0xFF (skipped the UID byte 41)",
                       "UID 255  brightness toggle"};
    // A frame right behind one with an unknown code is found in the bytes
    // held for the frame the code byte seemed to start, at a pause or when
    // they make an invalid frame.
    QTest::newRow("unknown code, then a frame at once")
        << QByteArray("1E991E6E")
        << QStringList{"UID 30  unknown command code 0x99 (skipped the UID byte 1E)",
                       "UID 153  cut short after the unit identifier (99)",
                       "UID 30  brightness toggle"};
    QTest::newRow("unknown code, then frames without a pause")
        << QByteArray("1E991E6EFF6220203132")
        << QStringList{"UID 30  unknown command code 0x99 (skipped the UID byte 1E)",
                       "UID 153  cut short after the unit identifier (99)",
                       "UID 30  brightness toggle", R"(UID 255  text "  12")"};
    QTest::newRow("stray byte before a frame")
        << QByteArray("00FF7213")
        << QStringList{"UID 0  unknown command code 0xFF (skipped the UID byte 00)",
                       "UID 255  recall screen from memory 19"};
    QTest::newRow("cut short mid-frame")
        << QByteArray("FF62 2020")
        << QStringList{"UID 255  text frame cut short: 4 of 6 bytes (FF 62 20 20)"};
    QTest::newRow("cut short after the UID")
        << QByteArray("FF6E FF")
        << QStringList{"UID 255  brightness toggle",
                       "UID 255  cut short after the unit identifier (FF)"};
    QTest::newRow("decoding resumes after a flush")
        << QByteArray("0161|FF6E")
        << QStringList{"UID 1  segments frame cut short: 2 of 6 bytes (01 61)",
                       "UID 255  brightness toggle"};
    QTest::newRow("empty") << QByteArray("") << QStringList{};
}

void TestDecoder::streams() {
    QFETCH(QByteArray, stream);
    QFETCH(QStringList, expected);

    // Runs the stream with the given chunking; flushes at every "|".
    auto run = [&stream](const std::vector<std::size_t>& sizes) {
        FrameDecoder d;
        std::vector<DecodedFrame> out;
        for (const QByteArray& part : stream.split('|')) {
            for (DecodedFrame& f : feedInChunks(d, fromHex(part), sizes)) {
                out.push_back(std::move(f));
            }
            for (DecodedFrame& f : d.flush()) {
                out.push_back(std::move(f));
            }
        }
        return out;
    };
    const std::vector<DecodedFrame> whole = run({1u << 20});
    QCOMPARE(descriptions(whole), expected);
    QVERIFY(run({1}) == whole);
    QVERIFY(run({3, 1, 2}) == whole);
}

void TestDecoder::randomStreamLosesNothing() {
    std::mt19937 random(20261207);
    const std::uint8_t codes[] = {0x1E, 0x61, 0x62, 0x63, 0x64, 0x66, 0x67, 0x6E, 0x72, 0x73};
    std::vector<std::uint8_t> stream;
    for (int i = 0; i < 5000; ++i) {
        // Every other byte a command code, so frames of every kind show up.
        stream.push_back(random() % 2 ? codes[random() % std::size(codes)]
                                      : static_cast<std::uint8_t>(random()));
    }

    FrameDecoder byByte;
    const std::vector<DecodedFrame> expected = feedInChunks(byByte, stream, {1});
    FrameDecoder chunked;
    const std::vector<DecodedFrame> out = feedInChunks(chunked, stream, {7, 1, 64, 3});
    QVERIFY(out == expected);
    QCOMPARE(chunked.pending(), byByte.pending());

    // Every byte is accounted for exactly once: reports, then what is held.
    std::vector<std::uint8_t> accounted;
    int complete = 0;
    for (const DecodedFrame& f : out) {
        QVERIFY(!f.bytes.empty());
        QVERIFY(f.description.rfind("UID " + std::to_string(f.uid) + "  ", 0) == 0);
        if (f.kind == DecodedFrame::Kind::Complete) {
            ++complete;
            QCOMPARE(int(f.bytes.size()), frameLengthOf(*f.code));
        }
        accounted.insert(accounted.end(), f.bytes.begin(), f.bytes.end());
    }
    for (const DecodedFrame& f : chunked.flush()) {
        accounted.insert(accounted.end(), f.bytes.begin(), f.bytes.end());
    }
    QVERIFY(accounted == stream);
    QVERIFY(complete > 100);
}

QTEST_APPLESS_MAIN(TestDecoder)
#include "test_decoder.moc"
