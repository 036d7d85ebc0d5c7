// The system's list of serial ports, read from the registry map drivers fill:
// ports registered there are listed, values that are not text are skipped.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "link/comports.h"

namespace {

const wchar_t kMap[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";

bool has(const std::vector<std::string>& ports, const char* name) {
    return std::find(ports.begin(), ports.end(), name) != ports.end();
}

}  // namespace

int main() {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kMap, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        std::printf("cannot create the serial port map\n");
        return 1;
    }
    const wchar_t com9[] = L"COM9";
    const wchar_t com12[] = L"COM12";
    const DWORD number = 7;
    RegSetValueExW(key, L"\\Device\\LumidexTest0", 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(com9), sizeof com9);
    RegSetValueExW(key, L"\\Device\\LumidexTest1", 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(com12), sizeof com12);
    RegSetValueExW(key, L"\\Device\\LumidexTest2", 0, REG_DWORD,
                   reinterpret_cast<const BYTE*>(&number), sizeof number);

    const std::vector<std::string> ports = lumidex::systemComPorts();

    for (const wchar_t* name :
         {L"\\Device\\LumidexTest0", L"\\Device\\LumidexTest1", L"\\Device\\LumidexTest2"}) {
        RegDeleteValueW(key, name);
    }
    RegCloseKey(key);

    std::string listed;
    for (const std::string& port : ports) {
        listed += " [" + port + "]";
    }
    // Wine names every port of its own COMn too, so anything else here is the
    // number read as text.
    const bool ok = has(ports, "COM9") && has(ports, "COM12") &&
                    std::all_of(ports.begin(), ports.end(),
                                [](const std::string& p) { return p.rfind("COM", 0) == 0; });
    std::printf("%s:%s\n", ok ? "ok" : "FAILED", listed.c_str());
    return ok ? 0 : 1;
}
