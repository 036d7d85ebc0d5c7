#include "support/recordingport.h"

#include "protocol/hex.h"

namespace lumidex::test {

void RecordingPort::setCommPort(std::int16_t port) {
    calls.push_back("CommPort=" + std::to_string(port));
    commPort_ = port;
}

void RecordingPort::setSettings(const std::string& text) {
    calls.push_back("Settings=" + text);
    settings = text;
}

void RecordingPort::setPortOpen(bool open) {
    if (open && failOpen) {
        throw SerialPortError("port COM" + std::to_string(commPort_) + " could not be opened");
    }
    if (!open && failClose) {
        throw SerialPortError("port COM" + std::to_string(commPort_) + " could not be closed");
    }
    calls.push_back(open ? "open" : "close");
    open_ = open;
}

void RecordingPort::reserve(std::size_t count) {
    if (!open_) {
        throw SerialPortError("port is not open");
    }
    if (failReserve) {
        throw SerialPortError("port COM" + std::to_string(commPort_) + " is not taking data");
    }
    calls.push_back("reserve " + std::to_string(count));
}

void RecordingPort::Output(std::uint8_t byte) {
    if (!open_) {
        throw SerialPortError("port is not open");
    }
    if (outputsBeforeFailure) {
        if (*outputsBeforeFailure == 0) {
            throw SerialPortError("the driver refused the byte");
        }
        --*outputsBeforeFailure;
    }
    calls.push_back("out " + hexByte(byte));
    bytes.push_back(byte);
}

}  // namespace lumidex::test
