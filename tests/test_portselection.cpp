#include <QtTest>

#include "settings/portselection.h"

using namespace lumidex;

class TestPortSelection : public QObject {
    Q_OBJECT

  private slots:
    void portPosition_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("position");
        QTest::newRow("3") << "3" << 2;
        QTest::newRow("10") << "10" << 9;
        QTest::newRow("leading zero") << "03" << 2;
        QTest::newRow("blanks around") << " \t4 " << 3;
        QTest::newRow("2.5 -> 1.5 rounds up to even") << "2.5" << 2;
        QTest::newRow("3.5 -> 2.5 rounds down to even") << "3.5" << 2;
        QTest::newRow("0.5 -> -0.5 rounds to 0") << "0.5" << 0;
        QTest::newRow("10.4") << "10.4" << 9;
        QTest::newRow("10.5 -> 9.5 rounds to 10, out of range") << "10.5" << 0;
        QTest::newRow("exponent") << "1e1" << 9;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("text") << "abc" << 0;
        QTest::newRow("trailing text") << "3abc" << 0;
        QTest::newRow("0") << "0" << 0;
        QTest::newRow("11") << "11" << 0;
        QTest::newRow("-1") << "-1" << 0;
        QTest::newRow("infinity") << "inf" << 0;
    }
    void portPosition() {
        QFETCH(QString, stored);
        QFETCH(int, position);
        QCOMPARE(storedPortPosition(stored), position);
    }

    void baudPosition_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("position");
        QTest::newRow("9600") << "9600,n,8,1" << 0;
        QTest::newRow("19200") << "19200,n,8,1" << 1;
        QTest::newRow("38400") << "38400,n,8,1" << 2;
        QTest::newRow("19200 other framing") << "19200,e,7,2" << 1;
        QTest::newRow("9600 other framing") << "9600,E,7,2" << 0;
        QTest::newRow("unknown rate, 11 long") << "57600,n,8,1" << -1;
        QTest::newRow("unknown rate, 10 long") << "4800,n,8,1" << -1;
        QTest::newRow("9600 but 11 long") << "9600,n,8,1 " << -1;
        QTest::newRow("19200 but 12 long") << "19200,n,8,1 " << -1;
        QTest::newRow("no comma") << "19200;n,8,1" << -1;
        QTest::newRow("empty") << "" << 0;
    }
    void baudPosition() {
        QFETCH(QString, stored);
        QFETCH(int, position);
        QCOMPARE(storedBaudPosition(stored), position);
    }
};

QTEST_GUILESS_MAIN(TestPortSelection)
#include "test_portselection.moc"
