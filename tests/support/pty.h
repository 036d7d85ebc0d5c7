// A pseudo-terminal that stands in for a serial device in tests.
//
// The slave side is the "device": point a PortResolver at slavePath() and the
// program opens it like any serial port. The master side stays with the test
// and reads what the device would have received. Both sides are raw, so every
// byte arrives as it was written.
//
//     PseudoTerminal pty;
//     PosixSerialPort port(portAt(3, pty.slavePath()));   // COM3 is the pty
//     port.setCommPort(3);
//     port.setSettings("9600,n,8,1");
//     port.setPortOpen(true);
//     port.Output(0xFF);
//     QCOMPARE(pty.readBytes(1, 2000), QByteArray("\xFF", 1));
//
// The test keeps its own descriptor of the slave open for the pty's whole life,
// so bytes written before the port closes stay readable and the slave path is
// not reused while the test runs. closeMaster() makes the device go away: from
// then on every write to the slave fails. The pty holds some 16 KB that nobody
// has read; past that, writes find no room (PosixSerialPort::Output then waits
// and refuses), so read what you write in long tests.
//
// Pseudo-terminals exist on POSIX systems only; elsewhere available() is false
// and the constructor throws, so tests should QSKIP when !available().
#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <optional>

#include "link/serial/portnames.h"

namespace lumidex::test {

class PseudoTerminal {
  public:
    static bool available();

    // Opens a new pseudo-terminal in raw mode; throws std::runtime_error when
    // the system has none left.
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // The device path to open, such as "/dev/pts/4".
    QString slavePath() const { return slavePath_; }

    // Collects bytes from the master until `n` have arrived or `timeoutMs`
    // have passed in total; returns what arrived (possibly fewer than n).
    QByteArray readBytes(std::size_t n, int timeoutMs);
    // Collects bytes until none arrives for `quietMs`; returns them (empty
    // when nothing came). Use it to check that nothing more was sent.
    QByteArray readAvailable(int quietMs);

    // The line's baud rate as the opener of the slave set it (0 for a rate
    // outside the standard table), and its stop bits (1 or 2). Pseudo-
    // terminals ignore parity and always keep 8 data bits, so those cannot be
    // observed here.
    int baudRate() const;
    int stopBits() const;
    // Which of hardware (RTS/CTS) and software (XON/XOFF, out and in) flow
    // control are on, as "rts/cts xon xoff" ("" for none); and turning all
    // three on, as another program may have left the device.
    QString flowControl() const;
    void turnFlowControlOn();

    // Closes the master side, as if the device had been unplugged.
    void closeMaster();

  private:
    int master_ = -1;
    int slave_ = -1;
    QString slavePath_;
};

// A resolver that names `device` for port `port` and no device for any other.
inline PortResolver portAt(int port, const QString& device) {
    return [port, device](int n) -> std::optional<QString> {
        if (n == port) {
            return device;
        }
        return std::nullopt;
    };
}

}  // namespace lumidex::test
