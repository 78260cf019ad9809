// The POSIX pieces of start-up: /proc/self/exe, the XDG desktop folder and a flock'ed lock file
// as the single-instance guard.
#include "app/StartUp.h"

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

bool IsDirectory(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
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

struct SingleInstanceGuard::Held {
    explicit Held(int lockFd) : fd(lockFd) {}
    // The lock file stays: removing it would let a third process lock a fresh file while a
    // second one still holds the old one.
    ~Held() { close(fd); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    int fd;
};

SingleInstanceGuard::SingleInstanceGuard(std::unique_ptr<Held> held) : held_(std::move(held)) {}

const char kPathSeparators[] = "/";

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

std::unique_ptr<SingleInstanceGuard> SingleInstanceGuard::Acquire(const std::string& exePath)
{
    const std::string lockPath = LockFilePath(exePath);
    int fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return std::unique_ptr<SingleInstanceGuard>(new SingleInstanceGuard(nullptr));
    for (;;) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0)
            return std::unique_ptr<SingleInstanceGuard>(new SingleInstanceGuard(std::make_unique<Held>(fd)));
        if (errno == EINTR) continue;
        const bool heldElsewhere = errno == EWOULDBLOCK;
        close(fd);
        if (heldElsewhere) return nullptr;
        return std::unique_ptr<SingleInstanceGuard>(new SingleInstanceGuard(nullptr));
    }
}

SingleInstanceGuard::~SingleInstanceGuard() = default;
