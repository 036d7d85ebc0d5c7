// Every control at its place: positions and sizes in twips (15 to a pixel)
// from the top-left of the window, panel or page control that holds it.
#include <QCheckBox>
#include <QLabel>
#include <QTabBar>
#include <QTest>

#include "support/recordingport.h"
#include "support/window.h"
#include "ui/tabbedpages.h"

using namespace lumidex;
using namespace lumidex::test;

namespace {

constexpr int px(int twips) {
    return twips / 15;
}

// The window, panel or page control whose corner the control's place counts from.
QWidget* holderOf(QWidget* control, QWidget* window) {
    for (QWidget* w = control->parentWidget(); w; w = w->parentWidget()) {
        const QString name = w->objectName();
        if (w == window || name == "fComm" || name == "fDPControl" || name == "Frame1" ||
            name == "SSTab1") {
            return w;
        }
    }
    return window;
}

}  // namespace

class LayoutTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { ui = std::make_unique<WindowDriver>(port); }
    void cleanup() { ui.reset(); }
    void windowHasItsFixedSizeAndCaption();
    void controlsStandInTheirRectangles_data();
    void controlsStandInTheirRectangles();
    void segmentGridRunsDigit4To1AndBit128To1();
    void decimalPointBoxesRun8To1();
    void tabsAreInOrder();
    void everyControlFitsInsideItsHolder();
    void fontsAndColours();
    void tabKeyFollowsTheFocusOrder_data();
    void tabKeyFollowsTheFocusOrder();

  private:
    RecordingPort port;
    std::unique_ptr<WindowDriver> ui;
};

void LayoutTest::windowHasItsFixedSizeAndCaption() {
    QCOMPARE(ui->window().size(), QSize(px(9120), px(6735)));
    QCOMPARE(ui->window().windowTitle(), QString("Lumidex App"));
    QVERIFY(!ui->window().windowIcon().isNull());
    QCOMPARE(ui->window().windowIcon().availableSizes().value(0), QSize(32, 32));
    const QPixmap picture = ui->get<QLabel>("Picture1")->pixmap();
    QCOMPARE(picture.size(), QSize(80, 105));
    // Black background with red segments and white letters.
    const QImage image = picture.toImage();
    QCOMPARE(image.pixelColor(1, 1), QColor(Qt::black));
    int red = 0, white = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            red += c.red() > 200 && c.green() < 60;
            // Small letters are mostly anti-aliased edges, greyer with
            // some font engines (Qt's FreeType engine on Windows).
            white += c.red() > 150 && c.green() > 150 && c.blue() > 150;
        }
    }
    QVERIFY2(red > 500, qPrintable(QString::number(red)));
    QVERIFY2(white > 50, qPrintable(QString::number(white)));
}

void LayoutTest::controlsStandInTheirRectangles_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");  // width or height 0: not fixed by the layout
    auto row = [](const char* name, int l, int t, int w = 0, int h = 0) {
        QTest::newRow(name) << QString(name) << QRect(l, t, w, h);
    };
    row("fComm", 480, 360, 4455, 855);
    row("cboComm", 1080, 360, 855);
    row("cboBaud", 3120, 360, 975);
    row("cmdConnect", 5280, 600, 1575, 375);
    row("SSTab1", 480, 1560, 8175, 3015);
    row("fDPControl", 480, 4800, 8175, 735);
    row("cboUID", 480, 6120, 735);
    row("Frame1", 1440, 5760, 5655, 735);
    row("lblTxData", 120, 360, 5295, 255);
    row("cmdDP", 7320, 5880, 1215, 375);
    row("txtASCII", 600, 720, 855, 405);
    row("cmdSendAscii", 1920, 720);
    row("cboHighByte", 1560, 720);
    row("cboLowByte", 2520, 720);
    row("cmdSendInteger", 4200, 720);
    row("Check1", 6360, 840);
    row("cboBCDHi", 1560, 1320);
    row("cboBCDLo", 2520, 1320);
    row("cmdSendBCD", 4200, 1320);
    row("cboMEM", 2040, 840);
    row("cmdSaveCS_0", 3360, 840);
    row("cmdSaveCS_1", 3360, 1440);
    row("Picture1", 120, 840, 1215, 1575);
    row("cmdSendSD", 5880, 2520);
    row("cboMuid", 1920, 600);
    row("cboMBaud", 1920, 1080);
    row("chkDP4_0", 3480, 1080);
    row("chkDP4_1", 4320, 1080);
    row("chkDP4_2", 5160, 1080);
    row("chkDP4_3", 6000, 1080);
    row("cmdConfig", 3480, 1800);
    row("labelConfigNote", 5400, 1800, 2415, 495);
    row("labelHint1", 600, 1320);
    row("labelHint2", 600, 1560);
    row("labelHint3", 600, 1800);
    row("labelBcd", 240, 1440);
    row("labelMemory", 600, 840);
    row("labelModuleUid", 480, 720);
    row("labelModuleBaud", 480, 1200);
    row("labelStartupPoints", 3480, 600);
    row("labelSelectUid", 480, 5760);
}

void LayoutTest::controlsStandInTheirRectangles() {
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    QWidget* control = ui->get(name);
    QWidget* holder = holderOf(control, &ui->window());
    const QPoint at = control->mapTo(holder, QPoint(0, 0));
    QCOMPARE(at, QPoint(px(twips.left()), px(twips.top())));
    if (twips.width() > 0) {
        QCOMPARE(control->width(), px(twips.width()));
    }
    if (twips.height() > 0) {
        QCOMPARE(control->height(), px(twips.height()));
    }
}

void LayoutTest::segmentGridRunsDigit4To1AndBit128To1() {
    auto* tab = ui->get("SSTab1");
    const QPoint first = ui->get("chkD4_128")->mapTo(tab, QPoint(0, 0));
    for (int row = 0; row < 4; ++row) {
        const int digit = 4 - row;
        for (int column = 0; column < 8; ++column) {
            auto* box =
                ui->get<QCheckBox>(QStringLiteral("chkD%1_%2").arg(digit).arg(128 >> column));
            QCOMPARE(box->text(), QString("On"));
            QCOMPARE(box->mapTo(tab, QPoint(0, 0)),
                     first + QPoint(px(600) * column, px(360) * row));
            QCOMPARE(box->size(), QSize(px(615), px(255)));
        }
        // The row's caption, then its hexadecimal label, left of the boxes.
        auto* caption = ui->get<QLabel>(QStringLiteral("labelDigit%1").arg(digit));
        auto* hex = ui->get<QLabel>(QStringLiteral("lblD%1").arg(digit));
        QCOMPARE(caption->text(), QStringLiteral("Digit %1 Seg").arg(digit));
        QVERIFY(caption->x() < hex->x());
        QVERIFY(hex->geometry().right() < first.x());
        QCOMPARE(hex->y(), first.y() + px(360) * row);
    }
    auto* header = ui->get<QLabel>("Label14");
    QCOMPARE(header->width(), px(4815));
    QCOMPARE(header->mapTo(tab, QPoint(0, 0)).x(), first.x());
    QVERIFY(header->geometry().bottom() < first.y());
    const QString caption = header->text();
    QCOMPARE(caption.size(), 88);
    const QList<QPair<int, QString>> letters = {{1, "e"},   {14, "d"}, {26, "c"}, {38, "g"},
                                                {50, "dp"}, {63, "f"}, {75, "b"}, {87, "a"}};
    for (const auto& [position, letter] : letters) {
        QCOMPARE(caption.mid(position, letter.size()), letter);
    }
    QCOMPARE(caption.count(QLatin1Char(' ')), 88 - 9);
}

void LayoutTest::decimalPointBoxesRun8To1() {
    const QList<QPair<int, QString>> boxes = {
        {8, "On Digit 4"}, {4, "On Digit 3"}, {2, "On Digit 2"}, {1, "On Digit 1"}};
    int left = ui->get("chkDP_8")->x();
    for (const auto& [index, caption] : boxes) {
        auto* box = ui->get<QCheckBox>(QStringLiteral("chkDP_%1").arg(index));
        QCOMPARE(box->text(), caption);
        QCOMPARE(box->x(), left);
        left += px(1200);
    }
    QVERIFY(ui->get("cmdDPCtl")->x() > ui->get("chkDP_1")->geometry().right());
    QCOMPARE(ui->text("cmdDPCtl"), QString("Set/Reset Decimal Points "));
}

void LayoutTest::tabsAreInOrder() {
    QTabBar* tabs = ui->get<TabbedPages>("SSTab1")->tabBar();
    QCOMPARE(tabs->count(), 5);
    const QStringList captions = {"ASCII", "Integer/BCD", "Save/Restore", "Segments", "Config LED"};
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(tabs->tabText(i), captions[i]);
        if (i > 0) {
            // One row, left to right.
            QCOMPARE(tabs->tabRect(i).top(), tabs->tabRect(0).top());
            QVERIFY(tabs->tabRect(i).left() > tabs->tabRect(i - 1).left());
        }
    }
    // The tab strip ends above the first control of any page.
    QVERIFY(tabs->geometry().bottom() < px(600));
}

void LayoutTest::everyControlFitsInsideItsHolder() {
    for (QWidget* control : ui->window().findChildren<QWidget*>()) {
        const QString name = control->objectName();
        if (name.isEmpty() || name.startsWith("qt_") || !control->parentWidget()) {
            continue;
        }
        QWidget* holder = holderOf(control, &ui->window());
        const QRect placed(control->mapTo(holder, QPoint(0, 0)), control->size());
        QVERIFY2(holder->rect().contains(placed),
                 qPrintable(name + " leaves " + holder->objectName()));
    }
}

void LayoutTest::fontsAndColours() {
    auto* text = ui->get("txtASCII");
    QCOMPARE(text->font().pointSize(), 12);
    QCOMPARE(text->palette().color(QPalette::Text), QColor(Qt::red));
    QCOMPARE(ui->get("lblTxData")->palette().color(QPalette::Window), QColor(192, 192, 255));
    QCOMPARE(ui->window().font().pointSizeF(), 8.25);
    QCOMPARE(ui->text("labelConfigNote"), QString("Configuration done when \"SEt\" displayed"));
}

void LayoutTest::tabKeyFollowsTheFocusOrder_data() {
    QTest::addColumn<bool>("connected");
    QTest::addColumn<int>("page");
    QTest::addColumn<QStringList>("order");
    const QStringList dp = {"chkDP_1", "chkDP_2", "chkDP_4", "chkDP_8", "cmdDPCtl"};
    // Disconnected, the tabs take no focus: the order wraps from "DIM" to the port list.
    QTest::newRow("disconnected") << false << 4 << QStringList{"cboComm", "cboBaud", "cmdConnect",
                                                               "cboUID",  "cmdDP",   "cboComm"};
    QTest::newRow("page ASCII") << true << 0
                                << QStringList{"cmdConnect", "cboUID", "txtASCII", "cmdSendAscii",
                                               "cmdDP"} +
                                       dp + QStringList{"tabs"};
    QTest::newRow("page Integer/BCD")
        << true << 1
        << QStringList{"cmdConnect",     "cboUID",   "cboHighByte", "cboLowByte", "Check1",
                       "cmdSendInteger", "cboBCDHi", "cboBCDLo",    "cmdSendBCD", "cmdDP"} +
               dp + QStringList{"tabs"};
    QTest::newRow("page Save/Restore")
        << true << 2
        << QStringList{"cmdConnect", "cboUID", "cboMEM", "cmdSaveCS_0", "cmdSaveCS_1", "cmdDP"} +
               dp + QStringList{"tabs"};
    QStringList segments = {"cmdConnect", "cboUID", "cmdDP"};
    for (int digit = 4; digit >= 1; --digit) {
        for (int bit = 1; bit <= 128; bit <<= 1) {
            segments << QStringLiteral("chkD%1_%2").arg(digit).arg(bit);
        }
    }
    QTest::newRow("page Segments")
        << true << 3 << segments + QStringList{"cmdSendSD"} + dp + QStringList{"tabs"};
    QTest::newRow("page Config LED")
        << true << 4
        << QStringList{"cmdConnect", "cboUID",   "cmdDP",    "cboMuid",  "cboMBaud",
                       "chkDP4_0",   "chkDP4_1", "chkDP4_2", "chkDP4_3", "cmdConfig"} +
               dp + QStringList{"tabs"};
}

void LayoutTest::tabKeyFollowsTheFocusOrder() {
    QFETCH(bool, connected);
    QFETCH(int, page);
    QFETCH(QStringList, order);
    if (connected) {
        ui->click("cmdConnect");
    }
    ui->showPage(page);
    ui->window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&ui->window()));
    QWidget* start = connected ? ui->get<TabbedPages>("SSTab1")->tabBar() : ui->get("cmdDP");
    start->setFocus();
    QCOMPARE(QApplication::focusWidget(), start);
    QStringList seen;
    for (int i = 0; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        seen << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(seen, order);
}

QTEST_MAIN(LayoutTest)
#include "test_layout.moc"
