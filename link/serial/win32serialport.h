// The program's serial port on Windows, on the Win32 communications API.
//
// Port number and settings text are only recorded until the port is opened;
// the open resolves the number to a device (\\.\COM3 by default, so COM10 and
// above work too), parses the settings and applies them with every kind of
// flow control off. Bytes are written synchronously, one call each: a byte
// counts as sent only once the driver took it, and no event loop is involved.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "link/serial/serialportbase.h"

namespace lumidex {

// The device path (UTF-8) port n opens, or none.
using DevicePathResolver = std::function<std::optional<std::string>(int)>;

// \\.\COMn for n from 1 up; none below.
std::optional<std::string> defaultComDevice(int n);

// The path that opens device `name`: a bare name such as "COM12" becomes
// \\.\COM12, the form every port number works with; a path stays as it is.
std::string devicePath(const std::string& name);

class Win32SerialPort : public SerialPortBase {
  public:
    // `resolver` names the device port n opens; an empty one means
    // defaultComDevice.
    explicit Win32SerialPort(DevicePathResolver resolver = defaultComDevice);
    ~Win32SerialPort() override;

    Win32SerialPort(const Win32SerialPort&) = delete;
    Win32SerialPort& operator=(const Win32SerialPort&) = delete;

    // Opening fails with a plain message ("port COM3 could not be opened: no
    // such device") and leaves the port closed; opening an open port fails
    // ("port COM3 is already open") and keeps it open as it was. Settings the
    // driver accepts but would run differently (read back after applying
    // them) fail the open too. Closing always succeeds, also after the device
    // went away.
    void setPortOpen(bool open) override;
    bool PortOpen() const override;

    // Hands one byte to the driver. A driver that takes nothing within
    // kWriteTimeoutMs fails the byte, which is then never sent later; a
    // device that went away fails it too. The port stays open either way.
    void Output(std::uint8_t byte) override;

    // Makes sure the driver can take `count` more bytes at once, so a frame
    // goes out whole: waits up to kRoomTimeoutMs for its output queue to have
    // room, then fails, having sent nothing. Fails when the port is not open.
    // The `count` bytes that follow share kFrameBudgetMs from here, so one
    // frame never holds the window for longer, however slow the driver.
    void reserve(std::size_t count) override;

    static constexpr unsigned kRoomTimeoutMs = 100;
    static constexpr unsigned kWriteTimeoutMs = 120;
    static constexpr unsigned kFrameBudgetMs = 240;

  private:
    // The write time-out for the next byte: kWriteTimeoutMs, or what is left
    // of the frame's budget when that is less.
    unsigned nextWriteTimeout();

    DevicePathResolver resolver_;
    void* handle_;                               // INVALID_HANDLE_VALUE while closed
    unsigned writeTimeoutMs_ = kWriteTimeoutMs;  // as the driver has it now
    std::size_t reservedLeft_ = 0;               // bytes left of the frame
    unsigned long long frameEnd_ = 0;            // tick count its budget ends
};

}  // namespace lumidex
