#include "app/AppPaths.h"

#include "app/AppState.h"
#include "app/StartUp.h"
#include "app/Utf8Path.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>
#endif

namespace {

const char kAppFolder[] = "rm42meter";
const char kIniName[] = "rm42meter.ini";

std::string Utf8Of(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string HomeDirectory()
{
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') return home;
#ifndef _WIN32
    if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr) return pw->pw_dir;
#endif
    return {};
}

// $variable when it is an absolute path (the XDG rule ignores relative ones), else ~/fallback;
// empty when there is no home either. Ends in "/rm42meter/".
std::string UserFolder(const char* variable, const char* fallback)
{
    std::string base;
    if (const char* value = std::getenv(variable); value != nullptr && value[0] == '/') {
        base = value;
    } else {
        const std::string home = HomeDirectory();
        if (home.empty()) return {};
        base = home + "/" + fallback;
    }
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return base + "/" + kAppFolder + "/";
}

bool MakeFolder(const std::string& dir)
{
    std::error_code ec;
    std::filesystem::create_directories(PathFromUtf8(dir), ec);
    return !ec;
}

} // namespace

bool SetPathsForExecutable(AppState& app, const std::string& exePath, const std::string& iniBase)
{
    SetPathsFromExecutable(app, exePath);
    if (!iniBase.empty()) app.iniPath = app.exeDir + iniBase + ".ini";
    app.dataDirs.clear();
    app.userDir.clear();
    app.logDir.clear();
    if (IsRegularFileUtf8(app.iniPath)) return true;

    const std::string shared =
        Utf8Of((PathFromUtf8(app.exeDir) / ".." / "share" / kAppFolder).lexically_normal()) + "/";
    const std::string config = UserFolder("XDG_CONFIG_HOME", ".config");
    const std::string data = UserFolder("XDG_DATA_HOME", ".local/share");
    const std::string state = UserFolder("XDG_STATE_HOME", ".local/state");
    if (app.exeDir.empty() || !IsRegularFileUtf8(shared + kIniName) || config.empty()) return true;

    app.iniPath = config + kIniName;
    app.dataDirs = {data, shared};
    app.userDir = data;
    app.logDir = state;
    // The program only writes into these; a folder that cannot be made shows up as the write's
    // own failure later, where the user is told about it.
    MakeFolder(data);
    MakeFolder(state);
    if (IsRegularFileUtf8(app.iniPath)) return true;
    // First start: the user's settings begin as the shipped default, byte for byte (Shift_JIS).
    std::error_code ec;
    return MakeFolder(config) &&
           std::filesystem::copy_file(PathFromUtf8(shared + kIniName), PathFromUtf8(app.iniPath), ec) && !ec;
}

std::string DataFilePath(const AppState& app, const std::string& name)
{
    if (app.dataDirs.empty()) return app.exeDir + name;
    for (const std::string& dir : app.dataDirs)
        if (IsRegularFileUtf8(dir + name)) return dir + name;
    return app.dataDirs.back() + name;
}

std::string UserFilePath(const AppState& app, const std::string& name)
{
    return (app.userDir.empty() ? app.exeDir : app.userDir) + name;
}

std::string LogFilePath(const AppState& app, const std::string& name)
{
    return (app.logDir.empty() ? app.exeDir : app.logDir) + name;
}
