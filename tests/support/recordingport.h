// A SerialPort that records every operation and can be told to refuse one,
// so tests see exactly what the program asked of the port.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "link/serialport.h"

namespace lumidex::test {

class RecordingPort : public SerialPort {
  public:
    void setCommPort(std::int16_t port) override;
    std::int16_t CommPort() const override { return commPort_; }
    void setSettings(const std::string& settings) override;
    void setPortOpen(bool open) override;
    bool PortOpen() const override { return open_; }
    void reserve(std::size_t count) override;
    void Output(std::uint8_t byte) override;

    // Every call in order, as text: "CommPort=3", "Settings=9600,n,8,1",
    // "open", "close", "reserve 6", "out FF".
    std::vector<std::string> calls;
    // The bytes that went out, in order.
    std::vector<std::uint8_t> bytes;

    // Failures to inject: refuse the next open/close; refuse every
    // reservation, as a line that takes no data does; refuse the byte after
    // `outputsBeforeFailure` more successful writes.
    bool failOpen = false;
    bool failClose = false;
    bool failReserve = false;
    std::optional<int> outputsBeforeFailure;

    std::string settings;

  private:
    std::int16_t commPort_ = 1;
    bool open_ = false;
};

}  // namespace lumidex::test
