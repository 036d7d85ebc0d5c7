#include "link/serial/posixserialport.h"

#include <utility>

namespace lumidex {

namespace {

QSerialPort::Parity toQt(Parity parity) {
    switch (parity) {
        case Parity::Even:
            return QSerialPort::EvenParity;
        case Parity::Odd:
            return QSerialPort::OddParity;
        case Parity::Mark:
            return QSerialPort::MarkParity;
        case Parity::Space:
            return QSerialPort::SpaceParity;
        case Parity::None:
            break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits toQt(StopBits stopBits) {
    switch (stopBits) {
        case StopBits::OneAndHalf:
            return QSerialPort::OneAndHalfStop;
        case StopBits::Two:
            return QSerialPort::TwoStop;
        case StopBits::One:
            break;
    }
    return QSerialPort::OneStop;
}

QSerialPort::DataBits dataBitsToQt(int dataBits) {
    switch (dataBits) {
        case 5:
            return QSerialPort::Data5;
        case 6:
            return QSerialPort::Data6;
        case 7:
            return QSerialPort::Data7;
        default:
            return QSerialPort::Data8;
    }
}

std::string openFailureReason(const QSerialPort& port, const std::string& settings) {
    switch (port.error()) {
        case QSerialPort::DeviceNotFoundError:
            return "no such device";
        case QSerialPort::PermissionError:
            return detail::withSystemDetail("permission denied or the port is in use", port);
        case QSerialPort::UnsupportedOperationError:
            return detail::withSystemDetail(
                "it is not a serial device or does not accept settings \"" + settings + "\"", port);
        case QSerialPort::ResourceError:
            return detail::withSystemDetail("the device is not available", port);
        default:
            return detail::withSystemDetail("the system refused", port);
    }
}

}  // namespace

namespace detail {

std::string withSystemDetail(const std::string& reason, const QSerialPort& port) {
    const QString detail = port.errorString();
    if (detail.isEmpty() || detail == QLatin1String("Unknown error")) {
        return reason;
    }
    return reason + " (" + detail.toStdString() + ")";
}

}  // namespace detail

PosixSerialPort::PosixSerialPort(PortResolver resolver)
    : resolver_(resolver ? std::move(resolver) : PortResolver(portDevice)) {}

PosixSerialPort::~PosixSerialPort() {
    setPortOpen(false);
}

void PosixSerialPort::setPortOpen(bool open) {
    if (!open) {
        if (port_.isOpen()) {
            detail::waitUntilSent(port_, kSendTimeoutMs);
            port_.close();
        }
        openDevice_.clear();
        closed();
        return;
    }

    if (port_.isOpen()) {
        throw alreadyOpen();
    }

    const LineSettings line = parseLineSettings(settings_);
    const std::optional<QString> device = resolver_(commPort_);
    if (!device || device->isEmpty()) {
        throw noSuchDevice();
    }
    if (const auto unsupported = detail::unsupportedLineSettings(line)) {
        throw openFailed(device->toStdString(), *unsupported);
    }

    // Set before opening, so the open applies all parameters at once and
    // never passes through a combination the driver rejects.
    port_.setPortName(*device);
    port_.setBaudRate(line.baudRate);
    port_.setDataBits(dataBitsToQt(line.dataBits));
    port_.setParity(toQt(line.parity));
    port_.setStopBits(toQt(line.stopBits));
    port_.setFlowControl(QSerialPort::NoFlowControl);
    port_.clearError();

    // Write-only: the link never reads, and a device that hangs up must not
    // leave a read notifier firing on the event loop.
    if (!port_.open(QIODevice::WriteOnly)) {
        const std::string reason = openFailureReason(port_, settings_);
        port_.clearError();
        throw openFailed(device->toStdString(), reason);
    }
    openDevice_ = *device;
    opened(device->toStdString());
}

void PosixSerialPort::reserve(std::size_t count) {
    if (!port_.isOpen()) {
        throw notOpen();
    }
    if (const auto refused = detail::waitForRoom(port_, count, kReserveTimeoutMs)) {
        throw bytesFailed(count, *refused);
    }
}

void PosixSerialPort::Output(std::uint8_t byte) {
    if (!port_.isOpen()) {
        throw notOpen();
    }
    if (const auto refused = detail::writeByte(port_, byte, kRoomTimeoutMs)) {
        throw byteFailed(byte, *refused);
    }
}

}  // namespace lumidex
