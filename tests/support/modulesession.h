// A session with the virtual module, lumidex-module --pty --print: what the
// operator does in the window, the lumidex-send script lines that do the
// same, and the screen the module shows after each step. The window's test
// and the sender's play it against a running module.
#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <algorithm>
#include <functional>
#include <vector>

#include "support/program.h"
#include "support/window.h"

namespace lumidex::test {

struct SessionStep {
    const char* what;
    std::function<void(WindowDriver&)> act;
    const char* script;        // lumidex-send's lines for the same
    const char* screen;        // Digit 4 to Digit 1, and the brightness
    const char* ignored = "";  // expected in the line's notes, if anything
};

inline const std::vector<SessionStep>& moduleSession() {
    using W = WindowDriver;
    static const std::vector<SessionStep> steps = {
        {"text 12 and a degree sign",
         [](W& w) { w.typeText("txtASCII", "12T"), w.click("cmdSendAscii"); }, "text 12T",
         "00 22 D3 17 bright"},
        {"points on Digit 4 and Digit 1",
         [](W& w) {
             w.setChecked("chkDP_8", true), w.setChecked("chkDP_1", true), w.click("cmdDPCtl");
         },
         "points 9", "08 22 D3 1F bright"},
        {"save to 3", [](W& w) { w.pick("cboMEM", 3), w.click("cmdSaveCS_0"); }, "save 3",
         "08 22 D3 1F bright"},
        {"signed -1",
         [](W& w) {
             w.pick("cboHighByte", 0xFF), w.pick("cboLowByte", 0xFF);
             w.setChecked("Check1", true), w.click("cmdSendInteger");
         },
         "int -1", "00 00 10 22 bright"},
        {"dim", [](W& w) { w.click("cmdDP"); }, "bright", "00 00 10 22 dim"},
        {"recall 3", [](W& w) { w.click("cmdSaveCS_1"); }, "recall 3", "08 22 D3 1F dim"},
        {"BCD 9905",
         [](W& w) { w.pick("cboBCDHi", 99), w.pick("cboBCDLo", 5), w.click("cmdSendBCD"); },
         "bcd 9905", "77 77 E7 75 dim"},
        {"unsigned 1234",
         [](W& w) {
             w.pick("cboHighByte", 0x04), w.pick("cboLowByte", 0xD2);
             w.setChecked("Check1", false), w.click("cmdSendInteger");
         },
         "uint 1234", "22 D3 73 36 dim"},
        {"segment a of Digit 4, a 1 on Digit 1",
         [](W& w) {
             w.setChecked("chkD4_1", true), w.setChecked("chkD1_2", true);
             w.setChecked("chkD1_32", true), w.click("cmdSendSD");
         },
         "segments 01 00 00 22", "01 00 00 22 dim"},
        {"configure to UID 5", [](W& w) { w.pick("cboMuid", 5), w.click("cmdConfig"); },
         "config 5 9600 0", "00 75 D5 D4 dim"},
        {"UID 255 is no longer obeyed", [](W& w) { w.click("cmdDP"); }, "bright", "00 75 D5 D4 dim",
         "frame for UID 255 (this module is 5)"},
        {"UID 5 is", [](W& w) { w.pick("cboUID", 5), w.click("cmdDP"); }, "uid 5\nbright",
         "00 75 D5 D4 bright"},
    };
    return steps;
}

// The next line the module prints, or an empty string after `ms`.
inline QString nextLine(QProcess& module, int ms = 5000) {
    const QDeadlineTimer deadline(ms);
    while (!module.canReadLine() && !deadline.hasExpired() && module.state() == QProcess::Running) {
        module.waitForReadyRead(int(std::max<qint64>(deadline.remainingTime(), 1)));
    }
    return module.canReadLine() ? QString::fromUtf8(module.readLine()).chopped(1) : QString();
}

// Starts lumidex-module --pty --print without a display; returns the path
// of its pseudo-terminal, or an empty string when it did not start.
inline QString startModule(QProcess& module) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    module.setProcessEnvironment(env);
    module.start(builtProgram("lumidex-module"), {"--pty", "--print"});
    module.waitForStarted(5000);
    const QString first = nextLine(module);
    return first.startsWith("listening on ") ? first.mid(QString("listening on ").size())
                                             : QString();
}

// Whether the module's line after a step shows the step's screen and notes.
inline bool showsStep(const QString& line, const SessionStep& step) {
    return line.startsWith(QString("screen ") + step.screen) && line.contains(step.ignored) &&
           line.contains("ignored: ") == (*step.ignored != 0);
}

}  // namespace lumidex::test
