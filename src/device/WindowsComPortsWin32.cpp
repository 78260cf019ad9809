#include "device/WindowsComPorts.h"

#include <windows.h>

#include "app/Win32Text.h"

std::vector<std::string> WindowsComPorts()
{
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return names;
    for (DWORD index = 0;; ++index) {
        wchar_t valueName[256];
        DWORD valueNameSize = 256;
        wchar_t data[64];
        DWORD dataSize = sizeof(data);
        DWORD type = 0;
        const LONG status = RegEnumValueW(key, index, valueName, &valueNameSize, nullptr, &type,
                                          reinterpret_cast<BYTE*>(data), &dataSize);
        if (status == ERROR_MORE_DATA) continue; // not a port name: too long to be one
        if (status != ERROR_SUCCESS) break;
        if (type != REG_SZ || dataSize < sizeof(wchar_t)) continue;
        std::wstring name(data, dataSize / sizeof(wchar_t));
        while (!name.empty() && name.back() == L'\0')
            name.pop_back();
        if (name.empty()) continue;
        names.push_back(Utf8FromWide(name));
    }
    RegCloseKey(key);
    return names;
}
