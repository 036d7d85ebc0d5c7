// The module model: byte streams in, the screen and the notes of what was
// ignored out. Each row is one script; "|" marks a pause long enough for the
// module to give up on a frame in progress, "restart" a power cycle.
#include <QtTest>
#include <random>

#include "module/modulemodel.h"

using namespace lumidex;

class TestModuleModel : public QObject {
    Q_OBJECT

  private slots:
    void scripts_data();
    void scripts();
    void randomBytesAreEachObeyedOrNamed();
};

void TestModuleModel::scripts_data() {
    QTest::addColumn<int>("uid");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("screen");
    QTest::addColumn<QString>("ignored");  // all notes, joined with "; "

    const QString none;
    QTest::newRow("segments, Digit 4 first") << 255 << "FF61 01020408"
                                             << "screen 01 02 04 08 bright" << none;
    QTest::newRow("text glyphs, T is degree") << 255 << "FF62 38542D41"
                                              << "screen F7 17 10 B7 bright" << none;
    QTest::newRow("text without glyph drawn blank")
        << 255 << "FF62 42312009"
        << "screen 00 22 00 00 bright"
        << "character 'B' (0x42) on digit 4 (no glyph, drawn blank); "
           "character 0x09 on digit 1 (no glyph, drawn blank)";
    QTest::newRow("points keep segments") << 255 << "FF61 F7F7FFFF FF63 15"
                                          << "screen F7 FF F7 FF bright"
                                          << "decimal-point bits 0x10 (they name no digit)";
    QTest::newRow("bcd") << 255 << "FF64 1234"
                         << "screen 22 D3 73 36 bright" << none;
    QTest::newRow("bcd nibble above 9") << 255 << "FF64 1A34"
                                        << "screen 22 00 73 36 bright"
                                        << "BCD nibble A on digit 3 (above 9, drawn blank)";
    QTest::newRow("unsigned zero") << 255 << "FF66 0000"
                                   << "screen 00 00 00 E7 bright" << none;
    QTest::newRow("unsigned too wide") << 255 << "FF66 2710"
                                       << "screen 10 10 10 10 bright"
                                       << "value 10000 (needs more than four places)";
    QTest::newRow("signed -1000") << 255 << "FF67 FC18"
                                  << "screen 10 10 10 10 bright"
                                  << "value -1000 (needs more than four places)";
    QTest::newRow("recall restores digits, not brightness")
        << 255 << "FF62 31323334 FF63 01 FF73 13 FF62 20202020 FF6E FF72 13"
        << "screen 22 D3 73 3E dim" << none;
    QTest::newRow("recall empty location") << 255 << "FF62 31323334 FF72 05"
                                           << "screen 00 00 00 00 bright" << none;
    QTest::newRow("location above 19")
        << 255 << "FF62 31323334 FF73 14 FF72 14"
        << "screen 22 D3 73 36 bright"
        << "memory location 20 (locations are 0 to 19); memory location 20 (locations are 0 to 19)";
    QTest::newRow("other unit") << 7 << "FF6E 0762 31202020"
                                << "screen 22 00 00 00 bright"
                                << "frame for UID 255 (this module is 7)";
    QTest::newRow("configure, then new UID, then restart")
        << 255 << "1E1E 09 05 08000008 | FF6E 056E restart"
        << "screen 08 00 00 08 bright"
        << "frame for UID 255 (this module is 5)";
    QTest::newRow("configure elsewhere than 30")
        << 30 << "FF1E 24 07 00000000 1E6E"
        << "screen 00 00 00 00 dim"
        << "configuration frame for UID 255 (taken only at UID 30)";
    QTest::newRow("configure with a bad baud code")
        << 255 << "1E1E 25 07 00000000 FF6E"
        << "screen 00 00 00 00 dim"
        << "configuration with baud code 0x25 (not 24, 12 or 09; nothing changed)";
    QTest::newRow("configure with a bad point byte")
        << 255 << "1E1E 24 07 00000100 FF6E"
        << "screen 00 00 00 00 dim"
        << "configuration with start-up point byte 0x01 on digit 2 (not 00 or 08; nothing changed)";
    QTest::newRow("unknown code, then understood")
        << 255 << "FF41 FF6E"
        << "screen 00 00 00 00 dim"
        << "UID 255  unknown command code 0x41 (skipped the UID byte FF); "
           "UID 65  unknown command code 0xFF (skipped the UID byte 41)";
    QTest::newRow("cut short, then understood")
        << 255 << "FF6231 | FF6E"
        << "screen 00 00 00 00 dim"
        << "UID 255  text frame cut short: 3 of 6 bytes (FF 62 31)";
}

void TestModuleModel::scripts() {
    QFETCH(int, uid);
    QFETCH(QString, script);
    QFETCH(QString, screen);
    QFETCH(QString, ignored);

    ModuleModel module(static_cast<std::uint8_t>(uid));
    FrameDecoder decoder;
    QStringList notes;
    auto apply = [&](const DecodedFrame& frame) {
        for (const std::string& note : module.apply(frame).ignored) {
            notes << QString::fromStdString(note);
        }
    };
    for (const QString& step : script.split(' ')) {
        if (step == "restart") {
            module.restart();
        } else if (step == "|") {
            for (const DecodedFrame& partial : decoder.flush()) {
                apply(partial);
            }
        } else {
            const QByteArray raw = QByteArray::fromHex(step.toLatin1());
            for (const DecodedFrame& frame :
                 decoder.feed(reinterpret_cast<const std::uint8_t*>(raw.constData()),
                              std::size_t(raw.size()))) {
                apply(frame);
            }
        }
    }
    QCOMPARE(decoder.pending(), std::size_t(0));
    QCOMPARE(QString::fromStdString(screenLine(module.screen())), screen);
    QCOMPARE(notes.join("; "), ignored);
}

// Arbitrary bytes, with pauses: no crash, and every frame is either obeyed
// or says what was ignored.
void TestModuleModel::randomBytesAreEachObeyedOrNamed() {
    std::mt19937 random(20261207);
    ModuleModel module(0x1E);  // both the display and the configuration unit
    FrameDecoder decoder;
    int obeyed = 0;
    for (int i = 0; i < 20000; ++i) {
        // Mostly command codes and unit 30, so that many frames are whole.
        static const std::uint8_t likely[] = {0x1E, 0x61, 0x62, 0x63, 0x64, 0x66,
                                              0x67, 0x6E, 0x72, 0x73, 0x08, 0x00};
        const std::uint8_t byte =
            random() % 2 ? likely[random() % sizeof likely] : std::uint8_t(random());
        std::vector<DecodedFrame> frames = decoder.feed(&byte, 1);
        if (random() % 50 == 0) {
            for (DecodedFrame& partial : decoder.flush()) {
                frames.push_back(std::move(partial));
            }
        }
        for (const DecodedFrame& frame : frames) {
            const ModuleResponse r = module.apply(frame);
            QVERIFY2(r.obeyed || !r.ignored.empty(), frame.description.c_str());
            obeyed += r.obeyed;
        }
    }
    QVERIFY2(obeyed > 25, qPrintable(QString::number(obeyed)));
}

QTEST_APPLESS_MAIN(TestModuleModel)
#include "test_modulemodel.moc"
