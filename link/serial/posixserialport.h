// The program's serial port on POSIX systems, on QSerialPort (Windows uses
// Win32SerialPort).
//
// Port number and settings text are only recorded until the port is opened;
// the open resolves the number to a device, parses the settings and applies
// them (no flow control). The port only transmits: it is opened write-only and
// nothing is ever read from it.
#pragma once

#include <QSerialPort>
#include <QString>
#include <optional>
#include <string>

#include "link/serial/linesettings.h"
#include "link/serial/portnames.h"
#include "link/serial/serialportbase.h"

namespace lumidex {

class PosixSerialPort : public SerialPortBase {
  public:
    // `resolver` names the device port n opens; the default asks the system.
    explicit PosixSerialPort(PortResolver resolver = portDevice);
    ~PosixSerialPort() override;

    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

    // Opening fails with a plain message ("port COM3 could not be opened: no
    // such device") and leaves the port closed. Opening a port that is already
    // open fails too ("port COM3 (/dev/ttyUSB0) is already open") and leaves it
    // open as it was, so a changed port number or settings text is never
    // silently ignored. Closing a closed port does nothing, and closing always
    // succeeds, also after the device went away. Closing first waits, up to
    // `kSendTimeoutMs`, until the bytes handed to the driver have left:
    // QSerialPort puts back the line settings it found as it closes, which
    // would otherwise garble the last bytes of a frame still being sent.
    void setPortOpen(bool open) override;
    bool PortOpen() const override { return port_.isOpen(); }

    // Waits up to `kReserveTimeoutMs` until the driver can take `count` bytes
    // at once (at most `kMaxReserve`). Fails, leaving the port open and
    // nothing sent, when the device is gone or its output queue stays full.
    void reserve(std::size_t count) override;

    // Writes the byte and pushes it to the driver at once, without waiting for
    // it to leave. When the driver's output queue is full (a device that takes
    // no data) it waits up to `kRoomTimeoutMs` for room, then refuses the byte
    // and keeps what is queued. A byte the driver refuses fails here and is
    // discarded, never sent later; the port stays open so it can be closed.
    void Output(std::uint8_t byte) override;

    // One click reserves once and writes at most 11 bytes; together the waits
    // stay well under a quarter of a second, so the window never freezes.
    static constexpr int kReserveTimeoutMs = 150;
    static constexpr int kRoomTimeoutMs = 4;
    static constexpr std::size_t kMaxReserve = 256;
    static constexpr int kSendTimeoutMs = 1000;

    // The device the open port uses; empty while closed.
    QString openDevice() const { return openDevice_; }

  private:
    PortResolver resolver_;
    QSerialPort port_;
    QString openDevice_;
};

namespace detail {

// Why this platform cannot run `settings` correctly, or none. Some drivers
// accept a setting they cannot honour and run the line with another one.
std::optional<std::string> unsupportedLineSettings(const LineSettings& settings);

// Hands one byte to the driver of the open `port` at once, waiting up to
// `timeoutMs` while the driver's output queue is full. Returns why the byte was
// refused, or none. A refused byte is never left queued to go out later.
std::optional<std::string> writeByte(QSerialPort& port, std::uint8_t byte, int timeoutMs);

// Waits up to `timeoutMs` until the driver of the open `port` can take
// `count` bytes (at most `PosixSerialPort::kMaxReserve`) without refusing any.
// Returns why not, or none. Writes nothing.
std::optional<std::string> waitForRoom(QSerialPort& port, std::size_t count, int timeoutMs);

// Waits up to `timeoutMs` until the driver of the open `port` has sent every
// byte it took, transmitter included; gives up sooner on a device that is
// gone.
void waitUntilSent(QSerialPort& port, int timeoutMs);

// `reason`, followed by the port's own error text in brackets when it has one.
std::string withSystemDetail(const std::string& reason, const QSerialPort& port);

}  // namespace detail

}  // namespace lumidex
