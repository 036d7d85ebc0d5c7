// Every command as the window sends it and as lumidex-send sends the same:
// the operator's inputs, the sender's arguments, and the frame on the wire.
// The window's tests click through the inputs, the sender's run the
// arguments; both must put exactly `wire` on the line.
#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <vector>

#include "support/window.h"

namespace lumidex::test {

struct CommandCase {
    const char* name;
    // The window: text typed into txtASCII, list entries picked (list,
    // position), check boxes ticked, then the button clicked.
    QString typed;
    QList<QPair<QString, int>> picks;
    QStringList ticked;
    QString button;
    // lumidex-send's arguments for the same command.
    QStringList send;
    // The frame, as the window echoes it.
    QString wire;
};

inline const std::vector<CommandCase>& commandCases() {
    using Picks = QList<QPair<QString, int>>;
    static const std::vector<CommandCase> cases = {
        {"empty text", "", {}, {}, "cmdSendAscii", {"text", ""}, "FF 62 20 20 20 20 "},
        {"text 7", "7", {}, {}, "cmdSendAscii", {"text", "7"}, "FF 62 20 20 20 37 "},
        {"text 12", "12", {}, {}, "cmdSendAscii", {"text", "12"}, "FF 62 20 20 31 32 "},
        {"text ABC", "ABC", {}, {}, "cmdSendAscii", {"text", "ABC"}, "FF 62 20 41 42 43 "},
        {"text Hi 5", "Hi 5", {}, {}, "cmdSendAscii", {"text", "Hi", "5"}, "FF 62 48 69 20 35 "},
        {"text blank 1", " 1", {}, {}, "cmdSendAscii", {"text", " 1"}, "FF 62 20 20 20 31 "},
#ifndef Q_OS_WIN
        // Latin-1, the character set outside Windows.
        {"text latin-1", QString::fromUtf8("°C"), {}, {}, "cmdSendAscii",
         {"text", QString::fromUtf8("°C")}, "FF 62 20 20 B0 43 "},
#endif
        {"bcd 12 34", "", Picks{{"cboBCDHi", 12}, {"cboBCDLo", 34}}, {}, "cmdSendBCD",
         {"bcd", "1234"}, "FF 64 12 34 "},
        {"bcd 0 0", "", {}, {}, "cmdSendBCD", {"bcd", "0000"}, "FF 64 00 00 "},
        {"bcd 99 5", "", Picks{{"cboBCDHi", 99}, {"cboBCDLo", 5}}, {}, "cmdSendBCD",
         {"bcd", "9905"}, "FF 64 99 05 "},
        {"unsigned 12AB", "", Picks{{"cboHighByte", 0x12}, {"cboLowByte", 0xAB}}, {},
         "cmdSendInteger", {"uint", "4779"}, "FF 66 12 AB "},
        {"signed 12AB", "", Picks{{"cboHighByte", 0x12}, {"cboLowByte", 0xAB}}, {"Check1"},
         "cmdSendInteger", {"int", "4779"}, "FF 67 12 AB "},
        {"signed -42", "", Picks{{"cboHighByte", 0xFF}, {"cboLowByte", 0xD6}}, {"Check1"},
         "cmdSendInteger", {"int", "-42"}, "FF 67 FF D6 "},
        {"save 0", "", {}, {}, "cmdSaveCS_0", {"save", "0"}, "FF 73 00 "},
        {"recall 19", "", Picks{{"cboMEM", 19}}, {}, "cmdSaveCS_1", {"recall", "19"}, "FF 72 13 "},
        {"segments none", "", {}, {}, "cmdSendSD", {"segments", "00", "00", "00", "00"},
         "FF 61 00 00 00 00 "},
        {"segment a digit 4", "", {}, {"chkD4_1"}, "cmdSendSD", {"segments", "01", "00", "00", "00"},
         "FF 61 01 00 00 00 "},
        {"segment a digit 1", "", {}, {"chkD1_1"}, "cmdSendSD", {"segments", "0", "0", "0", "1"},
         "FF 61 00 00 00 01 "},
        {"decimal points 4 and 1", "", {}, {"chkDP_8", "chkDP_1"}, "cmdDPCtl", {"points", "9"},
         "FF 63 09 "},
        {"decimal points none", "", {}, {}, "cmdDPCtl", {"points", "0"}, "FF 63 00 "},
        {"brightness", "", {}, {}, "cmdDP", {"bright"}, "FF 6E "},
        {"uid 0", "", Picks{{"cboUID", 0}}, {}, "cmdDP", {"--uid", "0", "bright"}, "00 6E "},
        {"uid 7", "", Picks{{"cboUID", 7}}, {}, "cmdSendBCD", {"--uid", "7", "bcd", "0000"},
         "07 64 00 00 "},
        // Configuration goes to unit 30 whatever the unit selected.
        {"config presets", "", Picks{{"cboUID", 7}}, {}, "cmdConfig",
         {"--uid", "7", "config", "255", "9600", "0"}, "1E 1E 24 FF 00 00 00 00 "},
        {"config 38400 uid 5 digits 4 and 1", "",
         Picks{{"cboUID", 7}, {"cboMBaud", 2}, {"cboMuid", 5}}, {"chkDP4_0", "chkDP4_3"},
         "cmdConfig", {"--uid", "7", "config", "5", "38400", "9"}, "1E 1E 09 05 08 00 00 08 "},
        {"config 19200 uid 0 digit 2", "", Picks{{"cboUID", 7}, {"cboMBaud", 1}, {"cboMuid", 0}},
         {"chkDP4_2"}, "cmdConfig", {"--uid", "7", "config", "0", "19200", "2"},
         "1E 1E 12 00 00 00 08 00 "},
    };
    return cases;
}

// Gives the window the case's inputs, short of clicking its button.
inline void enterInputs(WindowDriver& ui, const CommandCase& c) {
    if (!c.typed.isEmpty()) {
        ui.typeText("txtASCII", c.typed);
    }
    for (const auto& [list, position] : c.picks) {
        ui.pick(list, position);
    }
    for (const QString& box : c.ticked) {
        ui.setChecked(box, true);
    }
}

}  // namespace lumidex::test
