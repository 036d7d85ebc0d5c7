// Where a script comes from: a file named on the command line, or standard
// input. A regular file is read whole before anything is sent; anything else
// (a pipe, a FIFO, a terminal, a character device) is a feed, read as it
// arrives. Plain C++, one file per platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace lumidex::send {

class ScriptInput {
  public:
    enum class Kind { File, Feed };

    // Opens `path`, or standard input for "-". Throws std::runtime_error with
    // the system's reason when it cannot be read, or is a folder.
    explicit ScriptInput(const std::string& path);
    ~ScriptInput();
    ScriptInput(const ScriptInput&) = delete;
    ScriptInput& operator=(const ScriptInput&) = delete;

    Kind kind() const;
    // A file's size in bytes.
    std::uint64_t size() const;

    // Reads what has arrived, up to `capacity` bytes; a feed waits for its
    // next bytes until a stop is requested (catchStopRequests). Returns the
    // number read, 0 at the end of the input, or -1 when a stop was
    // requested. Throws std::runtime_error on a failed read.
    long long read(char* buffer, std::size_t capacity);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace lumidex::send
