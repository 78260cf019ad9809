// The Windows pieces of start-up: the module file name, the shell's desktop folder and a named
// mutex as the single-instance guard.
#include "app/StartUp.h"

#include "app/Win32Text.h"

#include <windows.h>

#include <shlobj.h>

struct SingleInstanceGuard::Held {
    explicit Held(HANDLE handle) : mutex(handle) {}
    ~Held() { CloseHandle(mutex); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    HANDLE mutex;
};

SingleInstanceGuard::SingleInstanceGuard(std::unique_ptr<Held> held) : held_(std::move(held)) {}

SingleInstanceGuard::~SingleInstanceGuard() = default;

const char kPathSeparators[] = "\\/";

std::string ExecutablePath()
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) {
            buffer.resize(n);
            return Utf8FromWide(buffer);
        }
        buffer.resize(buffer.size() * 2); // cut off: try a larger buffer
    }
}

std::string DesktopDirectory()
{
    // The file-system folder of the desktop, not the shell's virtual desktop.
    PWSTR path = nullptr;
    std::string result;
    if (SHGetKnownFolderPath(FOLDERID_Desktop, 0, nullptr, &path) == S_OK && path != nullptr) {
        result = Utf8FromWide(path);
    }
    CoTaskMemFree(path);
    return result;
}

namespace {

// A kernel object's name may not contain a backslash (that would make it a namespace path), and
// is limited in length: the separators become '!' and a long path keeps its end.
std::wstring InstanceMutexName(const std::string& exePath)
{
    std::wstring name = WideFromUtf8(exePath);
    for (wchar_t& c : name) {
        if (c == L'\\' || c == L'/') c = L'!';
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A'); // paths ignore case
    }
    constexpr std::size_t kMaxName = MAX_PATH - 16;
    if (name.size() > kMaxName) name.erase(0, name.size() - kMaxName);
    return L"rm42meter!" + name;
}

} // namespace

std::unique_ptr<SingleInstanceGuard> SingleInstanceGuard::Acquire(const std::string& exePath)
{
    const std::wstring name = InstanceMutexName(exePath);
    if (HANDLE existing = OpenMutexW(SYNCHRONIZE, FALSE, name.c_str()); existing != nullptr) {
        CloseHandle(existing);
        return nullptr;
    }
    HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
    if (mutex == nullptr) return std::unique_ptr<SingleInstanceGuard>(new SingleInstanceGuard(nullptr));
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        // Made by another instance between the two calls.
        CloseHandle(mutex);
        return nullptr;
    }
    return std::unique_ptr<SingleInstanceGuard>(new SingleInstanceGuard(std::make_unique<Held>(mutex)));
}
