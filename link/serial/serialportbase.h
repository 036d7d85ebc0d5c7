// What the system's serial components (PosixSerialPort, Win32SerialPort) share:
// the port number and settings text recorded for the next open, the label
// that names the open port, and the wording of every message they give.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "link/serialport.h"

namespace lumidex {

class SerialPortBase : public SerialPort {
  public:
    // Records the number; a port that is open stays on the device it opened.
    void setCommPort(std::int16_t port) override { commPort_ = port; }
    std::int16_t CommPort() const override { return commPort_; }

    // Records the text unchecked; a port that is open keeps its line
    // parameters. Text that does not parse makes the next open fail.
    void setSettings(const std::string& settings) override { settings_ = settings; }
    const std::string& Settings() const { return settings_; }

  protected:
    // "port COM3", followed by " (device)" when the device is not plainly
    // COM3 (neither "COM3" nor "\\.\COM3"). A port without a number (0),
    // opened by its device alone, is named by that device: "port /dev/ttyUSB0".
    static std::string portLabel(int port, const std::optional<std::string>& device);

    // The port opened on `device`, or closed: names it in later messages.
    void opened(const std::string& device) { openLabel_ = portLabel(commPort_, device); }
    void closed() { openLabel_.clear(); }

    // "port COM3 could not be opened: no such device", for a port number that
    // names no device.
    SerialPortError noSuchDevice() const;
    // "port COM3 (device) could not be opened: <reason>".
    SerialPortError openFailed(const std::string& device, const std::string& reason) const;
    // "port COM3 (device) is already open".
    SerialPortError alreadyOpen() const;
    // "port is not open".
    static SerialPortError notOpen();
    // "port COM3 (device) could not send the byte 41: <reason>".
    SerialPortError byteFailed(std::uint8_t byte, const std::string& reason) const;
    // "port COM3 (device) could not send 6 bytes: <reason>", for a frame that
    // found no room.
    SerialPortError bytesFailed(std::size_t count, const std::string& reason) const;

    std::int16_t commPort_ = 1;
    std::string settings_;

  private:
    std::string openLabel_;
};

}  // namespace lumidex
