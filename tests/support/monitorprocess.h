// The lumidex-monitor program run as a separate process by a test: started
// with arguments, its output lines collected, killed if a test leaves it
// running.
#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>

#include "support/program.h"

namespace lumidex::test {

inline QString monitorPath() {
    return builtProgram("lumidex-monitor");
}

// A monitor process that is killed if a test leaves it running.
struct Monitor {
    QProcess process;
    QStringList lines;  // stdout lines read so far, timestamps removed

    ~Monitor() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }

    bool start(const QStringList& args) {
        process.start(monitorPath(), args);
        return process.waitForStarted(5000);
    }

    // Waits until `count` lines have arrived in total; false on timeout.
    bool waitForLines(int count, int ms = 5000) {
        const QDeadlineTimer deadline(ms);
        for (;;) {
            while (process.canReadLine()) {
                lines << QString::fromUtf8(process.readLine()).chopped(1);
            }
            if (lines.size() >= count) {
                return true;
            }
            if (deadline.hasExpired() || process.state() == QProcess::NotRunning) {
                return false;
            }
            process.waitForReadyRead(int(std::max<qint64>(deadline.remainingTime(), 1)));
        }
    }

    // The decoded lines after the first ("listening on ..."), without the
    // timestamp, which must be present on each.
    QStringList frames() const {
        static const QRegularExpression stamp(R"(^\d\d:\d\d:\d\d\.\d\d\d  )");
        QStringList out;
        for (int i = 1; i < lines.size(); ++i) {
            QString line = lines[i];
            if (!stamp.match(line).hasMatch()) {
                out << "<no timestamp> " + line;
            } else {
                out << line.mid(14);
            }
        }
        return out;
    }
};

}  // namespace lumidex::test
