// Timings on this machine: the window's start-up, each button's click until
// its last byte is handed to a pseudo-terminal, the settings file, and
// lumidex-send running a long script.
// Run with `make bench`; nothing in the tests depends on these figures.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "link/serial/posixserialport.h"
#include "settings/modini.h"
#include "settings/portpins.h"
#include "support/commandrows.h"
#include "support/files.h"
#include "support/program.h"
#include "support/pty.h"
#include "support/recordingport.h"
#include "ui/frmmain.h"
#include "ui/toolkit.h"

using namespace lumidex;

namespace {

const QByteArray kSettings =
    "; bench settings\r\n[Display]\r\nDigits=4\r\n\r\n[Settings]\r\nCommPort=3\r\n"
    "Setting=19200,n,8,1\r\n";

QString settingsDir(QTemporaryDir& dir) {
    test::writeFileBytes(dir.path() + "/lumidex2.ini", kSettings);
    return dir.path() + "/";
}

void BM_WindowStartUp(benchmark::State& state) {
    QTemporaryDir dir;
    const QString appDir = settingsDir(dir);
    test::RecordingPort port;
    for (auto _ : state) {
        // As the program starts: the settings file read once, then the window.
        modINI settings(appDir);
        settings.Load();
        auto window = std::make_unique<frmMain>(port, settings, readPortPins(settings));
        benchmark::DoNotOptimize(window.get());
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_WindowStartUp)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// A connected window whose port is a pseudo-terminal at 38400 baud.
struct Connected {
    test::PseudoTerminal pty;
    QTemporaryDir dir;
    PosixSerialPort port{test::portAt(1, pty.slavePath())};
    modINI settings{dir.path()};
    frmMain window{port, settings, {}};

    Connected() {
        port.setSettings("38400,n,8,1");
        button("cmdConnect")->click();
        if (!port.PortOpen()) {
            std::fprintf(stderr, "could not connect to %s\n", qPrintable(pty.slavePath()));
            std::abort();
        }
    }
    QPushButton* button(const char* name) { return window.findChild<QPushButton*>(name); }
};

// A click is timed until the handler returns, by which its last byte has
// been handed to the driver.

void BM_ClickToWire(benchmark::State& state, const char* buttonName) {
    Connected bench;
    QPushButton* button = bench.button(buttonName);
    QLineEdit* text = qstrcmp(buttonName, "cmdSendAscii") == 0
                          ? bench.window.findChild<QLineEdit*>("txtASCII")
                          : nullptr;
    for (auto _ : state) {
        if (text) {
            state.PauseTiming();
            text->setText("12");
            state.ResumeTiming();
        }
        button->click();
        state.PauseTiming();
        bench.pty.readAvailable(0);
        state.ResumeTiming();
    }
}

void BM_SettingsRead(benchmark::State& state) {
    QTemporaryDir dir;
    const modINI ini(settingsDir(dir));
    for (auto _ : state) {
        benchmark::DoNotOptimize(ini.ReadIni("Settings", "CommPort"));
        benchmark::DoNotOptimize(ini.ReadIni("Settings", "Setting"));
    }
}
BENCHMARK(BM_SettingsRead)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_SettingsRewrite(benchmark::State& state) {
    QTemporaryDir dir;
    const modINI ini(settingsDir(dir));
    int n = 0;
    for (auto _ : state) {
        ini.WriteIni("Settings", "CommPort", QString::number(1 + n++ % 10));
        ini.WriteIni("Settings", "Setting", "19200,n,8,1");
    }
}
BENCHMARK(BM_SettingsRewrite)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Median click-to-last-byte time of the 8-byte configuration frame against
// its time on the wire: 8 bytes of 10 bits at 38400 baud.
void reportConfigurationRatio() {
    Connected bench;
    QPushButton* button = bench.button("cmdConfig");
    std::vector<double> micros;
    for (int i = 0; i < 2000; ++i) {
        const auto start = std::chrono::steady_clock::now();
        button->click();
        const auto end = std::chrono::steady_clock::now();
        micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        bench.pty.readAvailable(0);
    }
    std::nth_element(micros.begin(), micros.begin() + micros.size() / 2, micros.end());
    const double median = micros[micros.size() / 2];
    const double wire = 8 * 10 / 38400.0 * 1e6;
    std::printf(
        "\nConfiguration frame: median %.1f us from click to last byte handed to the port, "
        "%.2f %% of its %.0f us on the wire at 38400 baud (target: under 50 us, 2.5 %%)\n",
        median, 100 * median / wire, wire);
}

// Starts lumidex-send on `device` at 38400 baud with `script`, its standard
// input `input` (-1: as this program's) and its standard output /dev/null.
pid_t startSender(const QString& device, const QString& script, int input) {
    const QByteArray program = test::builtProgram("lumidex-send").toLocal8Bit();
    const QByteArray line = device.toLocal8Bit(), path = script.toLocal8Bit();
    const char* args[] = {
        program.constData(), "--port",         line.constData(), "--baud", "38400",
        "--script",          path.constData(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (input >= 0) {
        posix_spawn_file_actions_adddup2(&actions, input, 0);
    }
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawn(&pid, args[0], &actions, nullptr, const_cast<char* const*>(args), environ) !=
        0) {
        std::fprintf(stderr, "could not start %s\n", args[0]);
        pid = 0;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// lumidex-send with a 10,000-line script (the shared command rows in turn) on a
// pseudo-terminal at 38400 baud: its processor time per frame against that
// frame's time on the wire, and its peak memory. The peak is the kernel's
// high-water mark of the program's own memory, sampled while it runs: the
// one wait4 reports also counts the memory of the process it was spawned
// from.
void reportSenderScript() {
    const std::vector<test::CommandRow>& rows = test::commandRows();
    constexpr int kLines = 10000;
    QTemporaryDir dir;
    QFile file(dir.filePath("script.txt"));
    file.open(QIODevice::WriteOnly);
    long long bytes = 0;
    for (int i = 0; i < kLines; ++i) {
        const test::CommandRow& row = rows[static_cast<std::size_t>(i) % rows.size()];
        file.write(QByteArray::fromStdString(row.sender) + '\n');
        bytes += static_cast<long long>(row.wire.size() + 1) / 3;  // "FF 6E": 2 bytes
    }
    file.close();

    test::PseudoTerminal pty;
    const pid_t pid = startSender(pty.slavePath(), file.fileName(), -1);
    if (pid <= 0) {
        return;
    }
    long long received = 0;
    long peakKiB = 0;
    int status = 0;
    rusage usage{};
    const QString statusFile = QStringLiteral("/proc/%1/status").arg(pid);
    while (wait4(pid, &status, WNOHANG, &usage) == 0) {
        QFile proc(statusFile);
        if (proc.open(QIODevice::ReadOnly)) {
            for (const QByteArray& row : proc.readAll().split('\n')) {
                if (row.startsWith("VmHWM:")) {
                    peakKiB = std::max(peakKiB, row.mid(6).trimmed().split(' ')[0].toLong());
                }
            }
        }
        received += pty.readAvailable(1).size();
    }
    received += pty.readAvailable(50).size();
    const double cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                       (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    const double wire = bytes * 10 / 38400.0;
    std::printf(
        "\nlumidex-send, %d-line script to a pseudo-terminal: exit status %d, %lld of %lld bytes "
        "arrived; processor time %.0f ms, %.1f us a frame, %.2f %% of the frames' %.2f s on the "
        "wire at 38400 baud (target: at most 2.5 %%); peak memory %.2f MiB (target: under 10 "
        "MiB)\n",
        kLines, WIFEXITED(status) ? WEXITSTATUS(status) : -1, received, bytes, cpu * 1e3,
        cpu / kLines * 1e6, 100 * cpu / wire, wire, peakKiB / 1024.0);
}

// lumidex-send reading a feed: the time from a line's end being written into
// the pipe to the last byte of its frame arriving on the pseudo-terminal,
// over 1,000 lines of "bcd NNNN", beside that frame's 1.04 ms on the wire at
// 38400 baud.
void reportFeedLatency() {
    test::PseudoTerminal pty;
    int feed[2];
    if (::pipe2(feed, O_CLOEXEC) != 0) {  // the sender holds neither end but its input
        return;
    }
    const pid_t pid = startSender(pty.slavePath(), "-", feed[0]);
    if (pid <= 0) {
        return;
    }
    ::close(feed[0]);
    constexpr int kLines = 1000;
    std::vector<double> micros;
    for (int i = -1; i < kLines; ++i) {  // the first line opens the way
        const std::string line = "bcd " + std::to_string(1000 + (i + 1000) % 9000) + "\n";
        QElapsedTimer clock;
        clock.start();
        if (::write(feed[1], line.data(), line.size()) != static_cast<ssize_t>(line.size()) ||
            pty.readBytes(4, 2000).size() != 4) {
            std::fprintf(stderr, "line %d did not arrive\n", i);
            break;
        }
        if (i >= 0) {
            micros.push_back(clock.nsecsElapsed() / 1e3);
        }
    }
    ::close(feed[1]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (micros.size() != kLines) {
        return;
    }
    std::sort(micros.begin(), micros.end());
    const double wire = 4 * 10 / 38400.0 * 1e6;
    std::printf(
        "\nlumidex-send, a feed of %d lines: from a line's end written into the pipe to its "
        "frame's last byte on a pseudo-terminal, median %.0f us, 99th percentile %.0f us, beside "
        "the frame's %.0f us on the wire at 38400 baud (target: median under 500 us); exit "
        "status %d\n",
        kLines, micros[micros.size() / 2], micros[micros.size() * 99 / 100], wire,
        WIFEXITED(status) ? WEXITSTATUS(status) : -1);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // A failed send would open a message box and stall the run; count it instead.
    int failures = 0;
    setMessageSink([&failures](const QString& text) {
        ++failures;
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    });
    for (const char* name : {"cmdSendAscii", "cmdSendBCD", "cmdSendInteger", "cmdSendSD",
                             "cmdDPCtl", "cmdDP", "cmdSaveCS_0", "cmdSaveCS_1", "cmdConfig"}) {
        benchmark::RegisterBenchmark((std::string("BM_ClickToWire/") + name).c_str(),
                                     BM_ClickToWire, name)
            ->Unit(benchmark::kMicrosecond)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    reportConfigurationRatio();
    reportSenderScript();
    reportFeedLatency();
    return failures == 0 ? 0 : 1;
}
