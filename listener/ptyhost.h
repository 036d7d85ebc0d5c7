// A pseudo-terminal that another program connects to by opening its path, as
// it would a serial device; whatever that program writes is read here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace lumidex::listener {

class PtyHost {
  public:
    // Bytes written by the connected program, as they arrive.
    using BytesFn = std::function<void(const std::uint8_t* data, std::size_t size)>;
    // Reading stopped for good; the text says why.
    using ErrorFn = std::function<void(const std::string& message)>;

    PtyHost();
    ~PtyHost();
    PtyHost(const PtyHost&) = delete;
    PtyHost& operator=(const PtyHost&) = delete;

    // Creates the pseudo-terminal in raw mode (bytes pass unchanged) and reads
    // it from the Qt event loop. Returns the path to connect to. Throws
    // std::runtime_error with a plain message when no pseudo-terminal can be
    // made, including on platforms that have none.
    std::string open(BytesFn onBytes, ErrorFn onError);

    // Reads what has already arrived, up to one buffer (1 KiB) and without
    // waiting, so bytes written just before the program stops still count,
    // while a writer that never stops cannot delay the stop.
    void readPending();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace lumidex::listener
