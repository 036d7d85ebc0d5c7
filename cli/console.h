// Standard output and standard error of the companion programs, written so
// that a reader who does not read never holds up a stop request: a terminal
// paused with Ctrl+S, or a pipe into a program that reads nothing. While a
// stream cannot take more, a write waits only until a stop is requested, and
// a stream still full a moment after the request loses what it could not
// take. Never inside a frame: the programs write only between frames.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace lumidex::cli {

class Console {
  public:
    // `stopDescriptor` becomes readable when a stop is requested (the stop
    // signals' descriptor); -1 where there is none, and writes then simply
    // wait for room.
    explicit Console(int stopDescriptor);
    ~Console();
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    // Writes `text` to standard output; false when it was dropped because a
    // stop was requested, or standard output failed.
    bool out(std::string_view text);

    // "program: message" and a line end on standard error, dropped like
    // output once a stop has been requested and the stream stays full.
    void error(std::string_view program, std::string_view message);
    // A line of standard error as it stands (a line end is added).
    void errorLine(std::string_view line);

    // A stop was requested, as the event loop heard it (it may have read the
    // stop descriptor empty).
    void stopRequested();

    // Why standard output failed ("No space left on device"), once it has.
    const std::optional<std::string>& outputFailure() const { return outputFailure_; }

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::optional<std::string> outputFailure_;
};

}  // namespace lumidex::cli
