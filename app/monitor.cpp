// lumidex-monitor: prints every command frame seen on a serial line, one
// decoded line per frame, so an operator can check what reaches a module.
#include <QCoreApplication>
#include <QSerialPort>
#include <QStringList>
#include <QTime>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/ptyhost.h"
#include "protocol/decoder.h"

namespace {

constexpr int ExitOk = 0;
constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;

const char UsageText[] =
    "usage: lumidex-monitor [--baud N] [--idle-ms N] DEVICE\n"
    "       lumidex-monitor [--idle-ms N] --pty\n";

const char HelpText[] =
    "Prints each command frame received on a serial line as one line:\n"
    "the time, the unit identifier and the command with its payload.\n"
    "\n"
    "  DEVICE        serial device to read, e.g. /dev/ttyUSB0 or COM3\n"
    "                (opened read-only, raw, 8 data bits, no parity, 1 stop bit)\n"
    "  --baud N      baud rate of DEVICE (default 9600)\n"
    "  --pty         create a pseudo-terminal instead and read what is written\n"
    "                to it; its path is printed first (\"listening on PATH\")\n"
    "  --idle-ms N   report a frame as cut short after N milliseconds without\n"
    "                a byte (default 500, 0 never)\n"
    "  --help        show this text\n"
    "\n"
    "Runs until interrupted (Ctrl+C or SIGTERM); exit status 0 then, 1 when the\n"
    "device cannot be opened or read, 2 for bad arguments.\n";

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void requestStop(int) {
    stopRequested = 1;
}

// Signals only set a flag; the event loop ends once it sees it, after a
// timer tick or after the batch of bytes it is handling.
void quitIfStopRequested() {
    if (stopRequested) {
        QCoreApplication::quit();
    }
}

// How long a stop request may wait when no bytes arrive.
constexpr int StopPollMs = 20;
// The most bytes handled in one go, so a flood of input never delays a stop.
constexpr qint64 ReadChunk = 4096;

// Prints one line per text, all stamped with the current time, in one write:
// frames that arrived together are printed together, and a flood of them
// costs one system call per batch rather than one per frame.
void printLines(const std::vector<std::string>& texts) {
    if (texts.empty()) {
        return;
    }
    const std::string stamp =
        QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")).toStdString() + "  ";
    std::string out;
    for (const std::string& text : texts) {
        out += stamp;
        out += text;
        out += '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
}

void printError(const std::string& message) {
    std::fprintf(stderr, "lumidex-monitor: %s\n", message.c_str());
    std::fflush(stderr);
}

struct Options {
    QString device;
    bool pty = false;
    int baud = 9600;
    int idleMs = 500;
    bool help = false;
};

struct ArgumentError {
    int exitCode;
    std::string message;
};

// A whole number within int, digits only (no sign, blanks or fraction).
std::optional<int> wholeNumber(const QString& text) {
    if (text.isEmpty()) {
        return std::nullopt;
    }
    for (QChar ch : text) {
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9')) {
            return std::nullopt;
        }
    }
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

// Reads the arguments; misuse (unknown option, missing or extra operand) is
// an exit-2 error and takes precedence over a bad value, which is exit 1.
Options parseArguments(const QStringList& args) {
    Options o;
    std::optional<std::string> valueError;
    QStringList devices;
    bool baudGiven = false;
    for (int i = 1; i < args.size(); ++i) {
        QString arg = args[i];
        QString value;
        bool hasValue = false;
        const int eq = arg.indexOf(QLatin1Char('='));
        if (arg.startsWith(QLatin1String("--")) && eq > 0) {
            value = arg.mid(eq + 1);
            arg = arg.left(eq);
            hasValue = true;
        }
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            o.help = true;
            return o;
        }
        if (arg == QLatin1String("--baud") || arg == QLatin1String("--idle-ms")) {
            if (!hasValue) {
                if (i + 1 >= args.size()) {
                    throw ArgumentError{ExitUsage, arg.toStdString() + " needs a value"};
                }
                value = args[++i];
            }
            const std::optional<int> n = wholeNumber(value);
            if (arg == QLatin1String("--baud")) {
                baudGiven = true;
                if (n && *n > 0) {
                    o.baud = *n;
                } else if (!valueError) {
                    valueError =
                        "baud rate must be a positive whole number: '" + value.toStdString() + "'";
                }
            } else if (n) {
                o.idleMs = *n;
            } else if (!valueError) {
                valueError = "idle time must be a whole number of milliseconds: '" +
                             value.toStdString() + "'";
            }
        } else if (arg == QLatin1String("--pty") && !hasValue) {
            o.pty = true;
        } else if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            throw ArgumentError{ExitUsage, "unknown option '" + args[i].toStdString() + "'"};
        } else {
            devices << arg;
        }
    }
    if (devices.size() > 1) {
        throw ArgumentError{ExitUsage, "more than one device given: " +
                                           devices.join(QLatin1String(", ")).toStdString()};
    }
    if (o.pty && !devices.isEmpty()) {
        throw ArgumentError{ExitUsage, "give either a DEVICE or --pty, not both"};
    }
    if (o.pty && baudGiven) {
        throw ArgumentError{ExitUsage, "--baud applies to a DEVICE, not to --pty"};
    }
    if (!o.pty && devices.isEmpty()) {
        throw ArgumentError{ExitUsage, "no DEVICE given"};
    }
    if (valueError) {
        throw ArgumentError{ExitFailure, *valueError};
    }
    if (!devices.isEmpty()) {
        o.device = devices.front();
    }
    return o;
}

// "no such file or directory" rather than the driver's capitalised sentence.
std::string reasonOf(const QSerialPort& port) {
    if (port.error() == QSerialPort::DeviceNotFoundError) {
        return "no such file or directory";
    }
    std::string text = port.errorString().toStdString();
    if (text.size() > 1 && text[0] >= 'A' && text[0] <= 'Z' &&
        !(text[1] >= 'A' && text[1] <= 'Z')) {
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    }
    return text;
}

// Feeds arriving bytes to the decoder, prints what it completes and reports
// a frame left unfinished once the line has been quiet for the idle time.
class Monitor {
  public:
    explicit Monitor(int idleMs) {
        idle_.setSingleShot(true);
        idle_.setInterval(idleMs);
        enableIdle_ = idleMs > 0;
        QObject::connect(&idle_, &QTimer::timeout, [this] { flush(); });
    }

    void bytes(const std::uint8_t* data, std::size_t size) {
        std::vector<std::string> lines;
        for (lumidex::DecodedFrame& frame : decoder_.feed(data, size)) {
            lines.push_back(std::move(frame.description));
        }
        printLines(lines);
        if (enableIdle_ && decoder_.pending() > 0) {
            idle_.start();
        } else {
            idle_.stop();
        }
    }

    void flush() {
        idle_.stop();
        if (const auto partial = decoder_.flush()) {
            printLines({partial->description});
        }
    }

  private:
    lumidex::FrameDecoder decoder_;
    QTimer idle_;
    bool enableIdle_ = true;
};

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);

    Options options;
    try {
        options = parseArguments(QCoreApplication::arguments());
    } catch (const ArgumentError& e) {
        printError(e.message);
        if (e.exitCode == ExitUsage) {
            std::fputs(UsageText, stderr);
            std::fputs("Try 'lumidex-monitor --help' for more information.\n", stderr);
        }
        return e.exitCode;
    }
    if (options.help) {
        std::fputs(UsageText, stdout);
        std::fputs("\n", stdout);
        std::fputs(HelpText, stdout);
        return ExitOk;
    }

    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);

    Monitor monitor(options.idleMs);
    int exitCode = ExitOk;
    auto fail = [&exitCode](const std::string& message) {
        if (exitCode != ExitOk) {
            return;  // already ending; say it once
        }
        printError(message);
        exitCode = ExitFailure;
        QCoreApplication::exit(ExitFailure);
    };

    QSerialPort port;
    lumidex::monitor::PtyHost pty;
    if (options.pty) {
        try {
            const std::string path = pty.open(
                [&monitor](const std::uint8_t* data, std::size_t size) {
                    monitor.bytes(data, size);
                    quitIfStopRequested();
                },
                fail);
            std::printf("listening on %s\n", path.c_str());
            std::fflush(stdout);
        } catch (const std::runtime_error& e) {
            printError(e.what());
            return ExitFailure;
        }
    } else {
        port.setPortName(options.device);
        port.setBaudRate(options.baud);
        port.setDataBits(QSerialPort::Data8);
        port.setParity(QSerialPort::NoParity);
        port.setStopBits(QSerialPort::OneStop);
        port.setFlowControl(QSerialPort::NoFlowControl);
        port.setReadBufferSize(ReadChunk);
        if (!port.open(QIODevice::ReadOnly)) {
            printError("cannot open " + options.device.toStdString() + ": " + reasonOf(port));
            return ExitFailure;
        }
        QObject::connect(&port, &QSerialPort::readyRead, [&port, &monitor] {
            const QByteArray data = port.readAll();
            monitor.bytes(reinterpret_cast<const std::uint8_t*>(data.constData()),
                          static_cast<std::size_t>(data.size()));
            quitIfStopRequested();
        });
        QObject::connect(
            &port, &QSerialPort::errorOccurred,
            [&port, &fail, &options](QSerialPort::SerialPortError error) {
                if (error != QSerialPort::NoError && error != QSerialPort::TimeoutError) {
                    fail("lost " + options.device.toStdString() + ": " + reasonOf(port));
                }
            });
        std::printf("listening on %s at %d baud\n", options.device.toStdString().c_str(),
                    options.baud);
        std::fflush(stdout);
    }

    QTimer stopPoll;
    QObject::connect(&stopPoll, &QTimer::timeout, quitIfStopRequested);
    stopPoll.start(StopPollMs);

    app.exec();
    // Bytes that arrived just before the stop still count (one chunk at most,
    // so an endless writer cannot hold the program up).
    if (exitCode == ExitOk) {
        if (options.pty) {
            pty.readPending();
        } else {
            // Delivered through readyRead like any other bytes.
            port.waitForReadyRead(0);
        }
    }
    monitor.flush();
    return exitCode;
}
