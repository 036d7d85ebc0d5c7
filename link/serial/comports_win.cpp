// Reads the map every serial driver registers its ports in: one value per
// port, the kernel device as its name and the COM name as its text.
#include <windows.h>

#include "link/serial/comports.h"
#include "link/win32text.h"

namespace lumidex {

std::vector<std::string> systemComPorts() {
    std::vector<std::string> ports;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE,
                      &key) != ERROR_SUCCESS) {
        return ports;
    }
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = sizeof name / sizeof name[0];
        wchar_t data[256];
        DWORD dataSize = sizeof data;
        DWORD type = 0;
        const LONG result = RegEnumValueW(key, index, name, &nameLength, nullptr, &type,
                                          reinterpret_cast<BYTE*>(data), &dataSize);
        if (result == ERROR_NO_MORE_ITEMS) {
            break;
        }
        // A value too long for a port name, or not text, names no port.
        if (result != ERROR_SUCCESS || type != REG_SZ) {
            continue;
        }
        std::wstring port(data, dataSize / sizeof(wchar_t));
        while (!port.empty() && port.back() == L'\0') {
            port.pop_back();
        }
        if (!port.empty()) {
            ports.push_back(win32::narrow(port));
        }
    }
    RegCloseKey(key);
    return ports;
}

}  // namespace lumidex
