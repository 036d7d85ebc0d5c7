// The port list on Windows: the system's own map of serial ports in the
// registry names the COM ports that exist, in natural order.
#include <windows.h>

#include <QtTest>
#include <algorithm>

#include "link/serial/portnames.h"

using namespace lumidex;

class TestPortNames : public QObject {
    Q_OBJECT

  private slots:
    void listsTheSystemsPorts();
};

void TestPortNames::listsTheSystemsPorts() {
    HKEY key = nullptr;
    QCOMPARE(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, nullptr, 0,
                             KEY_ALL_ACCESS, nullptr, &key, nullptr),
             LONG(ERROR_SUCCESS));
    const wchar_t com12[] = L"COM12";
    const wchar_t com9[] = L"COM9";
    const DWORD number = 7;
    const std::pair<const wchar_t*, std::pair<DWORD, QByteArray>> values[] = {
        {L"\\Device\\LumidexTest0", {REG_SZ, QByteArray((const char*)com12, sizeof com12)}},
        {L"\\Device\\LumidexTest1", {REG_SZ, QByteArray((const char*)com9, sizeof com9)}},
        // Not text, so it names no port.
        {L"\\Device\\LumidexTest2", {REG_DWORD, QByteArray((const char*)&number, sizeof number)}},
    };
    for (const auto& [name, value] : values) {
        RegSetValueExW(key, name, 0, value.first,
                       reinterpret_cast<const BYTE*>(value.second.constData()),
                       DWORD(value.second.size()));
    }
    const std::vector<QString> devices = serialDevices();
    for (const auto& entry : values) {
        RegDeleteValueW(key, entry.first);
    }
    RegCloseKey(key);

    const QStringList listed(devices.begin(), devices.end());
    QVERIFY2(listed.indexOf("COM9") >= 0 && listed.indexOf("COM9") < listed.indexOf("COM12"),
             qPrintable(listed.join(' ')));
    QVERIFY2(std::all_of(devices.begin(), devices.end(),
                         [](const QString& d) { return d.startsWith("COM"); }),
             qPrintable(listed.join(' ')));
    QCOMPARE(deviceForPort(12, devices), std::optional<QString>("COM12"));
    QVERIFY(!deviceForPort(63, devices));
    QCOMPARE(portDevice(63), std::optional<QString>("COM63"));
}

QTEST_APPLESS_MAIN(TestPortNames)
#include "test_portnames_win.moc"
