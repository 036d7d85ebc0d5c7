#include "link/transmitframe.h"

namespace lumidex {

void TransmitFrame(Frame& TxFrame, int uid, int count, SerialPort& port, const EchoFn& echo) {
    if (count < 0 || count > static_cast<int>(TxFrame.size())) {
        throw std::out_of_range("frame length " + std::to_string(count) + " is outside 0 to 11");
    }
    std::string text;
    echo(text);
    TxFrame[0] = toByte(uid, "unit identifier");
    // The module has no frame markers: a frame cut short would make it read
    // the next frame's bytes as the rest of this one. So the whole frame must
    // fit into the driver before its first byte is handed over.
    if (count > 0) {
        port.reserve(static_cast<std::size_t>(count));
    }
    for (int i = 0; i < count; ++i) {
        port.Output(TxFrame[i]);
        text += echoOf(TxFrame[i]);
        echo(text);
    }
}

}  // namespace lumidex
