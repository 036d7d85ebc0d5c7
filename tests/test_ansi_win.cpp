// ANSI text in the system's code page, for the code pages 1252, 932 and
// UTF-8: what each holds as one byte goes out as that byte, and everything
// else is refused rather than replaced by a look-alike. Under Wine the host's
// locale or a manifest beside the program selects the code page; the Linux
// side runs this program under each, naming the one it expects in
// LUMIDEX_EXPECT_ACP.
#include <windows.h>

#include <QtTest>

#include "protocol/ansi.h"

using namespace lumidex;

class TestAnsi : public QObject {
    Q_OBJECT

  private slots:
    void systemCodePage_data();
    void systemCodePage();
};

void TestAnsi::systemCodePage_data() {
    QTest::addColumn<uint>("ch");
    QTest::addColumn<int>("byte");  // -1: refused

    const unsigned codePage = GetACP();
    const QByteArray expected = qgetenv("LUMIDEX_EXPECT_ACP");
    QVERIFY2(expected.isEmpty() || expected.toUInt() == codePage,
             qPrintable(QStringLiteral("the system code page is %1").arg(codePage)));
    const int column = codePage == 1252 ? 0 : codePage == 932 ? 1 : codePage == CP_UTF8 ? 2 : -1;
    if (column < 0) {
        QSKIP("the system code page is none of 1252, 932 and UTF-8");
    }
    // Best fit would send A for Ā and e for é under 932: another character
    // than the one typed.
    const struct {
        char32_t ch;
        int byte[3];  // 1252, 932, UTF-8
    } cases[] = {
        {U'A', {0x41, 0x41, 0x41}},         {U'\x7F', {0x7F, 0x7F, 0x7F}},
        {U'\u00E9', {0xE9, -1, -1}},        {U'\u20AC', {0x80, -1, -1}},
        {U'\u0100', {-1, -1, -1}},          {U'\uFF71', {-1, 0xB1, -1}},
        {U'\u00A5', {0xA5, -1, -1}},        {U'\u4E2D', {-1, -1, -1}},
        {U'\U0001F600', {-1, -1, -1}},      {char32_t(0xD800), {-1, -1, -1}},
        {char32_t(0x110000), {-1, -1, -1}},
    };
    for (const auto& c : cases) {
        QTest::addRow("U+%04X", unsigned(c.ch)) << uint(c.ch) << c.byte[column];
    }
}

void TestAnsi::systemCodePage() {
    QFETCH(uint, ch);
    QFETCH(int, byte);
    try {
        QCOMPARE(int(ansiByte(char32_t(ch))), byte);
    } catch (const ConversionError& e) {
        QVERIFY2(byte < 0, e.what());
        QVERIFY2(QByteArray(e.what()).contains("has no one-byte value in the system code page"),
                 e.what());
    }
}

QTEST_APPLESS_MAIN(TestAnsi)
#include "test_ansi_win.moc"
