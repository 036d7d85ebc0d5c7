// Port n is the device COMn, whether or not the system lists it: the open
// reports a port that is missing. The list of present ports is the system's
// own map of serial devices in the registry.
#include <windows.h>

#include "link/portnames.h"

namespace lumidex {

std::vector<QString> serialDevices() {
    std::vector<QString> devices;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ,
                      &key) != ERROR_SUCCESS) {
        return devices;  // no serial ports at all
    }
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = 256;
        wchar_t value[256];
        DWORD valueBytes = sizeof value - sizeof(wchar_t);
        DWORD type = 0;
        const LONG status = RegEnumValueW(key, index, name, &nameLength, nullptr, &type,
                                          reinterpret_cast<BYTE*>(value), &valueBytes);
        if (status == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (status != ERROR_SUCCESS || type != REG_SZ) {
            continue;  // a name or value too long for a port name, or not text
        }
        value[valueBytes / sizeof(wchar_t)] = L'\0';
        devices.push_back(QString::fromWCharArray(value));
    }
    RegCloseKey(key);
    sortDeviceNames(devices);
    return devices;
}

std::optional<QString> deviceForPort(int n, const std::vector<QString>& /*present*/) {
    if (n < 1) {
        return std::nullopt;
    }
    return QStringLiteral("COM%1").arg(n);
}

std::optional<QString> portDevice(int n) {
    return deviceForPort(n, {});
}

}  // namespace lumidex
