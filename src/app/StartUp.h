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

// For an INI file named on the command line: iniPath is exactly that file (a relative name is
// taken from the working folder) and exeDir its folder, where the data files are then found.
void SetPathsFromIniFile(AppState& app, const std::string& iniFile);

// The user's desktop folder (the XDG user-dirs rule on POSIX, the shell's desktop folder on
// Windows); empty when there is none.
std::string DesktopDirectory();

// Reads [System] Langage, WindowTitle and VisibleSerialNo into app.
void ReadLanguageAndTitle(AppState& app);

// Whether the operating system is one the program runs on: always true where it builds.
bool IsSupportedWindows();

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

// Steps 2 to 9 of start-up that need no window: paths (from iniFile when it is given, otherwise
// from the executable, portable or installed as SetPathsForExecutable decides with iniBase), missing
// INI (string 262 in Japanese, through app.ui when set, false returned), desktop, portRetryCount,
// language and title. A language chosen on the command line (0 or 1; -1 for none) wins over
// [System] Langage and applies to the missing-INI message too. The single-instance guard and the
// title page are the caller's.
bool FillStartUpState(AppState& app, const std::string& exePath, const std::string& iniFile = {},
                      const std::string& iniBase = {}, int language = -1);
