#include "device/CommandLogFile.h"

#include "app/Win32Text.h"

#include <windows.h>

LogAppend AppendToLogFile(const std::string& path, std::string_view bytes)
{
    // Others may read the log (or append to it) while it is open; every write goes to the end.
    const std::wstring widePath = WideFromUtf8(path);
    HANDLE file = CreateFileW(widePath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return LogAppend::NotOpened;
    DWORD written = 0;
    bool failed = !WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
                  written != bytes.size();
    failed = !CloseHandle(file) || failed;
    return failed ? LogAppend::Failed : LogAppend::Written;
}
