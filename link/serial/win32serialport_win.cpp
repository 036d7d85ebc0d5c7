#include <windows.h>

#include <utility>

#include "link/serial/linesettings.h"
#include "link/serial/portnames.h"
#include "link/serial/win32serialport.h"
#include "link/win32text.h"

namespace lumidex {

namespace {

HANDLE handleOf(void* handle) {
    return static_cast<HANDLE>(handle);
}

std::string withDetail(const std::string& reason, DWORD error) {
    return reason + " (" + win32::errorText(error) + ")";
}

std::string openFailureReason(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
            return "no such device";
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_BUSY:
            return withDetail("permission denied or the port is in use", error);
        case ERROR_NOT_READY:
        case ERROR_GEN_FAILURE:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_DEVICE_REMOVED:
            return withDetail("the device is not available", error);
        default:
            return withDetail("the system refused", error);
    }
}

// Why a write or a status query on an open port failed.
std::string writeFailureReason(DWORD error) {
    switch (error) {
        // What drivers report once their device was unplugged.
        case ERROR_ACCESS_DENIED:
        case ERROR_BAD_COMMAND:
        case ERROR_NOT_READY:
        case ERROR_GEN_FAILURE:
        case ERROR_IO_DEVICE:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_DEVICE_REMOVED:
        case ERROR_FILE_NOT_FOUND:
            return withDetail("the device is no longer available", error);
        default:
            return withDetail("the driver refused it", error);
    }
}

BYTE parityOf(Parity parity) {
    switch (parity) {
        case Parity::Even:
            return EVENPARITY;
        case Parity::Odd:
            return ODDPARITY;
        case Parity::Mark:
            return MARKPARITY;
        case Parity::Space:
            return SPACEPARITY;
        case Parity::None:
            break;
    }
    return NOPARITY;
}

BYTE stopBitsOf(StopBits stopBits) {
    switch (stopBits) {
        case StopBits::OneAndHalf:
            return ONE5STOPBITS;
        case StopBits::Two:
            return TWOSTOPBITS;
        case StopBits::One:
            break;
    }
    return ONESTOPBIT;
}

// The line parameters of `dcb` as settings text: "38400,n,8,2".
std::string settingsText(const DCB& dcb) {
    const char* const parities = "noems";
    const char* const stopBits[] = {"1", "1.5", "2"};
    return std::to_string(dcb.BaudRate) + "," + (dcb.Parity < 5 ? parities[dcb.Parity] : '?') +
           "," + std::to_string(dcb.ByteSize) + "," +
           (dcb.StopBits < 3 ? stopBits[dcb.StopBits] : "?");
}

// Applies the line parameters with every kind of flow control off, so 0x11
// and 0x13 are plain data and no line can hold the output back. DTR and RTS
// stay as the open left them, except that a handshake mode becomes a line
// held on. Returns why the port does not run with `settings`, or none: some
// drivers accept parameters they cannot honour and run the line with others,
// which reading them back reveals.
std::optional<std::string> applyLineSettings(HANDLE handle, const LineSettings& line,
                                             const std::string& settings) {
    const std::string refused =
        "it is not a serial device or does not accept settings \"" + settings + "\"";
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle, &dcb)) {
        return withDetail(refused, GetLastError());
    }
    dcb.BaudRate = static_cast<DWORD>(line.baudRate);
    dcb.ByteSize = static_cast<BYTE>(line.dataBits);
    dcb.Parity = parityOf(line.parity);
    dcb.StopBits = stopBitsOf(line.stopBits);
    dcb.fBinary = TRUE;
    dcb.fParity = line.parity != Parity::None;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    if (dcb.fDtrControl == DTR_CONTROL_HANDSHAKE) {
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
    }
    if (dcb.fRtsControl == RTS_CONTROL_HANDSHAKE || dcb.fRtsControl == RTS_CONTROL_TOGGLE) {
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
    }
    // Some drivers refuse equal characters even with software flow off.
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    if (!SetCommState(handle, &dcb)) {
        return withDetail(refused, GetLastError());
    }
    DCB actual{};
    actual.DCBlength = sizeof actual;
    if (!GetCommState(handle, &actual)) {
        return withDetail(refused, GetLastError());
    }
    if (actual.BaudRate != dcb.BaudRate || actual.ByteSize != dcb.ByteSize ||
        actual.Parity != dcb.Parity || actual.StopBits != dcb.StopBits) {
        return refused + " (the driver would run the line as " + settingsText(actual) + ")";
    }
    return std::nullopt;
}

// Reads return at once (nothing is ever read); a write the driver does not
// complete within `writeMs` ends with what it took.
bool applyTimeouts(HANDLE handle, unsigned writeMs) {
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.WriteTotalTimeoutConstant = writeMs;
    return SetCommTimeouts(handle, &timeouts) != 0;
}

}  // namespace

std::optional<std::string> defaultComDevice(int n) {
    if (n < 1) {
        return std::nullopt;
    }
    return devicePath(comName(n));
}

std::string devicePath(const std::string& name) {
    if (name.empty() || name.rfind("\\\\", 0) == 0) {
        return name;
    }
    return "\\\\.\\" + name;
}

Win32SerialPort::Win32SerialPort(DevicePathResolver resolver)
    : resolver_(resolver ? std::move(resolver) : DevicePathResolver(defaultComDevice)),
      handle_(INVALID_HANDLE_VALUE) {}

Win32SerialPort::~Win32SerialPort() {
    setPortOpen(false);
}

bool Win32SerialPort::PortOpen() const {
    return handleOf(handle_) != INVALID_HANDLE_VALUE;
}

void Win32SerialPort::setPortOpen(bool open) {
    if (!open) {
        if (PortOpen()) {
            // A handle whose device went away still closes; nothing to report.
            CloseHandle(handleOf(handle_));
            handle_ = INVALID_HANDLE_VALUE;
        }
        closed();
        return;
    }
    if (PortOpen()) {
        throw alreadyOpen();
    }

    const LineSettings line = parseLineSettings(settings_);
    const std::optional<std::string> device = resolver_(commPort_);
    if (!device || device->empty()) {
        throw noSuchDevice();
    }
    const auto fail = [this, &device](const std::string& reason) {
        return openFailed(*device, reason);
    };

    // Read access too: the driver refuses line settings on a write-only
    // handle. No sharing, so no other program writes in between.
    const HANDLE handle = CreateFileW(win32::widen(*device).c_str(), GENERIC_READ | GENERIC_WRITE,
                                      0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        throw fail(openFailureReason(GetLastError()));
    }
    if (const auto refused = applyLineSettings(handle, line, settings_)) {
        CloseHandle(handle);
        throw fail(*refused);
    }
    if (!applyTimeouts(handle, kWriteTimeoutMs)) {
        const DWORD error = GetLastError();
        CloseHandle(handle);
        throw fail(withDetail("the system refused", error));
    }
    handle_ = handle;
    opened(*device);
    writeTimeoutMs_ = kWriteTimeoutMs;
    reservedLeft_ = 0;
}

unsigned Win32SerialPort::nextWriteTimeout() {
    unsigned timeout = kWriteTimeoutMs;
    if (reservedLeft_ > 0) {
        --reservedLeft_;
        const ULONGLONG now = GetTickCount64();
        const ULONGLONG left = frameEnd_ > now ? frameEnd_ - now : 0;
        if (left < timeout) {
            timeout = left > 0 ? static_cast<unsigned>(left) : 1;
        }
    }
    return timeout;
}

void Win32SerialPort::Output(std::uint8_t byte) {
    if (!PortOpen()) {
        throw notOpen();
    }
    const unsigned timeout = nextWriteTimeout();
    if (timeout != writeTimeoutMs_) {
        if (!applyTimeouts(handleOf(handle_), timeout)) {
            throw byteFailed(byte, writeFailureReason(GetLastError()));
        }
        writeTimeoutMs_ = timeout;
    }
    DWORD written = 0;
    if (!WriteFile(handleOf(handle_), &byte, 1, &written, nullptr)) {
        const DWORD error = GetLastError();
        if (error != ERROR_COUNTER_TIMEOUT) {
            throw byteFailed(byte, writeFailureReason(error));
        }
    }
    // A write that timed out has ended: the driver keeps nothing of it to
    // send later.
    if (written != 1) {
        throw byteFailed(byte, "the device is not taking data (it took nothing within " +
                                   std::to_string(timeout) + " ms)");
    }
}

void Win32SerialPort::reserve(std::size_t count) {
    if (!PortOpen()) {
        throw notOpen();
    }
    COMMPROP properties{};
    // Drivers without a fixed output queue (most) report its size as 0: they
    // hold each write until it is done, so there is always room.
    const DWORD queueSize =
        GetCommProperties(handleOf(handle_), &properties) ? properties.dwCurrentTxQueue : 0;
    const ULONGLONG start = GetTickCount64();
    const ULONGLONG deadline = start + kRoomTimeoutMs;
    reservedLeft_ = 0;
    for (;;) {
        DWORD errors = 0;
        COMSTAT status{};
        if (!ClearCommError(handleOf(handle_), &errors, &status)) {
            throw bytesFailed(count, writeFailureReason(GetLastError()));
        }
        // A frame larger than the whole queue needs it empty.
        const DWORD needed = count < queueSize ? static_cast<DWORD>(count) : queueSize;
        if (queueSize == 0 || status.cbOutQue <= queueSize - needed) {
            reservedLeft_ = count;
            frameEnd_ = start + kFrameBudgetMs;
            return;
        }
        if (GetTickCount64() >= deadline) {
            throw bytesFailed(count,
                              "the device is not taking data (its output queue stayed full)");
        }
        Sleep(5);
    }
}

}  // namespace lumidex
