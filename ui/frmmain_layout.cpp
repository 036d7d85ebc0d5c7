// Builds the window's controls at their fixed places (in twips), names them
// for assistive technology, and sets the keyboard focus order.
//
// A label beside a control names it as its buddy. Where no label says what a
// control is, it gets an accessible name in the window's own words. Qt on
// Linux gives a drop-down list the entry it shows as its name and tells its
// label through the buddy, so lists that share one label also carry their
// name as a description, which screen readers read too.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>

#include "ui/frmmain.h"
#include "ui/pictures.h"
#include "ui/tabbedpages.h"
#include "ui/toolkit.h"

namespace lumidex {

namespace {

// Default heights of controls whose height the layout leaves to the toolkit.
constexpr int kListHeight = 315;
constexpr int kLabelHeight = 255;
constexpr int kButtonHeight = 375;
constexpr int kBoxHeight = 255;

template <typename W>
W* place(W* widget, const QString& name, int left, int top, int width, int height) {
    widget->setObjectName(name);
    widget->setGeometry(twipsRect(left, top, width, height));
    return widget;
}

QLabel* label(QWidget* parent, const QString& name, const QString& text, int left, int top,
              int width, int height = kLabelHeight) {
    return place(new QLabel(text, parent), name, left, top, width, height);
}

DropDownList* list(QWidget* parent, const QString& name, int left, int top, int width) {
    return place(new DropDownList(parent), name, left, top, width, kListHeight);
}

QPushButton* button(QWidget* parent, const QString& name, const QString& caption, int left, int top,
                    int width, int height = kButtonHeight) {
    return place(new QPushButton(caption, parent), name, left, top, width, height);
}

QCheckBox* box(QWidget* parent, const QString& name, const QString& caption, int left, int top,
               int width) {
    return place(new QCheckBox(caption, parent), name, left, top, width, kBoxHeight);
}

// A label whose text changes as the operator works, read as text under `name`.
QLabel* textLabel(QWidget* parent, const QString& objectName, const QString& name,
                  const QString& text, int left, int top, int width) {
    auto* label = place(new QLabel(parent), objectName, left, top, width, kLabelHeight);
    exposeAsText(label, name);
    label->setText(text);
    return label;
}

// Names a list that shares its label with another.
void nameList(QWidget* list, const QString& name) {
    list->setAccessibleName(name);
    list->setAccessibleDescription(name);
}

QGroupBox* panel(QWidget* parent, const QString& name, const QString& caption, int left, int top,
                 int width, int height) {
    return place(new QGroupBox(caption, parent), name, left, top, width, height);
}

}  // namespace

void frmMain::createControls() {
    setWindowTitle(QStringLiteral("Lumidex App"));
    setWindowIcon(appIcon());
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(8.25);
    setFont(font);
    setFixedSize(twips(9120), twips(6735));

    fComm = panel(this, "fComm", "Communication Port Settings", 480, 360, 4455, 855);
    QLabel* comPort = label(fComm, "labelComPort", "Com Port", 240, 360, 795);
    cboComm = list(fComm, "cboComm", 1080, 360, 855);
    comPort->setBuddy(cboComm);
    QLabel* baudRate = label(fComm, "labelBaudRate", "Baud Rate", 2160, 360, 915);
    cboBaud = list(fComm, "cboBaud", 3120, 360, 975);
    baudRate->setBuddy(cboBaud);

    cmdConnect = button(this, "cmdConnect", "Connect", 5280, 600, 1575, 375);

    SSTab1 = place(new TabbedPages(this), "SSTab1", 480, 1560, 8175, 3015);
    createPages();

    fDPControl = panel(this, "fDPControl", "Decimal Point Control", 480, 4800, 8175, 735);
    const int dpIndexes[] = {8, 4, 2, 1};
    for (int i = 0; i < 4; ++i) {
        const int index = dpIndexes[i];
        const QString digit = QString::number(i == 0 ? 4 : 4 - i);
        chkDP[index] = box(fDPControl, QStringLiteral("chkDP_%1").arg(index), "On Digit " + digit,
                           240 + 1200 * i, 360, 1095);
    }
    cmdDPCtl = button(fDPControl, "cmdDPCtl", "Set/Reset Decimal Points ", 5280, 240, 2655);

    QLabel* selectUid = label(this, "labelSelectUid", "Select UID", 480, 5760, 975);
    cboUID = list(this, "cboUID", 480, 6120, 735);
    selectUid->setBuddy(cboUID);

    Frame1 = panel(this, "Frame1", "Transmitted Bytes (HEX)", 1440, 5760, 5655, 735);
    lblTxData = textLabel(Frame1, "lblTxData", Frame1->title(), QString(), 120, 360, 5295);
    lblTxData->setAutoFillBackground(true);
    QPalette echoColours = lblTxData->palette();
    echoColours.setColor(QPalette::Window, QColor(192, 192, 255));
    lblTxData->setPalette(echoColours);
    lblTxData->setTextInteractionFlags(Qt::TextSelectableByMouse);

    cmdDP = button(this, "cmdDP", "DIM", 7320, 5880, 1215, 375);
}

void frmMain::createPages() {
    // Page 0: text.
    QWidget* ascii = SSTab1->addPage("ASCII");
    txtASCII = place(new QLineEdit(ascii), "txtASCII", 600, 720, 855, 405);
    txtASCII->setMaxLength(4);
    QFont big(QStringLiteral("Tahoma"));
    big.setPointSize(12);
    txtASCII->setFont(big);
    QPalette red = txtASCII->palette();
    red.setColor(QPalette::Text, Qt::red);
    txtASCII->setPalette(red);
    cmdSendAscii = button(ascii, "cmdSendAscii", "Send", 1920, 720, 1215, 405);
    const QStringList hints = {"Type text to be displayed here.",
                               "Supported text: 0-9,A,b,C,c,d,E,F,H,h,I,J,L,n,O,o,P,r,S,t,U,u,y,-",
                               "Type T for Degree Symbol"};
    for (int i = 0; i < hints.size(); ++i) {
        label(ascii, QStringLiteral("labelHint%1").arg(i + 1), hints[i], 600, 1320 + 240 * i, 6255);
    }
    txtASCII->setAccessibleName("Text to display");
    txtASCII->setAccessibleDescription(hints.join(' '));

    // Page 1: integer and BCD.
    QWidget* numbers = SSTab1->addPage("Integer/BCD");
    QLabel* integer = label(numbers, "labelInteger", "16 Bits Integer", 240, 720, 1215);
    cboHighByte = list(numbers, "cboHighByte", 1560, 720, 855);
    cboLowByte = list(numbers, "cboLowByte", 2520, 720, 855);
    integer->setBuddy(cboHighByte);
    nameList(cboHighByte, integer->text() + ", high byte");
    nameList(cboLowByte, integer->text() + ", low byte");
    cmdSendInteger = button(numbers, "cmdSendInteger", "Send Integer", 4200, 720, 1815);
    Check1 = box(numbers, "Check1", "Signed", 6360, 840, 1095);
    QLabel* bcd = label(numbers, "labelBcd", "4 Digits BCD", 240, 1440, 1215);
    cboBCDHi = list(numbers, "cboBCDHi", 1560, 1320, 855);
    cboBCDLo = list(numbers, "cboBCDLo", 2520, 1320, 855);
    bcd->setBuddy(cboBCDHi);
    nameList(cboBCDHi, bcd->text() + ", Digit 4 and Digit 3");
    nameList(cboBCDLo, bcd->text() + ", Digit 2 and Digit 1");
    cmdSendBCD = button(numbers, "cmdSendBCD", "Send BCD", 4200, 1320, 1815);

    // Page 2: save and recall.
    QWidget* memory = SSTab1->addPage("Save/Restore");
    QLabel* location = label(memory, "labelMemory", "Memory Location", 600, 840, 1335);
    cboMEM = list(memory, "cboMEM", 2040, 840, 855);
    location->setBuddy(cboMEM);
    cmdSaveCS[0] = button(memory, "cmdSaveCS_0", "Save Current Screen", 3360, 840, 2175);
    cmdSaveCS[1] = button(memory, "cmdSaveCS_1", "Recall Saved Screen", 3360, 1440, 2175);

    // Page 3: segments.
    QWidget* segments = SSTab1->addPage("Segments");
    Picture1 = place(new QLabel(segments), "Picture1", 120, 840, 1215, 1575);
    Picture1->setPixmap(segmentKeyPicture());
    Picture1->setAlignment(Qt::AlignCenter);
    Picture1->setFrameShape(QFrame::Box);
    Picture1->setAccessibleName("Segment letters");
    Picture1->setAccessibleDescription(segmentKeyText());
    createSegmentGrid(segments);
    cmdSendSD = button(segments, "cmdSendSD", "Send Segments Data", 5880, 2520, 1935);

    // Page 4: module configuration.
    QWidget* config = SSTab1->addPage("Config LED");
    QLabel* moduleUid = label(config, "labelModuleUid", "Module UID", 480, 720, 1395);
    cboMuid = list(config, "cboMuid", 1920, 600, 975);
    moduleUid->setBuddy(cboMuid);
    QLabel* moduleBaud = label(config, "labelModuleBaud", "Module Baud Rate", 480, 1200, 1395);
    cboMBaud = list(config, "cboMBaud", 1920, 1080, 975);
    moduleBaud->setBuddy(cboMBaud);
    QLabel* startupPoints =
        label(config, "labelStartupPoints", "Decimal Point Turned On At Startup", 3480, 600, 3255);
    for (int i = 0; i < 4; ++i) {
        chkDP4[i] = box(config, QStringLiteral("chkDP4_%1").arg(i),
                        "Digit " + QString::number(4 - i), 3480 + 840 * i, 1080, 840);
        chkDP4[i]->setAccessibleDescription(startupPoints->text());
    }
    cmdConfig = button(config, "cmdConfig", "Send Config Data", 3480, 1800, 1815);
    QLabel* note = label(config, "labelConfigNote", "Configuration done when \"SEt\" displayed",
                         5400, 1800, 2415, 495);
    note->setWordWrap(true);
}

void frmMain::createSegmentGrid(QWidget* page) {
    // Columns 600 twips apart from bit value 128 (segment e) at the left to 1
    // (segment a) at the right; rows 360 apart from Digit 4 at the top.
    constexpr int kFirstColumn = 3000;
    constexpr int kFirstRow = 1080;
    Label14 = label(page, "Label14",
                    " e            d           c           g           dp"
                    "           f           b           a",
                    kFirstColumn, kFirstRow - 300, 4815);
    // The header's words name each column's boxes: "e" to "a", and "dp".
    const QStringList letters = Label14->text().split(' ', Qt::SkipEmptyParts);
    QMap<int, QCheckBox*>* rows[] = {&chkD4, &chkD3, &chkD2, &chkD1};
    QLabel** hexLabels[] = {&lblD4, &lblD3, &lblD2, &lblD1};
    for (int r = 0; r < 4; ++r) {
        const int digit = 4 - r;
        const int top = kFirstRow + 360 * r;
        label(page, QStringLiteral("labelDigit%1").arg(digit),
              QStringLiteral("Digit %1 Seg").arg(digit), 1440, top, 1035);
        *hexLabels[r] = textLabel(page, QStringLiteral("lblD%1").arg(digit),
                                  QStringLiteral("Digit %1 mask").arg(digit), "00", 2520, top, 435);
        for (int c = 0; c < 8; ++c) {
            const int bit = 128 >> c;
            QCheckBox* segment = box(page, QStringLiteral("chkD%1_%2").arg(digit).arg(bit), "On",
                                     kFirstColumn + 600 * c, top, 615);
            segment->setAccessibleName(
                letters[c] == "dp"
                    ? QStringLiteral("Digit %1 decimal point").arg(digit)
                    : QStringLiteral("Digit %1 segment %2").arg(digit).arg(letters[c]));
            (*rows[r])[bit] = segment;
        }
    }
}

void frmMain::setFocusOrder() {
    QList<QWidget*> order = {SSTab1->tabBar(), cboComm,      cboBaud,     cmdConnect, cboUID,
                             txtASCII,         cmdSendAscii, cboHighByte, cboLowByte, Check1,
                             cmdSendInteger,   cboBCDHi,     cboBCDLo,    cmdSendBCD, cboMEM,
                             cmdSaveCS[0],     cmdSaveCS[1], cmdDP,       cboMuid,    cboMBaud};
    for (int i = 0; i < 4; ++i) {
        order << chkDP4[i];
    }
    order << cmdConfig;
    for (const auto* row : {&chkD4, &chkD3, &chkD2, &chkD1}) {
        for (int bit = 1; bit <= 128; bit <<= 1) {
            order << row->value(bit);
        }
    }
    order << cmdSendSD << chkDP[1] << chkDP[2] << chkDP[4] << chkDP[8] << cmdDPCtl;
    for (int i = 1; i < order.size(); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
}

}  // namespace lumidex
