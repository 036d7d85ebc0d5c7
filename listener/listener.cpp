#include "listener/listener.h"

#include <QCoreApplication>
#include <QSerialPort>
#include <QTimer>
#include <stdexcept>

#include "app/stopsignals.h"
#include "cli/device.h"
#include "listener/ptyhost.h"
#include "protocol/text.h"

namespace lumidex::listener {

using cli::ExitFailure;
using cli::ExitOk;

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
    // device) on the console's standard output. Throws std::runtime_error with a plain
    // message when it cannot be opened. `onError` is told, once, when reading
    // stops for good.
    void open(const LineOptions& options, cli::Console& console, BytesFn onBytes, ErrorFn onError);

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
// idle time (0: only when flushed).
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

void LineInput::open(const LineOptions& options, cli::Console& console, BytesFn onBytes,
                     ErrorFn onError) {
    usesPty_ = options.pty;
    if (options.pty) {
        path_ = QString::fromStdString(pty_.open(std::move(onBytes), std::move(onError)));
        console.out("listening on " + path_.toStdString() + "\n");
        return;
    }
    path_ = QString::fromStdString(options.device);
    port_.setPortName(path_);
    port_.setBaudRate(options.baud);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    port_.setReadBufferSize(ReadChunk);
    if (!port_.open(QIODevice::ReadOnly)) {
        throw std::runtime_error("cannot open " + printable(options.device) + ": " +
                                 reasonOf(port_));
    }
    QObject::connect(&port_, &QSerialPort::readyRead, [this, onBytes] {
        const QByteArray data = port_.readAll();
        onBytes(reinterpret_cast<const std::uint8_t*>(data.constData()),
                static_cast<std::size_t>(data.size()));
    });
    QObject::connect(
        &port_, &QSerialPort::errorOccurred, [this, onError](QSerialPort::SerialPortError error) {
            if (error != QSerialPort::NoError && error != QSerialPort::TimeoutError) {
                onError("lost " + printable(path_.toStdString()) + ": " + reasonOf(port_));
            }
        });
    console.out("listening on " + options.device + " at " + std::to_string(options.baud) +
                " baud\n");
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
}

}  // namespace

LineOptions lineOptionsFrom(const cli::ParsedArguments& parsed) {
    LineOptions o;
    o.pty = parsed.has("--pty");
    const std::vector<std::string>& devices = parsed.operands;
    if (devices.size() > 1) {
        std::string list;
        for (const std::string& device : devices) {
            list += (list.empty() ? "" : ", ") + printable(device);
        }
        throw cli::ArgumentError("more than one device given: " + list);
    }
    if (o.pty && !devices.empty()) {
        throw cli::ArgumentError("give either a DEVICE or --pty, not both");
    }
    if (o.pty && parsed.has("--baud")) {
        throw cli::ArgumentError("--baud applies to a DEVICE, not to --pty");
    }
    if (!o.pty && devices.empty()) {
        throw cli::ArgumentError("no DEVICE given");
    }
    if (const auto baud = parsed.value("--baud")) {
        const std::optional<int> n = cli::wholeNumber(*baud);
        if (!n || *n == 0) {
            throw cli::ArgumentError("baud rate must be a positive whole number: " + quoted(*baud));
        }
        o.baud = *n;
    }
    if (const auto idle = parsed.value("--idle-ms")) {
        const std::optional<int> n = cli::wholeNumber(*idle);
        if (!n) {
            throw cli::ArgumentError("idle time must be a whole number of milliseconds: " +
                                     quoted(*idle));
        }
        o.idleMs = *n;
    }
    if (!devices.empty()) {
        o.device = cli::devicePath(devices.front());
    }
    return o;
}

int readFrames(const char* program, const LineOptions& options, cli::Console& console,
               FrameFn onFrame, const std::function<void(const QString& path)>& started) {
    // A stop request is handled between two chunks of input, so a line that
    // never goes quiet cannot hold it up.
    QObject stop;
    onStopRequest(stop, [&console] {
        console.stopRequested();
        QCoreApplication::quit();
    });

    FrameReader reader(options.idleMs, std::move(onFrame));
    int exitCode = ExitOk;
    auto fail = [&exitCode, &console, program](const std::string& message) {
        if (exitCode != ExitOk) {
            return;  // already ending; say it once
        }
        console.error(program, message);
        exitCode = ExitFailure;
        QCoreApplication::exit(ExitFailure);
    };
    LineInput line;
    try {
        line.open(
            options, console,
            [&reader](const std::uint8_t* data, std::size_t size) { reader.bytes(data, size); },
            fail);
    } catch (const std::runtime_error& e) {
        console.error(program, e.what());
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
