// What a screen reader meets in the window through Qt's accessibility
// interfaces (AT-SPI on Linux, UI Automation on Windows): controls named so
// they can be told apart, and the echo and the masks read as text whose every
// change is announced once.
#include <QAccessible>
#include <QLineEdit>
#include <QScopeGuard>
#include <QSet>
#include <QTabBar>
#include <QTest>

#include "support/recordingport.h"
#include "support/window.h"
#include "ui/tabbedpages.h"
#include "ui/toolkit.h"

using namespace lumidex;
using namespace lumidex::test;

// What a screen reader tells a control by. Qt on Linux names a list by the
// entry it shows; there the list's description, or else its label, tells it.
static QString identity(QAccessibleInterface* c) {
    const QString name = c->text(QAccessible::Name);
    if (c->role() != QAccessible::ComboBox || name != c->text(QAccessible::Value)) {
        return name;
    }
    const auto labels = c->relations(QAccessible::Label);
    return !c->text(QAccessible::Description).isEmpty() ? c->text(QAccessible::Description)
           : labels.isEmpty()                           ? QString()
                                                        : labels[0].first->text(QAccessible::Name);
}

class AccessibilityTest : public QObject {
    Q_OBJECT
  private slots:
    void controlsAreNamed_data();
    void controlsAreNamed();
    void everyControlIsToldApart();
    void newEchoAndMaskAreAnnounced();
};

void AccessibilityTest::controlsAreNamed_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("cboComm") << "Com Port";
    QTest::newRow("cboLowByte") << "16 Bits Integer, low byte";
    QTest::newRow("cboBCDHi") << "4 Digits BCD, Digit 4 and Digit 3";
    QTest::newRow("txtASCII") << "Text to display";
    QTest::newRow("chkD4_1") << "Digit 4 segment a";
    QTest::newRow("chkD2_128") << "Digit 2 segment e";
    QTest::newRow("chkD1_8") << "Digit 1 decimal point";
    QTest::newRow("lblTxData") << "Transmitted Bytes (HEX)";
    QTest::newRow("lblD3") << "Digit 3 mask";
}

void AccessibilityTest::controlsAreNamed() {
    QFETCH(QString, name);
    RecordingPort port;
    WindowDriver ui{port};
    QWidget* control = ui.get(QTest::currentDataTag());
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(control);
    QCOMPARE(identity(iface), name);
    if (auto* label = qobject_cast<QLabel*>(control)) {  // read as text
        QVERIFY(iface->textInterface());
        QCOMPARE(iface->textInterface()->text(0, label->text().size()), label->text());
    }
}

// Every control the operator uses, tabs included, is told apart within its
// page (or outside the pages), and across the window by its description.
void AccessibilityTest::everyControlIsToldApart() {
    RecordingPort port;
    WindowDriver ui{port};
    auto* pages = ui.get<TabbedPages>("SSTab1");
    QList<QAccessibleInterface*> controls;
    // Left out: the tab strip's scroll buttons, hidden for good.
    for (QWidget* w : ui.window().findChildren<QWidget*>()) {
        const bool operable = qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) ||
                              qobject_cast<QLineEdit*>(w);
        if (operable && !w->isHidden()) {
            controls << QAccessible::queryAccessibleInterface(w);
        }
    }
    QAccessibleInterface* tabs = QAccessible::queryAccessibleInterface(pages->tabBar());
    for (int i = 0; i < pages->count(); ++i) {
        controls << tabs->child(i);
    }
    QSet<QString> inPlace, inWindow;
    for (QAccessibleInterface* c : controls) {
        QString where = "window";
        for (int p = 0; p < pages->count(); ++p) {
            const auto* w = qobject_cast<QWidget*>(c->object());
            where = pages->page(p)->isAncestorOf(w) ? QString::number(p) : where;
        }
        const QString id = identity(c);
        const QString about = id + '\n' + c->text(QAccessible::Description);
        QVERIFY2(!id.isEmpty() && !inPlace.contains(where + '\n' + id), qPrintable(id));
        QVERIFY2(!inWindow.contains(about), qPrintable(id));
        inPlace << where + '\n' + id;
        inWindow << about;
    }
    QCOMPARE(controls.size(), 67);  // 10 lists, a text box, 41 boxes, 10 buttons, 5 tabs

    // A label beside a control names it.
    for (const QLabel* label : ui.window().findChildren<QLabel*>()) {
        if (label->buddy()) {
            const auto buddy = QAccessible::queryAccessibleInterface(label->buddy());
            QVERIFY2(identity(buddy).startsWith(label->text()), qPrintable(label->text()));
        }
    }
}

void AccessibilityTest::newEchoAndMaskAreAnnounced() {
    RecordingPort port;
    WindowDriver ui{port};
    ui.click("cmdConnect");
    QList<QPair<QObject*, QString>> heard;
    watchAnnouncements([&heard](QWidget* w, const QString& text) { heard.append({w, text}); });
    const auto stopWatching = qScopeGuard([] { watchAnnouncements({}); });
    const QPair<QObject*, QString> echo(ui.get("lblTxData"), "FF 62 20 20 31 32 ");
    for (int i = 1; i <= 2; ++i) {  // the same frame twice: two echoes, each announced whole
        ui.typeText("txtASCII", "12");
        ui.click("cmdSendAscii");
        QTRY_COMPARE(heard.count(echo), i);
    }
    ui.setChecked("chkD1_1", true);
    QTRY_VERIFY(heard.contains(QPair<QObject*, QString>(ui.get("lblD1"), "1")));
    QTest::qWait(50);
    QCOMPARE(heard.size(), 3);  // nothing byte by byte
}

QTEST_MAIN(AccessibilityTest)
#include "test_accessibility.moc"
