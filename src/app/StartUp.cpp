#include "app/StartUp.h"

#include "app/AppState.h"
#include "app/IniFile.h"
#include "app/LangString.h"
#include "app/UserInterface.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kStringIniMissing = 262;
constexpr int kStringAppName = 165;

bool IsDirectory(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string HomeDirectory()
{
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') return home;
    if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr) return pw->pw_dir;
    return {};
}

std::string WithoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// The XDG_DESKTOP_DIR entry of a user-dirs.dirs file: a shell-quoted value that starts with
// "$HOME" or "/". Empty when the file has no usable entry.
std::string DesktopFromUserDirs(const std::string& file, const std::string& home)
{
    std::ifstream in(file);
    std::string line;
    std::string result;
    while (std::getline(in, line)) {
        std::size_t i = line.find_first_not_of(" \t");
        if (i == std::string::npos || line[i] == '#') continue;
        const std::string_view name = "XDG_DESKTOP_DIR";
        if (line.compare(i, name.size(), name) != 0) continue;
        i = line.find_first_not_of(" \t", i + name.size());
        if (i == std::string::npos || line[i] != '=') continue;
        i = line.find_first_not_of(" \t", i + 1);
        if (i == std::string::npos || line[i] != '"') continue;
        ++i;
        std::string value;
        bool closed = false;
        for (; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                value += line[++i];
            } else if (line[i] == '"') {
                closed = true;
                break;
            } else {
                value += line[i];
            }
        }
        if (!closed) continue;
        if (value.rfind("$HOME", 0) == 0 && (value.size() == 5 || value[5] == '/')) {
            if (home.empty()) continue;
            value = home + value.substr(5);
        } else if (value.empty() || value[0] != '/') {
            continue;
        }
        result = WithoutTrailingSlashes(value); // a later entry overrides an earlier one
    }
    return result;
}

// FNV-1a: a stable, short stand-in for a path of any length in a file name.
uint64_t HashPath(const std::string& text)
{
    uint64_t h = 14695981039346656037ull;
    for (unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

std::string LockFilePath(const std::string& exePath)
{
    std::string dir;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/' && IsDirectory(runtime)) {
        dir = runtime;
    } else {
        // /tmp is shared by all users: the user id keeps their instances apart.
        dir = "/tmp";
    }
    char name[64];
    std::snprintf(name, sizeof name, "/rm42meter-%lu-%016llx.lock", static_cast<unsigned long>(getuid()),
                  static_cast<unsigned long long>(HashPath(exePath)));
    return WithoutTrailingSlashes(dir) + name;
}

} // namespace

bool IniSwitchOn(std::string_view value)
{
    return value.find("Yes") != std::string_view::npos;
}

bool IniSwitchExact(std::string_view value)
{
    return value == "Yes";
}

std::string ExecutablePath()
{
    std::string buffer(256, '\0');
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return {};
        if (static_cast<std::size_t>(n) < buffer.size()) {
            buffer.resize(static_cast<std::size_t>(n));
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

void SetPathsFromExecutable(AppState& app, const std::string& exePath)
{
    const std::size_t slash = exePath.rfind('/');
    app.exeDir = slash == std::string::npos ? std::string() : exePath.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? exePath : exePath.substr(slash + 1);
    // The extension starts at the last dot of the file name, as the Windows path split has it.
    const std::size_t dot = base.rfind('.');
    if (dot != std::string::npos) base.erase(dot);
    app.iniPath = app.exeDir + base + ".ini";
}

void SetPathsFromIniFile(AppState& app, const std::string& iniFile)
{
    std::string path = iniFile;
    if (!path.starts_with('/')) {
        std::string cwd(4096, '\0');
        if (getcwd(cwd.data(), cwd.size()) != nullptr) {
            cwd.resize(std::char_traits<char>::length(cwd.c_str()));
            path = WithoutTrailingSlashes(cwd) + "/" + path;
        }
    }
    app.iniPath = path;
    app.exeDir = path.substr(0, path.rfind('/') + 1);
}

std::string DesktopDirectory()
{
    const std::string home = HomeDirectory();
    std::string configHome;
    const char* xdgConfig = std::getenv("XDG_CONFIG_HOME");
    if (xdgConfig != nullptr && xdgConfig[0] == '/') {
        configHome = xdgConfig;
    } else if (!home.empty()) {
        configHome = home + "/.config";
    }
    if (!configHome.empty()) {
        std::string configured =
            DesktopFromUserDirs(WithoutTrailingSlashes(configHome) + "/user-dirs.dirs", home);
        if (!configured.empty()) return configured;
    }
    if (!home.empty()) {
        std::string fallback = WithoutTrailingSlashes(home) + "/Desktop";
        if (IsDirectory(fallback)) return fallback;
    }
    return {};
}

void ReadLanguageAndTitle(AppState& app)
{
    const int language = IniFile::ToInt(IniFile::GetString(app.iniPath, "System", "Langage", "0"));
    app.language = language == 1 ? 1 : 0;
    app.windowTitle = IniFile::GetString(app.iniPath, "System", "WindowTitle", "");
    app.visibleSerialNo = IniSwitchOn(IniFile::GetString(app.iniPath, "System", "VisibleSerialNo", "Yes"));
}

bool IsSupportedWindows()
{
    return true;
}

std::unique_ptr<SingleInstanceGuard> SingleInstanceGuard::Acquire(const std::string& exePath)
{
    const std::string lockPath = LockFilePath(exePath);
    int fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return std::unique_ptr<SingleInstanceGuard>(new SingleInstanceGuard(-1));
    for (;;) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0)
            return std::unique_ptr<SingleInstanceGuard>(new SingleInstanceGuard(fd));
        if (errno == EINTR) continue;
        const bool heldElsewhere = errno == EWOULDBLOCK;
        close(fd);
        if (heldElsewhere) return nullptr;
        return std::unique_ptr<SingleInstanceGuard>(new SingleInstanceGuard(-1));
    }
}

SingleInstanceGuard::~SingleInstanceGuard()
{
    // The lock file stays: removing it would let a third process lock a fresh file while a
    // second one still holds the old one.
    if (fd_ >= 0) close(fd_);
}

bool FillStartUpState(AppState& app, const std::string& exePath, const std::string& iniFile)
{
    if (iniFile.empty())
        SetPathsFromExecutable(app, exePath);
    else
        SetPathsFromIniFile(app, iniFile);
    if (!IsRegularFile(app.iniPath)) {
        // The language lives in the missing file, so the message is always the Japanese text.
        if (app.ui != nullptr) {
            app.ui->MessageBox(LoadTableString(kStringIniMissing), LoadTableString(kStringAppName),
                               MsgIcon::Stop, MsgButtons::Ok, MsgAnswer::Ok);
        }
        return false;
    }
    app.desktopDir = DesktopDirectory();
    app.portRetryCount = 0;
    ReadLanguageAndTitle(app);
    return true;
}
