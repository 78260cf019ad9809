#include "app/StartUp.h"

#include "app/AppPaths.h"
#include "app/AppState.h"
#include "app/LangString.h"
#include "support/DataRows.h"
#include "support/FakeUserInterface.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Sets (or with nullopt unsets) an environment variable and puts the old value back.
struct ScopedEnv {
    ScopedEnv(const char* n, std::optional<std::string> value) : name(n)
    {
        if (const char* old = std::getenv(n)) previous = old;
        value ? setenv(n, value->c_str(), 1) : unsetenv(n);
    }
    ~ScopedEnv() { previous ? setenv(name, previous->c_str(), 1) : unsetenv(name); }
    const char* name;
    std::optional<std::string> previous;
};

TEST(StartUpTest, YesSwitches)
{
    const std::tuple<const char*, bool, bool> cases[] = {{"Yes", true, true},   {"NoYes", true, false},
                                                         {"Yes ", true, false}, {"yes", false, false},
                                                         {"YES", false, false}, {"", false, false}};
    for (const auto& [value, on, exact] : cases)
        EXPECT_EQ(std::pair(IniSwitchOn(value), IniSwitchExact(value)), std::pair(on, exact)) << value;
}

TEST(StartUpTest, PathsComeFromTheExecutableOrTheIniFileGivenByName)
{
    const std::string cwd = fs::current_path().string() + "/";
    const auto relative = [&](const std::string& p) {
        return p.starts_with(cwd) ? "./" + p.substr(cwd.size()) : p;
    };
    for (std::vector<std::string> row : DataRows("app/paths.txt")) {
        AppState app;
        row[0] == "exe" ? SetPathsFromExecutable(app, row[1]) : SetPathsFromIniFile(app, row[1]);
        EXPECT_EQ((std::vector{row[0], row[1], relative(app.exeDir), relative(app.iniPath)}), row);
    }
    const fs::path self = ExecutablePath();
    EXPECT_TRUE(self.is_absolute() && self.filename() == "StartUpTest") << self;
}

TEST(StartUpTest, PortableBesideItsIniInstalledInTheUsersFolders)
{
    for (const std::vector<std::string>& row : DataRows("app/folders.txt")) {
        const std::string &exists = row[0], &xdg = row[1];
        SCOPED_TRACE(exists + " " + xdg);
        TempDir dir;
        const std::string bin = dir.Path() + "usr/bin/", share = dir.Path() + "usr/share/rm42meter/";
        const std::string home = dir.Path() + "home", root = xdg == "abs" ? dir.Path() + "x" : home;
        const bool abs = xdg == "abs";
        const std::string config = root + (abs ? "/config" : "/.config") + "/rm42meter/";
        const std::string data = root + (abs ? "/data" : "/.local/share") + "/rm42meter/";
        const std::string state = root + (abs ? "/state" : "/.local/state") + "/rm42meter/";
        fs::create_directories(bin);
        // clang-format off
        const std::tuple<char, std::string, const char*> files[] = {{'I', bin + "rm42meter.ini", "[System]\n"},
            {'S', share + "rm42meter.ini", "[System]\r\nLangage=1\r\n"}, {'S', share + "templete_1.html", "shipped"},
            {'U', config + "rm42meter.ini", "[System]\r\nLangage=0\r\n"}, {'T', data + "templete_1.html", "mine"}};
        // clang-format on
        for (const auto& [letter, path, bytes] : files) {
            if (exists.find(letter) == std::string::npos) continue;
            fs::create_directories(fs::path(path).parent_path());
            WriteFileBytes(path, bytes);
        }
        const auto value = [&](const char* sub) {
            return xdg == "none" ? std::nullopt
                                 : std::optional((abs ? dir.Path() + "x/" : std::string("x/")) + sub);
        };
        ScopedEnv homeEnv("HOME", home), configEnv("XDG_CONFIG_HOME", value("config"));
        ScopedEnv dataEnv("XDG_DATA_HOME", value("data")), stateEnv("XDG_STATE_HOME", value("state"));
        AppState app;
        ASSERT_TRUE(SetPathsForExecutable(app, bin + "rm42ctl", "rm42meter"));
        std::vector<std::string> found = {exists, xdg, app.iniPath, DataFilePath(app, "templete_1.html")};
        found.insert(found.end(), {UserFilePath(app, "hardname.rm4"), LogFilePath(app, "cmd_log.txt")});
        for (std::string& path : found)
            for (const auto& [folder, letter] :
                 {std::pair{bin, "B/"}, {share, "S/"}, {config, "C/"}, {data, "D/"}, {state, "L/"}})
                if (path.starts_with(folder)) path = letter + path.substr(folder.size());
        EXPECT_EQ(found, row);
        if (!found[2].starts_with("C/")) continue;
        // The user's INI is the shipped default on first start, and stays the user's after.
        const bool mine = exists.find('U') != std::string::npos;
        EXPECT_EQ(
            std::pair(ReadFileBytes(app.iniPath), fs::is_directory(data) && fs::is_directory(state)),
            std::pair(std::string(mine ? "[System]\r\nLangage=0\r\n" : "[System]\r\nLangage=1\r\n"), true));
    }
}

TEST(StartUpTest, DesktopFollowsTheUserDirsRule)
{
    for (std::vector<std::string> row : DataRows("app/desktop.txt")) {
        row.resize(4);
        const bool underXdgConfigHome = row[0] == "xdg", desktopFolder = row[2] == "yes";
        const std::string &userDirs = row[1], &expected = row[3];
        SCOPED_TRACE(userDirs);
        TempDir dir;
        const std::string home = dir.Path() + "home";
        const std::string config = underXdgConfigHome ? dir.Path() + "xdg" : home + "/.config";
        fs::create_directories(config);
        fs::create_directories(home + (desktopFolder ? "/Desktop" : ""));
        if (!userDirs.empty()) WriteFileBytes(config + "/user-dirs.dirs", userDirs);
        ScopedEnv homeEnv("HOME", home);
        ScopedEnv configEnv("XDG_CONFIG_HOME", underXdgConfigHome ? std::optional(config) : std::nullopt);
        EXPECT_EQ(DesktopDirectory(), expected.starts_with('~') ? home + expected.substr(1) : expected);
    }
}

TEST(StartUpTest, StartUpReadsLanguageTitleAndSerialSwitchOrStopsWithoutItsIni)
{
    TempDir dir;
    const std::string home = dir.Path() + "home";
    fs::create_directories(home + "/Desktop");
    ScopedEnv homeEnv("HOME", home), configEnv("XDG_CONFIG_HOME", std::nullopt);
    for (std::vector<std::string> row : DataRows("app/startup_ini.txt")) {
        row.resize(4);
        const std::string& ini = row[0];
        SCOPED_TRACE(ini);
        fs::remove_all(dir.File("rm42meter.ini"));
        if (ini == "folder") fs::create_directory(dir.File("rm42meter.ini"));
        if (ini.starts_with('[')) WriteFileBytes(dir.File("rm42meter.ini"), ini);
        FakeUserInterface ui;
        AppState app;
        app.ui = &ui;
        app.portRetryCount = 4;
        app.language = 7;
        app.windowTitle = ini.starts_with('[') ? "stale" : ""; // a title would stand in the box's caption
        app.visibleSerialNo = row[3] == "off";
        const bool started = FillStartUpState(app, dir.File("rm42meter"));
        EXPECT_EQ(started, ui.boxes.empty());
        if (started) {
            EXPECT_EQ((std::vector<std::string>{ini, std::to_string(app.language), app.windowTitle,
                                                app.visibleSerialNo ? "on" : "off", app.desktopDir,
                                                std::to_string(app.portRetryCount)}),
                      (std::vector<std::string>{ini, row[1], row[2], row[3], home + "/Desktop", "0"}));
            continue;
        }
        EXPECT_EQ(row[1], "stop");
        // Nothing past the missing file was read.
        ASSERT_EQ(ui.boxes.size(), 1u);
        const MessageBoxCall& box = ui.boxes[0];
        EXPECT_EQ(
            std::tuple(app.portRetryCount, box.text, box.caption, box.icon, box.buttons),
            std::tuple(4, "INIファイルがありません", LoadTableString(165), MsgIcon::Stop, MsgButtons::Ok));
    }
}

// Takes the guard in a child process that dies with this one and tells whether it got it; with
// holder, the child keeps it until it is killed without a chance to clean up.
std::string Probe(const std::string& exe, pid_t* holder = nullptr)
{
    int out[2];
    if (pipe(out) != 0) return "no pipe";
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        const auto guard = SingleInstanceGuard::Acquire(exe);
        if (write(out[1], guard ? "a" : "b", 1) < 0 || !guard || !holder) _exit(0);
        for (;;)
            pause();
    }
    close(out[1]);
    char c = '?';
    const bool acquired = read(out[0], &c, 1) == 1 && c == 'a';
    close(out[0]);
    holder ? void(*holder = pid) : void(waitpid(pid, nullptr, 0));
    return acquired ? "acquired" : "busy";
}

TEST(StartUpTest, OneInstancePerExecutablePath)
{
    TempDir runtime;
    ScopedEnv runtimeEnv("XDG_RUNTIME_DIR", runtime.Path());
    const std::string exe = "/opt/rm42/bin/rm42meter";
    pid_t holder = -1;
    ASSERT_EQ(Probe(exe, &holder), "acquired");
    EXPECT_EQ(std::tuple(Probe(exe), SingleInstanceGuard::Acquire(exe), Probe("/opt/rm42/bin2/rm42meter")),
              std::tuple("busy", nullptr, "acquired"));
    EXPECT_FALSE(fs::is_empty(runtime.Path()));
    kill(holder, SIGKILL); // the lock goes with the process
    waitpid(holder, nullptr, 0);
    EXPECT_EQ(Probe(exe), "acquired");
    auto mine = SingleInstanceGuard::Acquire(exe);
    ASSERT_NE(mine, nullptr);
    EXPECT_EQ(Probe(exe), "busy");
    mine.reset();
    EXPECT_EQ(Probe(exe), "acquired");
}

} // namespace
