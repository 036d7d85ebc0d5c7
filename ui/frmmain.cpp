#include "ui/frmmain.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "link/serial/linesettings.h"
#include "link/serial/portnames.h"
#include "link/serialport.h"
#include "link/transmitframe.h"
#include "protocol/commands.h"
#include "protocol/hex.h"
#include "settings/modini.h"
#include "settings/portpins.h"
#include "settings/portselection.h"
#include "ui/tabbedpages.h"
#include "ui/toolkit.h"

namespace lumidex {

namespace {

const QString kConnect = QStringLiteral("Connect");
const QString kDim = QStringLiteral("DIM");

// A check box counts as on unless it is clear.
bool isOn(const QCheckBox* box) {
    return box->checkState() != Qt::Unchecked;
}

}  // namespace

frmMain::frmMain(SerialPort& port, const modINI& settings, PortPins pins, QWidget* parent)
    : QWidget(parent), port_(port), ini_(settings), pins_(std::move(pins)) {
    setObjectName(QStringLiteral("frmMain"));
    createControls();
    setFocusOrder();
    connectHandlers();
    Form_Load();
}

void frmMain::connectHandlers() {
    connect(cboComm, &DropDownList::Click, this, &frmMain::cboComm_Click);
    connect(cboBaud, &DropDownList::Click, this, &frmMain::cboBaud_Click);
    connect(cboComm, &DropDownList::PopupAboutToShow, this, &frmMain::describePorts);
    connect(cmdConnect, &QPushButton::clicked, this, &frmMain::cmdConnect_Click);
    connect(cmdSendAscii, &QPushButton::clicked, this, &frmMain::cmdSendAscii_Click);
    connect(cmdSendBCD, &QPushButton::clicked, this, &frmMain::cmdSendBCD_Click);
    connect(cmdSendInteger, &QPushButton::clicked, this, &frmMain::cmdSendInteger_Click);
    connect(cmdSendSD, &QPushButton::clicked, this, &frmMain::cmdSendSD_Click);
    connect(cmdDPCtl, &QPushButton::clicked, this, &frmMain::cmdDPCtl_Click);
    connect(cmdDP, &QPushButton::clicked, this, &frmMain::cmdDP_Click);
    connect(cmdConfig, &QPushButton::clicked, this, &frmMain::cmdConfig_Click);
    for (auto it = cmdSaveCS.cbegin(); it != cmdSaveCS.cend(); ++it) {
        const int index = it.key();
        connect(it.value(), &QPushButton::clicked, this, [this, index] { cmdSaveCS_Click(index); });
    }
    const std::pair<const QMap<int, QCheckBox*>*, void (frmMain::*)(int)> arrays[] = {
        {&chkD1, &frmMain::chkD1_Click},
        {&chkD2, &frmMain::chkD2_Click},
        {&chkD3, &frmMain::chkD3_Click},
        {&chkD4, &frmMain::chkD4_Click},
        {&chkDP, &frmMain::chkDP_Click}};
    for (const auto& [boxes, handler] : arrays) {
        for (auto it = boxes->cbegin(); it != boxes->cend(); ++it) {
            const int index = it.key();
            connect(it.value(), &QCheckBox::toggled, this,
                    [this, handler = handler, index] { (this->*handler)(index); });
        }
    }
}

// ---- Start-up and shut-down ------------------------------------------------

namespace {

// Each list's entries: the text shown and the value it stands for.
struct Entries {
    QStringList texts;
    QList<int> values;

    void add(const QString& text, int value) {
        texts << text;
        values << value;
    }
};

}  // namespace

void frmMain::Form_Load() {
    // Each list is filled in one step: entry by entry, the 1,300 entries took
    // about twice as long at start-up.
    Entries ports, numbers, hexBytes, bcdDigits, memories, hostRates, moduleRates;
    for (int n = 1; n <= 10; ++n) {
        ports.add(QString::fromStdString(comName(n)), n);
    }
    for (int n = 0; n <= 255; ++n) {
        numbers.add(QString::number(n), n);
        hexBytes.add(QString::fromStdString(hexByte(static_cast<std::uint8_t>(n))), n);
    }
    for (int n = 0; n <= 99; ++n) {
        bcdDigits.add(QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')), n);
    }
    for (int n = 0; n < MemoryLocations; ++n) {
        memories.add(QString::number(n), n);
    }
    for (const std::int32_t rate : kHostRates) {
        hostRates.add(QString::number(rate), rate);
    }
    for (const ModuleBaud& baud : kModuleBauds) {
        moduleRates.add(QString::number(baud.rate), baud.rate);
    }
    const std::pair<DropDownList*, const Entries*> lists[] = {
        {cboComm, &ports},        {cboUID, &numbers},      {cboMuid, &numbers},
        {cboHighByte, &hexBytes}, {cboLowByte, &hexBytes}, {cboBCDHi, &bcdDigits},
        {cboBCDLo, &bcdDigits},   {cboMEM, &memories},     {cboBaud, &hostRates},
        {cboMBaud, &moduleRates}};
    for (const auto& [list, entries] : lists) {
        list->AddItems(entries->texts, entries->values);
    }

    restoreSelections();

    cboUID->selectValue(FactoryUid);
    cboMuid->selectValue(FactoryUid);
    for (DropDownList* first : {cboHighByte, cboLowByte, cboBCDHi, cboBCDLo, cboMEM, cboMBaud}) {
        first->setListIndex(0);
    }

    applyPortSettings();

    SSTab1->setCurrentIndex(4);
    SSTab1->setEnabled(false);
    fDPControl->setEnabled(false);
}

// Takes the stored port and settings from the settings file as start-up read
// it, selecting the matching entries, which applies them through the lists'
// own handlers. A port the list cannot show falls back to COM1; an empty
// settings text to 9600; any other settings text is kept as stored.
void frmMain::restoreSelections() {
    CommPortValue_ = ini_.ReadIni(kSettingsSection, kCommPortKey);
    SettingValue_ = ini_.ReadIni(kSettingsSection, kSettingKey);
    cboComm->setListIndex(storedPortPosition(CommPortValue_));
    const int baud = storedBaudPosition(SettingValue_);
    if (baud >= 0) {
        cboBaud->setListIndex(baud);
    }
}

void frmMain::applyPortSettings() {
    port_.setCommPort(static_cast<std::int16_t>(CommPortValue_.toShort()));
    port_.setSettings(SettingValue_.toStdString());
}

// Writes "CommPort" and then "Setting" in one replace of the file. A save
// that fails leaves the file as it was and is told; the window closes anyway.
void frmMain::Form_Unload() {
    const auto failure = ini_.WriteIni(
        kSettingsSection, {{kCommPortKey, CommPortValue_}, {kSettingKey, SettingValue_}});
    if (failure) {
        showMessage(this, tr("The port and baud rate were not saved to %1: %2.")
                              .arg(failure->path, failure->reason));
    }
}

void frmMain::closeEvent(QCloseEvent* event) {
    Form_Unload();
    QWidget::closeEvent(event);
}

// ---- Port selection and connection -----------------------------------------

void frmMain::cboComm_Click() {
    port_.setCommPort(static_cast<std::int16_t>(cboComm->Value()));
    CommPortValue_ = QString::number(port_.CommPort());
}

// Tells, on each port entry, which device it opens on this machine right now.
// Done when the list opens rather than at start-up: asking the system for its
// serial devices is slow, and devices come and go.
void frmMain::describePorts() {
    const std::vector<QString> devices = serialDevices();
    for (int n = 1; n <= cboComm->count(); ++n) {
        const std::optional<QString> pin = pinnedDevice(pins_, n);
        const std::optional<QString> device = deviceForPort(n, devices);
        // A pin is the settings file's text and a device name the system's:
        // neither may be drawn as markup.
        cboComm->setItemData(
            n - 1,
            plainToolTip(pin      ? tr("COM%1 opens %2 (pinned in lumidex2.ini)").arg(n).arg(*pin)
                         : device ? tr("COM%1 opens %2").arg(n).arg(*device)
                                  : tr("No serial device is present for COM%1").arg(n)),
            Qt::ToolTipRole);
    }
}

void frmMain::cboBaud_Click() {
    SettingValue_ = lineSettingsFor(cboBaud->currentText());
    port_.setSettings(SettingValue_.toStdString());
}

void frmMain::cmdConnect_Click() {
    try {
        const bool connecting = cmdConnect->text() == kConnect;
        port_.setPortOpen(connecting);
        SSTab1->setEnabled(connecting);
        cmdConnect->setText(connecting ? QStringLiteral("Disconnect") : kConnect);
        fComm->setEnabled(!connecting);
        fDPControl->setEnabled(connecting);
    } catch (const std::exception&) {
        showMessage(this, QStringLiteral("COM ERROR !"));
    }
}

// ---- Display commands --------------------------------------------------------

void frmMain::cmdSendAscii_Click() {
    send(tr("Text"), [this] {
        const std::u32string padded = padText(txtASCII->text().toStdU32String());
        txtASCII->setText(QString::fromStdU32String(padded));
        TransmitFrame(encodeText(TxFrame_, padded));
        txtASCII->clear();
    });
}

void frmMain::cmdSendBCD_Click() {
    send(tr("BCD number"),
         [this] { TransmitFrame(encodeBcd(TxFrame_, cboBCDHi->Value(), cboBCDLo->Value())); });
}

void frmMain::cmdSendInteger_Click() {
    send(tr("Integer"), [this] {
        TransmitFrame(
            encodeInteger(TxFrame_, isOn(Check1), cboHighByte->Value(), cboLowByte->Value()));
    });
}

void frmMain::cmdSendSD_Click() {
    send(tr("Segments data"), [this] {
        TransmitFrame(encodeSegments(TxFrame_, SegMask4, SegMask3, SegMask2, SegMask1));
    });
}

void frmMain::cmdDPCtl_Click() {
    send(tr("Decimal points"), [this] { TransmitFrame(encodeDecimalPoints(TxFrame_, DpMask)); });
}

void frmMain::cmdDP_Click() {
    // The caption is the only record of the module's brightness, so it changes
    // only when the toggle actually went out.
    if (!port_.PortOpen()) {
        showMessage(this, tr("Brightness toggle was not sent: the port is not open. "
                             "Press \"Connect\" first."));
        return;
    }
    const QString before = cmdDP->text();
    send(
        tr("Brightness toggle"),
        [this, &before] {
            const int count = encodeBrightness(TxFrame_);
            cmdDP->setText(before == kDim ? QStringLiteral("Bright") : kDim);
            TransmitFrame(count);
        },
        [this, &before] { cmdDP->setText(before); });
}

void frmMain::cmdSaveCS_Click(int Index) {
    const bool save = Index == 0;
    send(save ? tr("Save screen") : tr("Recall screen"), [this, save] {
        const int location = cboMEM->Value();
        TransmitFrame(save ? encodeSave(TxFrame_, location) : encodeRecall(TxFrame_, location));
    });
}

void frmMain::cmdConfig_Click() {
    // The configuration frame always goes to unit 30; afterwards the selector
    // stands at 255 whether or not the frame went out, so the next display
    // command is never silently addressed to unit 30.
    cboUID->selectValue(ConfigUid);
    send(tr("Configuration"), [this] {
        const std::array<bool, 4> points = {isOn(chkDP4[0]), isOn(chkDP4[1]), isOn(chkDP4[2]),
                                            isOn(chkDP4[3])};
        TransmitFrame(encodeConfig(TxFrame_, cboMuid->Value(), cboMBaud->Value(), points));
    });
    cboUID->selectValue(FactoryUid);
}

// ---- Segment and decimal-point editors ---------------------------------------

void frmMain::chkD1_Click(int Index) {
    editMask(SegMask1, chkD1, Index, lblD1);
}
void frmMain::chkD2_Click(int Index) {
    editMask(SegMask2, chkD2, Index, lblD2);
}
void frmMain::chkD3_Click(int Index) {
    editMask(SegMask3, chkD3, Index, lblD3);
}
void frmMain::chkD4_Click(int Index) {
    editMask(SegMask4, chkD4, Index, lblD4);
}
void frmMain::chkDP_Click(int Index) {
    editMask(DpMask, chkDP, Index, nullptr);
}

void frmMain::editMask(std::int16_t& mask, const QMap<int, QCheckBox*>& boxes, int Index,
                       QLabel* label) {
    mask = static_cast<std::int16_t>(isOn(boxes.value(Index)) ? mask | Index : mask & ~Index);
    if (label) {
        setAnnouncedText(label, QString::number(mask, 16).toUpper());
    }
}

// ---- Transmitter -------------------------------------------------------------

void frmMain::TransmitFrame(int count) {
    lumidex::TransmitFrame(TxFrame_, cboUID->Value(), count, port_,
                           [this](const std::string& echo) {
                               setAnnouncedText(lblTxData, QString::fromLatin1(echo));
                               bytesSent_ = static_cast<int>(echo.size() / 3);
                           });
}

void frmMain::send(const QString& what, const std::function<void()>& command,
                   const std::function<void()>& undo) {
    bytesSent_ = 0;
    try {
        command();
    } catch (const std::exception& error) {
        if (undo) {
            undo();
        }
        const QString reason = QString::fromStdString(error.what());
        showMessage(this, bytesSent_ == 0 ? tr("%1 was not sent: %2.").arg(what, reason)
                                          : tr("%1 was cut short after %2 byte(s): %3. The "
                                               "module may misread the next frame.")
                                                .arg(what)
                                                .arg(bytesSent_)
                                                .arg(reason));
    }
}

}  // namespace lumidex
