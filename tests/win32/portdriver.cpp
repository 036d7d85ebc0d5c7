// Drives Win32SerialPort and the transmitter from standard input, one command
// a line, so a test on the host can steer them through a Wine COM port and
// watch the device side. Every answer is one line, flushed at once.
//
//   open N SETTINGS [DEVICE]
//                       open COMn, or DEVICE pinned as port n
//                                              -> "ok" | "error MESSAGE"
//   send HEX [TIMES]    send the frame HEX (UID first) TIMES times (default
//                       once), stopping at the first failure
//                       -> "ok ECHO" (the last frame's echo)
//                        | "error SENT MS MESSAGE": SENT bytes went out in all,
//                          MS milliseconds the failing frame took
//   reserve N           make room for N bytes   -> "ok" | "error MESSAGE"
//   output HH           one byte on its own     -> "ok" | "error MESSAGE"
//   close               -> "ok"
#include <chrono>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

#include "link/serial/win32serialport.h"
#include "link/transmitframe.h"
#include "protocol/frame.h"

namespace {

void answer(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

// Sends `hex` (whole bytes, UID first) through the transmitter.
std::string send(lumidex::Win32SerialPort& port, const std::string& hex, long times) {
    lumidex::Frame frame{};
    const int count = static_cast<int>(hex.size() / 2);
    if (count < 1 || count > static_cast<int>(frame.size())) {
        return "error 0 0 a frame is 1 to 11 bytes";
    }
    for (int i = 0; i < count; ++i) {
        frame[static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
    }
    std::string echo;
    long sent = 0;
    for (long i = 0; i < times; ++i) {
        const auto start = std::chrono::steady_clock::now();
        try {
            lumidex::TransmitFrame(frame, frame[0], count, port,
                                   [&echo](const std::string& text) { echo = text; });
        } catch (const std::exception& e) {
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - start);
            return "error " + std::to_string(sent + static_cast<long>(echo.size() / 3)) + " " +
                   std::to_string(ms.count()) + " " + e.what();
        }
        sent += count;
    }
    return "ok " + echo;
}

}  // namespace

int main() {
    std::string pinned;
    lumidex::Win32SerialPort port([&pinned](int n) {
        return pinned.empty() ? lumidex::defaultComDevice(n)
                              : std::optional<std::string>(lumidex::devicePath(pinned));
    });
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::string command;
        in >> command;
        if (command == "open") {
            int n = 0;
            std::string settings;
            in >> n >> settings;
            pinned.clear();
            in >> pinned;
            try {
                port.setCommPort(static_cast<std::int16_t>(n));
                port.setSettings(settings);
                port.setPortOpen(true);
                answer("ok");
            } catch (const lumidex::SerialPortError& e) {
                answer(std::string("error ") + e.what());
            }
        } else if (command == "send") {
            std::string hex;
            long times = 1;
            in >> hex >> times;
            answer(send(port, hex, times));
        } else if (command == "reserve" || command == "output") {
            std::string value;
            in >> value;
            try {
                if (command == "reserve") {
                    port.reserve(std::stoul(value));
                } else {
                    port.Output(static_cast<std::uint8_t>(std::stoul(value, nullptr, 16)));
                }
                answer("ok");
            } catch (const lumidex::SerialPortError& e) {
                answer(std::string("error ") + e.what());
            }
        } else if (command == "close") {
            port.setPortOpen(false);
            answer("ok");
        } else {
            answer("error unknown command " + command);
        }
    }
    return 0;
}
