// The operator window: port panel, connect button, the five pages of send
// controls, the decimal-point panel, the UID selector, the echo panel and the
// brightness button. Every behaviour runs in a handler named after its
// control and event; each handler reads its controls, calls one encoder and
// hands the frame to TransmitFrame.
#pragma once

#include <QMap>
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>

#include "protocol/frame.h"
#include "settings/portpins.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace lumidex {

class DropDownList;
class SerialPort;
class TabbedPages;
class modINI;

class frmMain : public QWidget {
    Q_OBJECT
  public:
    // Builds the window and runs its start-up sequence; nothing is sent and
    // the port stays closed. `settings` is the settings file as start-up read
    // it: the window takes the stored port and settings from it and writes
    // them back when it closes. `pins` are the ports pinned in it, which the
    // port list names.
    frmMain(SerialPort& port, const modINI& settings, PortPins pins, QWidget* parent = nullptr);

    // Program-wide state, readable for tests and tools.
    const QString& CommPortValue() const { return CommPortValue_; }
    const QString& SettingValue() const { return SettingValue_; }
    const Frame& TxFrame() const { return TxFrame_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // Start-up and shut-down.
    void Form_Load();
    void Form_Unload();
    void createControls();
    void createPages();
    void createSegmentGrid(QWidget* page);
    void setFocusOrder();
    void connectHandlers();
    void restoreSelections();
    void applyPortSettings();

    // Port selection and connection.
    void cboComm_Click();
    void cboBaud_Click();
    void cmdConnect_Click();
    void describePorts();

    // Display commands.
    void cmdSendAscii_Click();
    void cmdSendBCD_Click();
    void cmdSendInteger_Click();
    void cmdSendSD_Click();
    void cmdDPCtl_Click();
    void cmdDP_Click();
    void cmdSaveCS_Click(int Index);
    void cmdConfig_Click();

    // Segment and decimal-point editors.
    void chkD1_Click(int Index);
    void chkD2_Click(int Index);
    void chkD3_Click(int Index);
    void chkD4_Click(int Index);
    void chkDP_Click(int Index);

    // Stamps the UID and writes the first `count` frame bytes, echoing each.
    void TransmitFrame(int count);
    // Runs one command; a failure is reported in a message that says what was
    // not sent and why, after `undo` has put back what the command changed.
    void send(const QString& what, const std::function<void()>& command,
              const std::function<void()>& undo = {});
    // Sets or clears one box's bit in `mask` and, when given, shows the mask.
    void editMask(std::int16_t& mask, const QMap<int, QCheckBox*>& boxes, int Index, QLabel* label);

    SerialPort& port_;
    // The settings file, read once at start-up and written once at close.
    const modINI& ini_;
    const PortPins pins_;

    Frame TxFrame_{};
    std::int16_t SegMask1 = 0;
    std::int16_t SegMask2 = 0;
    std::int16_t SegMask3 = 0;
    std::int16_t SegMask4 = 0;
    std::int16_t DpMask = 0;
    QString CommPortValue_;
    QString SettingValue_;
    int bytesSent_ = 0;

    // Window level.
    QGroupBox* fComm = nullptr;
    DropDownList* cboComm = nullptr;
    DropDownList* cboBaud = nullptr;
    QPushButton* cmdConnect = nullptr;
    TabbedPages* SSTab1 = nullptr;
    QGroupBox* fDPControl = nullptr;
    QMap<int, QCheckBox*> chkDP;
    QPushButton* cmdDPCtl = nullptr;
    DropDownList* cboUID = nullptr;
    QGroupBox* Frame1 = nullptr;
    QLabel* lblTxData = nullptr;
    QPushButton* cmdDP = nullptr;

    // Page "ASCII".
    QLineEdit* txtASCII = nullptr;
    QPushButton* cmdSendAscii = nullptr;
    // Page "Integer/BCD".
    DropDownList* cboHighByte = nullptr;
    DropDownList* cboLowByte = nullptr;
    QPushButton* cmdSendInteger = nullptr;
    QCheckBox* Check1 = nullptr;
    DropDownList* cboBCDHi = nullptr;
    DropDownList* cboBCDLo = nullptr;
    QPushButton* cmdSendBCD = nullptr;
    // Page "Save/Restore".
    DropDownList* cboMEM = nullptr;
    QMap<int, QPushButton*> cmdSaveCS;
    // Page "Segments".
    QLabel* Picture1 = nullptr;
    QLabel* Label14 = nullptr;
    QMap<int, QCheckBox*> chkD1, chkD2, chkD3, chkD4;
    QLabel* lblD1 = nullptr;
    QLabel* lblD2 = nullptr;
    QLabel* lblD3 = nullptr;
    QLabel* lblD4 = nullptr;
    QPushButton* cmdSendSD = nullptr;
    // Page "Config LED".
    DropDownList* cboMuid = nullptr;
    DropDownList* cboMBaud = nullptr;
    QMap<int, QCheckBox*> chkDP4;
    QPushButton* cmdConfig = nullptr;
};

}  // namespace lumidex
