// The operations the program performs on its one serial port.
//
// Everything that talks to the wire goes through this interface, so tests can
// substitute a recorder and the window never depends on a particular driver.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace lumidex {

// Raised by any refused serial-port operation; what() says plainly what failed,
// for example "port COM3 could not be opened: no such device".
class SerialPortError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class SerialPort {
  public:
    virtual ~SerialPort() = default;

    // Records the port number the next open uses. Never fails.
    virtual void setCommPort(std::int16_t port) = 0;
    // The number last assigned.
    virtual std::int16_t CommPort() const = 0;

    // Records the line parameters ("9600,n,8,1") for the next open. Never fails;
    // text that does not parse makes the open fail instead.
    virtual void setSettings(const std::string& settings) = 0;

    // true opens the port named by CommPort with Settings; false closes it.
    virtual void setPortOpen(bool open) = 0;
    virtual bool PortOpen() const = 0;

    // Makes sure the driver can take `count` more bytes straight away, so the
    // frame that follows goes out whole. Waits a short while at most; fails,
    // having sent nothing, when the port is not open or there is no room.
    virtual void reserve(std::size_t count) = 0;

    // Hands one byte to the driver, unchanged, without waiting for it to leave.
    // Fails when the port is not open or the driver refuses the byte.
    virtual void Output(std::uint8_t byte) = 0;
};

}  // namespace lumidex
