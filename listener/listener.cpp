#include "listener/listener.h"

#include <QCoreApplication>
#include <QSerialPort>
#include <QTimer>
#include <cstdio>
#include <stdexcept>

#include "app/stopsignals.h"
#include "listener/ptyhost.h"

namespace lumidex::listener {

namespace {

// The most bytes a device hands over in one go (the pseudo-terminal reads as
// much), so a flood of input never holds up a stop for long.
constexpr qint64 ReadChunk = 1024;

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

// The serial device or pseudo-terminal the options name, read through the
// Qt event loop.
class LineInput {
  public:
    using BytesFn = PtyHost::BytesFn;
    using ErrorFn = PtyHost::ErrorFn;

    // Opens the line and prints "listening on PATH" (with " at N baud" for a
    // device) to standard output. Throws std::runtime_error with a plain
    // message when it cannot be opened. `onError` is told, once, when reading
    // stops for good.
    void open(const LineOptions& options, BytesFn onBytes, ErrorFn onError);

    // The device or pseudo-terminal path being read.
    QString path() const { return path_; }

    // Hands over what has already arrived, one chunk at most and without
    // waiting, so bytes written just before the program stops still count
    // while a writer that never stops cannot delay the stop.
    void readPending();

  private:
    QSerialPort port_;
    PtyHost pty_;
    bool usesPty_ = false;
    QString path_;
};

// Feeds arriving bytes to the frame decoder and hands over each frame it
// completes, and a frame left unfinished once the line has been quiet for the
// idle time (0: only when flushed). Standard output is flushed after each
// batch of frames, so what they printed goes out together.
class FrameReader {
  public:
    FrameReader(int idleMs, FrameFn onFrame);

    void bytes(const std::uint8_t* data, std::size_t size);
    // Ends a frame in progress, reporting it as cut short.
    void flush();

  private:
    FrameDecoder decoder_;
    QTimer idle_;
    bool enableIdle_;
    FrameFn onFrame_;
};

void LineInput::open(const LineOptions& options, BytesFn onBytes, ErrorFn onError) {
    usesPty_ = options.pty;
    if (options.pty) {
        path_ = QString::fromStdString(pty_.open(std::move(onBytes), std::move(onError)));
        std::printf("listening on %s\n", path_.toStdString().c_str());
        std::fflush(stdout);
        return;
    }
    path_ = options.device;
    port_.setPortName(options.device);
    port_.setBaudRate(options.baud);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    port_.setReadBufferSize(ReadChunk);
    if (!port_.open(QIODevice::ReadOnly)) {
        throw std::runtime_error("cannot open " + options.device.toStdString() + ": " +
                                 reasonOf(port_));
    }
    QObject::connect(&port_, &QSerialPort::readyRead, [this, onBytes] {
        const QByteArray data = port_.readAll();
        onBytes(reinterpret_cast<const std::uint8_t*>(data.constData()),
                static_cast<std::size_t>(data.size()));
    });
    QObject::connect(&port_, &QSerialPort::errorOccurred,
                     [this, onError](QSerialPort::SerialPortError error) {
                         if (error != QSerialPort::NoError && error != QSerialPort::TimeoutError) {
                             onError("lost " + path_.toStdString() + ": " + reasonOf(port_));
                         }
                     });
    std::printf("listening on %s at %d baud\n", options.device.toStdString().c_str(), options.baud);
    std::fflush(stdout);
}

void LineInput::readPending() {
    if (usesPty_) {
        pty_.readPending();
    } else if (port_.isOpen()) {
        // Delivered through readyRead like any other bytes.
        port_.waitForReadyRead(0);
    }
}

FrameReader::FrameReader(int idleMs, FrameFn onFrame)
    : enableIdle_(idleMs > 0), onFrame_(std::move(onFrame)) {
    idle_.setSingleShot(true);
    idle_.setInterval(idleMs);
    QObject::connect(&idle_, &QTimer::timeout, [this] { flush(); });
}

void FrameReader::bytes(const std::uint8_t* data, std::size_t size) {
    for (const DecodedFrame& frame : decoder_.feed(data, size)) {
        onFrame_(frame);
    }
    std::fflush(stdout);
    if (enableIdle_ && decoder_.pending() > 0) {
        idle_.start();
    } else {
        idle_.stop();
    }
}

void FrameReader::flush() {
    idle_.stop();
    const std::vector<DecodedFrame> rest = decoder_.flush();
    for (const DecodedFrame& frame : rest) {
        onFrame_(frame);
    }
    if (!rest.empty()) {
        std::fflush(stdout);
    }
}

}  // namespace

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

LineOptions parseLineArguments(const QStringList& args, const std::vector<ExtraOption>& extra) {
    LineOptions o;
    std::optional<std::string> valueError;
    auto noteValueError = [&valueError](std::optional<std::string> error) {
        if (error && !valueError) {
            valueError = std::move(error);
        }
    };
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
        const ExtraOption* other = nullptr;
        for (const ExtraOption& option : extra) {
            if (arg == option.name && (option.takesValue || !hasValue)) {
                other = &option;
            }
        }
        const bool takesValue = arg == QLatin1String("--baud") ||
                                arg == QLatin1String("--idle-ms") || (other && other->takesValue);
        if (takesValue && !hasValue) {
            if (i + 1 >= args.size()) {
                throw ArgumentError{ExitUsage, arg.toStdString() + " needs a value"};
            }
            value = args[++i];
        }
        if (other) {
            noteValueError(other->apply(value));
        } else if (arg == QLatin1String("--baud")) {
            baudGiven = true;
            const std::optional<int> n = wholeNumber(value);
            if (n && *n > 0) {
                o.baud = *n;
            } else {
                noteValueError("baud rate must be a positive whole number: '" +
                               value.toStdString() + "'");
            }
        } else if (arg == QLatin1String("--idle-ms")) {
            if (const std::optional<int> n = wholeNumber(value)) {
                o.idleMs = *n;
            } else {
                noteValueError("idle time must be a whole number of milliseconds: '" +
                               value.toStdString() + "'");
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

void printError(const char* program, const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", program, message.c_str());
    std::fflush(stderr);
}

std::optional<int> handleArguments(const char* program, const char* usage, const char* help,
                                   const std::function<LineOptions()>& parse, LineOptions& out) {
    try {
        out = parse();
    } catch (const ArgumentError& e) {
        printError(program, e.message);
        if (e.exitCode == ExitUsage) {
            std::fputs(usage, stderr);
            std::fprintf(stderr, "Try '%s --help' for more information.\n", program);
        }
        return e.exitCode;
    }
    if (out.help) {
        std::fputs(usage, stdout);
        std::fputs("\n", stdout);
        std::fputs(help, stdout);
        return ExitOk;
    }
    return std::nullopt;
}

int readFrames(const char* program, const LineOptions& options, FrameFn onFrame,
               const std::function<void(const QString& path)>& started) {
    // A stop request is handled between two chunks of input, so a line that
    // never goes quiet cannot hold it up.
    QObject stop;
    onStopRequest(stop, [] { QCoreApplication::quit(); });

    FrameReader reader(options.idleMs, std::move(onFrame));
    int exitCode = ExitOk;
    auto fail = [&exitCode, program](const std::string& message) {
        if (exitCode != ExitOk) {
            return;  // already ending; say it once
        }
        printError(program, message);
        exitCode = ExitFailure;
        QCoreApplication::exit(ExitFailure);
    };
    LineInput line;
    try {
        line.open(
            options,
            [&reader](const std::uint8_t* data, std::size_t size) { reader.bytes(data, size); },
            fail);
    } catch (const std::runtime_error& e) {
        printError(program, e.what());
        return ExitFailure;
    }
    if (started) {
        started(line.path());
    }

    QCoreApplication::exec();
    if (exitCode == ExitOk) {
        line.readPending();
    }
    reader.flush();
    return exitCode;
}

}  // namespace lumidex::listener
