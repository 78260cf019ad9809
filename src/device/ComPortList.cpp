#include "device/ComPortList.h"

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <system_error>

namespace {

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The order of a sorted drop-down list: case-insensitive, character by character, so that
// "COM10" comes before "COM2". Names equal but for case keep a fixed order between them.
bool SortsBefore(const std::string& a, const std::string& b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(Lower(a[i]));
        const auto cb = static_cast<unsigned char>(Lower(b[i]));
        if (ca != cb) return ca < cb;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

bool StartsWithIgnoringCase(const std::string& text, const std::string& prefix)
{
    if (prefix.size() > text.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (Lower(text[i]) != Lower(prefix[i])) return false;
    return true;
}

} // namespace

std::vector<std::string> BuildComPortList(int portRetryCount, std::vector<std::string> systemPorts,
                                          const std::string& configuredPort, bool configuredExists,
                                          std::vector<std::string> usbDevices)
{
    std::vector<std::string> entries;
    if (portRetryCount >= 2) {
        // After repeated failures the user is offered the classic names whether or not the
        // system reports them: the thermometer may sit on an adapter that is not enumerated.
        // The USB cables stay choosable beside them.
        entries = std::move(usbDevices);
        for (int n = 1; n <= 8; ++n)
            entries.push_back("COM" + std::to_string(n));
    } else {
        entries = std::move(systemPorts);
        if (configuredExists && !configuredPort.empty()) entries.push_back(configuredPort);
    }
    std::erase_if(entries, [](const std::string& name) { return name.empty(); });
    std::sort(entries.begin(), entries.end(), SortsBefore);
    entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
    return entries;
}

std::vector<std::string> UsbSerialDevices(const std::string& devRoot)
{
    namespace fs = std::filesystem;
    std::vector<std::string> devices;
    std::error_code ec;
    for (const auto& link : fs::directory_iterator(fs::path(devRoot) / "serial" / "by-id", ec)) {
        std::error_code linkError;
        const fs::path device = fs::canonical(link.path(), linkError);
        if (!linkError) devices.push_back(device.string());
    }
    for (const auto& entry : fs::directory_iterator(devRoot, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("ttyUSB") || name.starts_with("ttyACM"))
            devices.push_back(entry.path().string());
    }
    return devices;
}

int SelectComPort(const std::vector<std::string>& entries, const std::string& configured)
{
    const size_t count = entries.size();
    for (size_t step = 1; step <= count; ++step) {
        const size_t i = step % count;
        if (StartsWithIgnoringCase(entries[i], configured)) return static_cast<int>(i);
    }
    return -1;
}
