// Sending a checked script, or a feed as it arrives, on an open line.
#pragma once

#include <string>

#include "cli/console.h"
#include "link/serialport.h"
#include "send/input.h"
#include "send/script.h"

namespace lumidex::send {

struct RunOptions {
    long long repeat = 1;  // 0: until stopped
    bool quiet = false;    // no echo
};

// Sends the steps in order, `repeat` times, each frame through the
// transmitter, and prints each frame's echo on its own line once the frame
// went out whole. A frame the port refuses ends the run, as does a stop
// request between two frames, or standard output failing. Returns the exit
// status: 0 when every frame went out (or a run until stopped was stopped);
// otherwise 1, after saying on standard error which command did not go out
// and how many frames had.
int run(const Script& script, SerialPort& port, const RunOptions& options, cli::Console& console);

// Sends a feed (`name`: "-" for standard input, or the FIFO or device named)
// line by line, each line's frame as soon as its line end arrives, until the
// input ends (status 0 once the last frame went out whole) or a stop is
// requested, also while waiting for the next line (status 0, as a run until
// stopped). A bad line ends the run there with status 2, and nothing of it
// is sent; a frame the port refuses, or a feed that cannot be read, with 1.
int runFeed(ScriptInput& input, const std::string& name, int uid, SerialPort& port,
            const RunOptions& options, cli::Console& console);

// A port that takes every byte and sends none, for --dry-run.
class NoPort : public SerialPort {
  public:
    void setCommPort(std::int16_t port) override { port_ = port; }
    std::int16_t CommPort() const override { return port_; }
    void setSettings(const std::string&) override {}
    void setPortOpen(bool open) override { open_ = open; }
    bool PortOpen() const override { return open_; }
    void reserve(std::size_t) override {}
    void Output(std::uint8_t) override {}

  private:
    std::int16_t port_ = 1;
    bool open_ = false;
};

}  // namespace lumidex::send
