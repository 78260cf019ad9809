#pragma once

#include <memory>
#include <string>
#include <string_view>

struct AppState;

// "Yes" anywhere in the value switches on (case matters): NoYes is on, yes is off.
bool IniSwitchOn(std::string_view value);
// Only the exact text "Yes" switches on ([System] StartUpConnectCheck, [Capture] *Receive).
bool IniSwitchExact(std::string_view value);

// The characters that end a folder name in a path: '/' on POSIX, '\\' and '/' on Windows.
extern const char kPathSeparators[];

// Full path of the running executable, UTF-8 (/proc/self/exe on Linux, the module file name on
// Windows).
std::string ExecutablePath();

// From the executable's path: exeDir (ending in its separator) and iniPath (folder + base name +
// ".ini").
void SetPathsFromExecutable(AppState& app, const std::string& exePath);

// The user's desktop folder (the XDG user-dirs rule on POSIX, the shell's desktop folder on
// Windows); empty when there is none.
std::string DesktopDirectory();

// Reads [System] Langage, WindowTitle and VisibleSerialNo into app.
void ReadLanguageAndTitle(AppState& app);

// True on every platform but old Windows (see the Windows implementation).
bool IsSupportedWindows();

// Platform ids of the Windows version record.
constexpr int kPlatformWin32s = 0;
constexpr int kPlatformWin32Windows = 1; // the 4.x consumer family
constexpr int kPlatformWin32Nt = 2;

// The rule behind IsSupportedWindows, from a version query's answer: false when the query
// failed; the NT family from major version 5 on; the consumer family only as 4.90; nothing else.
bool IsSupportedWindowsVersion(int platformId, int major, int minor, bool queryOk);

// One instance per executable path. Holds an operating-system object that dies with the
// process: a lock on a file in the runtime folder on POSIX, a named mutex on Windows. Acquire
// returns null when another holder has it for the same path. When none can be made at all (no
// writable runtime folder) the guard holds nothing and the instance runs, rather than refusing
// to start for a reason the user never sees.
class SingleInstanceGuard {
public:
    static std::unique_ptr<SingleInstanceGuard> Acquire(const std::string& exePath);
    ~SingleInstanceGuard();
    SingleInstanceGuard(const SingleInstanceGuard&) = delete;
    SingleInstanceGuard& operator=(const SingleInstanceGuard&) = delete;

private:
    struct Held; // the platform's object
    explicit SingleInstanceGuard(std::unique_ptr<Held> held);
    std::unique_ptr<Held> held_;
};

// Steps 2 to 9 of start-up that need no window: paths, missing INI (string 262 in Japanese,
// through app.ui when set, false returned), desktop, portRetryCount, language and title.
// The single-instance guard and the title page are the caller's.
bool FillStartUpState(AppState& app, const std::string& exePath);
