// Start-up steps that are the same on every platform. The platform's own pieces (executable
// path, desktop folder, single-instance guard) live in StartUpPosix.cpp and StartUpWin32.cpp.
#include "app/StartUp.h"

#include "app/AppState.h"
#include "app/IniFile.h"
#include "app/LangString.h"
#include "app/UserInterface.h"
#include "app/Utf8Path.h"

namespace {

constexpr int kStringIniMissing = 262;
constexpr int kStringAppName = 165;

} // namespace

bool IniSwitchOn(std::string_view value)
{
    return value.find("Yes") != std::string_view::npos;
}

bool IniSwitchExact(std::string_view value)
{
    return value == "Yes";
}

void SetPathsFromExecutable(AppState& app, const std::string& exePath)
{
    const std::size_t slash = exePath.find_last_of(kPathSeparators);
    app.exeDir = slash == std::string::npos ? std::string() : exePath.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? exePath : exePath.substr(slash + 1);
    // The extension starts at the last dot of the file name, as the Windows path split has it.
    const std::size_t dot = base.rfind('.');
    if (dot != std::string::npos) base.erase(dot);
    app.iniPath = app.exeDir + base + ".ini";
}

void ReadLanguageAndTitle(AppState& app)
{
    const int language = IniFile::ToInt(IniFile::GetString(app.iniPath, "System", "Langage", "0"));
    app.language = language == 1 ? 1 : 0;
    app.windowTitle = IniFile::GetString(app.iniPath, "System", "WindowTitle", "");
    app.visibleSerialNo = IniSwitchOn(IniFile::GetString(app.iniPath, "System", "VisibleSerialNo", "Yes"));
}

bool IsSupportedWindowsVersion(int platformId, int major, int minor, bool queryOk)
{
    if (!queryOk) return false;
    if (platformId == kPlatformWin32Nt) return major >= 5;
    if (platformId == kPlatformWin32Windows) return major == 4 && minor == 90;
    return false;
}

bool FillStartUpState(AppState& app, const std::string& exePath)
{
    SetPathsFromExecutable(app, exePath);
    if (!IsRegularFileUtf8(app.iniPath)) {
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
