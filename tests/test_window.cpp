// The operator window against a recording serial port: start-up, connecting
// and disconnecting, every command end to end through the real controls, the
// editors, and what the operator is told when something does not go out.
#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "link/serial/portnames.h"
#include "support/files.h"
#include "support/recordingport.h"
#include "support/window.h"
#include "ui/tabbedpages.h"
#include "ui/toolkit.h"

using namespace lumidex;
using namespace lumidex::test;

namespace {

using Samples = QList<QPair<int, QString>>;

struct Fixture {
    RecordingPort port;
    WindowDriver ui{port};

    void connect() {
        ui.click("cmdConnect");
        QCOMPARE(ui.text("cmdConnect"), QString("Disconnect"));
        port.calls.clear();
    }
    QString sent() const { return hexOf(port.bytes); }
};

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT
  private slots:
    void listsAreFilledAndPreset_data();
    void listsAreFilledAndPreset();
    void startsDisconnectedAndSendsNothing();
    void connectAndDisconnectSwitchFivePlaces();
    void failedOpenChangesNothingAndAnotherPortThenOpens();
    void failedCloseStaysConnected();
    void pickingPortAndBaudAppliesThemAtOnce();
    void commandsGoOutThroughTheRealControls_data();
    void commandsGoOutThroughTheRealControls();
    void textBoxTakesAtMostFourCharacters();
    void brightnessOnClosedPortIsRefused();
    void refusedByteStopsTheFrameAndSaysSo();
    void characterWithoutByteValueIsNotSent();
    void segmentEditorKeepsMasks_data();
    void segmentEditorKeepsMasks();
    void masksSurviveReconnect();
    void configurationGoesToUnit30_data();
    void configurationGoesToUnit30();
    void configurationFailureStillResetsSelector();
    void outsideTextIsShownAsItStands();
};

void WindowTest::listsAreFilledAndPreset_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("count");
    QTest::addColumn<Samples>("samples");
    QTest::addColumn<QString>("preset");
    using S = Samples;
    QTest::newRow("cboComm") << "cboComm" << 10 << S{{0, "COM1"}, {9, "COM10"}} << "COM1";
    QTest::newRow("cboBaud") << "cboBaud" << 3 << S{{0, "9600"}, {1, "19200"}, {2, "38400"}}
                             << "9600";
    QTest::newRow("cboUID") << "cboUID" << 256 << S{{0, "0"}, {7, "7"}, {255, "255"}} << "255";
    QTest::newRow("cboMuid") << "cboMuid" << 256 << S{{7, "7"}, {30, "30"}} << "255";
    for (const char* name : {"cboHighByte", "cboLowByte"}) {
        QTest::newRow(name) << name << 256 << S{{0, "00"},  {10, "0A"},  {15, "0F"},
                                                {16, "10"}, {171, "AB"}, {255, "FF"}}
                            << "00";
    }
    for (const char* name : {"cboBCDHi", "cboBCDLo"}) {
        QTest::newRow(name) << name << 100 << S{{7, "07"}, {10, "10"}, {99, "99"}} << "00";
    }
    QTest::newRow("cboMEM") << "cboMEM" << 20 << S{{7, "7"}, {19, "19"}} << "0";
    QTest::newRow("cboMBaud") << "cboMBaud" << 3 << S{{0, "9600"}, {2, "38400"}} << "9600";
}

void WindowTest::listsAreFilledAndPreset() {
    QFETCH(QString, name);
    QFETCH(int, count);
    QFETCH(Samples, samples);
    QFETCH(QString, preset);
    Fixture f;
    QComboBox* list = f.ui.list(name);
    QCOMPARE(list->count(), count);
    for (const auto& [position, text] : samples) {
        QCOMPARE(list->itemText(position), text);
    }
    QCOMPARE(list->currentText(), preset);
    QVERIFY(!list->isEditable());
    if (name == "cboComm") {
        // Opened, each port entry says which device it opens on this machine.
        list->showPopup();
        list->hidePopup();
        const std::vector<QString> devices = serialDevices();
        for (int n = 1; n <= 10; ++n) {
            const QString tip = list->itemData(n - 1, Qt::ToolTipRole).toString();
            const QString expected =
                std::size_t(n) <= devices.size()
                    ? QStringLiteral("COM%1 opens %2").arg(n).arg(devices[n - 1])
                    : QStringLiteral("No serial device is present for COM%1").arg(n);
            QCOMPARE(shownText(tip), expected);
        }
    }
}

void WindowTest::startsDisconnectedAndSendsNothing() {
    Fixture f;
    QCOMPARE(f.ui.window().windowTitle(), QString("Lumidex App"));
    QCOMPARE(f.ui.text("cmdConnect"), QString("Connect"));
    QCOMPARE(f.ui.text("cmdDP"), QString("DIM"));
    QCOMPARE(f.ui.text("lblTxData"), QString());
    QCOMPARE(f.ui.text("txtASCII"), QString());
    for (const char* hex : {"lblD1", "lblD2", "lblD3", "lblD4"}) {
        QCOMPARE(f.ui.text(hex), QString("00"));
    }
    for (QCheckBox* box : f.ui.window().findChildren<QCheckBox*>()) {
        QVERIFY2(!box->isChecked(), qPrintable(box->objectName()));
    }
    QVERIFY(f.ui.get("SSTab1")->isEnabled() == false);
    QVERIFY(f.ui.get("fDPControl")->isEnabled() == false);
    QVERIFY(f.ui.get("fComm")->isEnabled());
    QVERIFY(f.ui.get("cmdConnect")->isEnabled());
    QVERIFY(f.ui.get("cboUID")->isEnabled());
    QVERIFY(f.ui.get("cmdDP")->isEnabled());
    QCOMPARE(f.ui.get<TabbedPages>("SSTab1")->currentIndex(), 4);
    QCOMPARE(f.ui.get<QLineEdit>("txtASCII")->maxLength(), 4);

    // The port was given its number and settings, and nothing else happened.
    QVERIFY(f.port.bytes.empty());
    QVERIFY(!f.port.PortOpen());
    QVERIFY(!f.port.calls.empty());
    QCOMPARE(f.port.calls.back(), std::string("Settings=9600,n,8,1"));
    QCOMPARE(f.port.CommPort(), std::int16_t(1));
    QCOMPARE(f.ui.window().CommPortValue(), QString("1"));
    QCOMPARE(f.ui.window().SettingValue(), QString("9600,n,8,1"));
    for (const std::string& call : f.port.calls) {
        QVERIFY2(call.rfind("CommPort=", 0) == 0 || call.rfind("Settings=", 0) == 0, call.c_str());
    }
}

void WindowTest::connectAndDisconnectSwitchFivePlaces() {
    Fixture f;
    auto state = [&] {
        return QStringList{f.port.PortOpen() ? "open" : "closed",
                           f.ui.get("SSTab1")->isEnabled() ? "pages" : "-", f.ui.text("cmdConnect"),
                           f.ui.get("fComm")->isEnabled() ? "port panel" : "-",
                           f.ui.get("fDPControl")->isEnabled() ? "dp panel" : "-"};
    };
    const QStringList disconnected{"closed", "-", "Connect", "port panel", "-"};
    const QStringList connected{"open", "pages", "Disconnect", "-", "dp panel"};
    QCOMPARE(state(), disconnected);
    f.ui.pick("cboComm", 4);
    f.ui.pick("cboBaud", 2);
    f.ui.click("cmdConnect");
    QCOMPARE(state(), connected);
    QCOMPARE(f.port.CommPort(), std::int16_t(5));
    QCOMPARE(f.port.settings, std::string("38400,n,8,1"));
    // The port panel is locked while connected: a pick does nothing.
    f.ui.pick("cboComm", 1);
    QCOMPARE(f.port.CommPort(), std::int16_t(5));
    f.ui.click("cmdConnect");
    QCOMPARE(state(), disconnected);
    QCOMPARE(f.ui.text("cboComm"), QString("COM5"));
    QCOMPARE(f.ui.text("cboBaud"), QString("38400"));
    QCOMPARE(f.ui.window().CommPortValue(), QString("5"));
    QCOMPARE(f.ui.window().SettingValue(), QString("38400,n,8,1"));
    QVERIFY(f.ui.takeMessages().isEmpty());
}

void WindowTest::failedOpenChangesNothingAndAnotherPortThenOpens() {
    Fixture f;
    f.port.failOpen = true;
    f.ui.pick("cboComm", 2);
    f.ui.click("cmdConnect");
    QCOMPARE(f.ui.takeMessages(), QStringList{"COM ERROR !"});
    QCOMPARE(f.ui.text("cmdConnect"), QString("Connect"));
    QVERIFY(!f.port.PortOpen());
    QVERIFY(!f.ui.get("SSTab1")->isEnabled());
    QVERIFY(!f.ui.get("fDPControl")->isEnabled());
    QVERIFY(f.ui.get("fComm")->isEnabled());

    f.port.failOpen = false;
    f.ui.pick("cboComm", 3);
    f.ui.click("cmdConnect");
    QVERIFY(f.ui.takeMessages().isEmpty());
    QVERIFY(f.port.PortOpen());
    QCOMPARE(f.port.CommPort(), std::int16_t(4));
    QCOMPARE(f.ui.text("cmdConnect"), QString("Disconnect"));
}

void WindowTest::failedCloseStaysConnected() {
    Fixture f;
    f.connect();
    f.port.failClose = true;
    f.ui.click("cmdConnect");
    QCOMPARE(f.ui.takeMessages(), QStringList{"COM ERROR !"});
    QVERIFY(f.port.PortOpen());
    QCOMPARE(f.ui.text("cmdConnect"), QString("Disconnect"));
    QVERIFY(f.ui.get("SSTab1")->isEnabled());
    QVERIFY(!f.ui.get("fComm")->isEnabled());
}

void WindowTest::pickingPortAndBaudAppliesThemAtOnce() {
    Fixture f;
    for (int position : {9, 0, 4}) {
        f.ui.pick("cboComm", position);
        QCOMPARE(f.port.CommPort(), std::int16_t(position + 1));
        QCOMPARE(f.ui.window().CommPortValue(), QString::number(position + 1));
    }
    const char* settings[] = {"9600,n,8,1", "19200,n,8,1", "38400,n,8,1"};
    for (int position : {2, 1, 0}) {
        f.ui.pick("cboBaud", position);
        QCOMPARE(f.port.settings, std::string(settings[position]));
        QCOMPARE(f.ui.window().SettingValue(), QString(settings[position]));
    }
    QVERIFY(!f.port.PortOpen());
}

void WindowTest::commandsGoOutThroughTheRealControls_data() {
    QTest::addColumn<int>("row");
    for (std::size_t i = 0; i < commandRows().size(); ++i) {
        QTest::newRow(commandRows()[i].name.c_str()) << int(i);
    }
}

void WindowTest::commandsGoOutThroughTheRealControls() {
    QFETCH(int, row);
    const CommandRow& command = commandRows()[std::size_t(row)];
    Fixture f;
    f.connect();
    f.ui.enter(command);
    QVERIFY(f.port.bytes.empty());
    f.ui.click(WindowDriver::buttonOf(command));
    QCOMPARE(f.ui.takeMessages(), QStringList());
    QCOMPARE(f.sent(), echoOf(command));
    QCOMPARE(f.ui.text("lblTxData"), echoOf(command));
    QCOMPARE(f.ui.text("txtASCII"), QString());
}

void WindowTest::textBoxTakesAtMostFourCharacters() {
    Fixture f;
    f.connect();
    f.ui.typeText("txtASCII", "12345");
    QCOMPARE(f.ui.text("txtASCII"), QString("1234"));
}

void WindowTest::brightnessOnClosedPortIsRefused() {
    Fixture f;
    f.ui.click("cmdDP");
    const QStringList messages = f.ui.takeMessages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].contains("not open"), qPrintable(messages[0]));
    QCOMPARE(f.ui.text("cmdDP"), QString("DIM"));
    QVERIFY(f.port.bytes.empty());

    // Connected, it toggles and sends each time.
    f.connect();
    f.ui.click("cmdDP");
    QCOMPARE(f.ui.text("cmdDP"), QString("Bright"));
    f.ui.click("cmdDP");
    QCOMPARE(f.ui.text("cmdDP"), QString("DIM"));
    QCOMPARE(f.sent(), QString("FF 6E FF 6E "));
}

void WindowTest::refusedByteStopsTheFrameAndSaysSo() {
    Fixture f;
    f.connect();
    f.port.outputsBeforeFailure = 3;
    f.ui.typeText("txtASCII", "12");
    f.ui.click("cmdSendAscii");
    QCOMPARE(f.sent(), QString("FF 62 20 "));
    QCOMPARE(f.ui.text("lblTxData"), QString("FF 62 20 "));
    QCOMPARE(f.ui.text("txtASCII"), QString("  12"));
    const QStringList messages = f.ui.takeMessages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].startsWith("Text was cut short after 3 byte(s)"), qPrintable(messages[0]));

    // A brightness toggle that did not go out leaves the caption as it was.
    f.port.outputsBeforeFailure = 1;
    f.ui.click("cmdDP");
    QCOMPARE(f.ui.text("cmdDP"), QString("DIM"));
    QCOMPARE(f.ui.takeMessages().size(), 1);
}

void WindowTest::characterWithoutByteValueIsNotSent() {
    Fixture f;
    f.connect();
    // No single-byte character set holds it, whatever the system uses.
    f.ui.typeText("txtASCII", QString::fromUtf8("1中"));
    f.ui.click("cmdSendAscii");
    QVERIFY(f.port.bytes.empty());
    QCOMPARE(f.ui.text("txtASCII"), QString::fromUtf8("  1中"));
    const QStringList messages = f.ui.takeMessages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].contains(QString::fromUtf8("'中' (U+4E2D)")), qPrintable(messages[0]));
}

void WindowTest::segmentEditorKeepsMasks_data() {
    QTest::addColumn<int>("digit");
    QTest::addColumn<QList<int>>("bits");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("wire");
    QTest::newRow("a of digit 1") << 1 << QList<int>{1} << "1"
                                  << "FF 61 00 00 00 01 ";
    QTest::newRow("e and dp of digit 2") << 2 << QList<int>{128, 8} << "88"
                                         << "FF 61 00 00 88 00 ";
    QTest::newRow("figure 1 on digit 1") << 1 << QList<int>{2, 32} << "22"
                                         << "FF 61 00 00 00 22 ";
    QTest::newRow("figure 8 on digit 4") << 4 << QList<int>{1, 2, 4, 16, 32, 64, 128} << "F7"
                                         << "FF 61 F7 00 00 00 ";
    QTest::newRow("all of digit 3") << 3 << QList<int>{1, 2, 4, 8, 16, 32, 64, 128} << "FF"
                                    << "FF 61 00 FF 00 00 ";
}

void WindowTest::segmentEditorKeepsMasks() {
    QFETCH(int, digit);
    QFETCH(QList<int>, bits);
    QFETCH(QString, label);
    QFETCH(QString, wire);
    Fixture f;
    f.connect();
    const QString row = QStringLiteral("chkD%1_").arg(digit);
    const QString hex = QStringLiteral("lblD%1").arg(digit);
    for (int bit : bits) {
        f.ui.setChecked(row + QString::number(bit), true);
    }
    QCOMPARE(f.ui.text(hex), label);
    QVERIFY(f.port.bytes.empty());
    f.ui.click("cmdSendSD");
    QCOMPARE(f.sent(), wire);

    // Checking then unchecking a box restores the mask exactly.
    f.ui.setChecked(row + "16", !bits.contains(16));
    f.ui.setChecked(row + "16", bits.contains(16));
    QCOMPARE(f.ui.text(hex), label);
    for (int bit : bits) {
        f.ui.setChecked(row + QString::number(bit), false);
    }
    QCOMPARE(f.ui.text(hex), QString("0"));
}

void WindowTest::masksSurviveReconnect() {
    Fixture f;
    f.connect();
    f.ui.setChecked("chkD2_64", true);
    f.ui.setChecked("chkDP_4", true);
    f.ui.click("cmdConnect");
    f.ui.click("cmdConnect");
    f.ui.click("cmdSendSD");
    f.ui.click("cmdDPCtl");
    QCOMPARE(f.sent(), QString("FF 61 00 00 40 00 FF 63 04 "));
    QVERIFY(f.ui.get<QCheckBox>("chkD2_64")->isChecked());
}

void WindowTest::configurationGoesToUnit30_data() {
    QTest::addColumn<int>("row");
    for (std::size_t i = 0; i < commandRows().size(); ++i) {
        if (commandOf(commandRows()[i]).toConfigUnit) {
            QTest::newRow(commandRows()[i].name.c_str()) << int(i);
        }
    }
}

void WindowTest::configurationGoesToUnit30() {
    QFETCH(int, row);
    const CommandRow& command = commandRows()[std::size_t(row)];
    const QString wire = echoOf(command);
    Fixture f;
    f.connect();
    f.ui.pick("cboUID", 7);
    f.ui.send(command);
    QCOMPARE(f.sent(), wire);
    QCOMPARE(f.ui.text("lblTxData"), wire);
    QCOMPARE(f.ui.text("cboUID"), QString("255"));
    // The next display command goes to 255, and only its own bytes go out.
    f.ui.click("cmdDP");
    QCOMPARE(f.sent(), wire + "FF 6E ");
    QCOMPARE(f.ui.text("lblTxData"), QString("FF 6E "));
}

void WindowTest::configurationFailureStillResetsSelector() {
    Fixture f;
    f.connect();
    f.ui.pick("cboUID", 7);
    f.port.outputsBeforeFailure = 0;
    f.ui.click("cmdConfig");
    QVERIFY(f.port.bytes.empty());
    QCOMPARE(f.ui.text("cboUID"), QString("255"));
    const QStringList messages = f.ui.takeMessages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].startsWith("Configuration was not sent"), qPrintable(messages[0]));
}

// A pin from the settings file is shown character for character, never drawn
// as markup: in the port list's tooltip, and in a message box quoting it.
void WindowTest::outsideTextIsShownAsItStands() {
    const QString pin = QStringLiteral("<h1>x</h1> &amp; <b>");
    QTemporaryDir dir;
    writeFileBytes(dir.filePath("lumidex2.ini"), "[Ports]\r\nCOM2=" + pin.toLatin1() + "\r\n");
    RecordingPort port;
    WindowDriver ui(port, dir.path());
    QComboBox* list = ui.list("cboComm");
    list->showPopup();
    list->hidePopup();
    QCOMPARE(shownText(list->itemData(1, Qt::ToolTipRole).toString()),
             "COM2 opens " + pin + " (pinned in lumidex2.ini)");

    setMessageSink({});
    QString shown;
    QTimer::singleShot(0, [&shown] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = shownText(box->text(), box->textFormat());
            box->accept();
        }
    });
    showMessage(nullptr, pin);
    QCOMPARE(shown, pin);
}

QTEST_MAIN(WindowTest)
#include "test_window.moc"
