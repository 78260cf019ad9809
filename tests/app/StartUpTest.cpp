#include "app/StartUp.h"

#include "app/AppPaths.h"
#include "app/AppState.h"
#include "app/LangString.h"
#include "support/FakeUserInterface.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

namespace {

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
    for (const auto& [value, on, exact] : cases) {
        EXPECT_EQ(IniSwitchOn(value), on) << value;
        EXPECT_EQ(IniSwitchExact(value), exact) << value;
    }
}

TEST(StartUpTest, PathsComeFromTheExecutable)
{
    // clang-format off
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"/opt/rm42/bin/rm42meter", "/opt/rm42/bin/", "/opt/rm42/bin/rm42meter.ini"},
        {"/a/my.app.bin", "/a/", "/a/my.app.ini"}, {"/a.d/prog", "/a.d/", "/a.d/prog.ini"}, {"prog", "", "prog.ini"}};
    // clang-format on
    for (const auto& [exe, exeDir, ini] : cases) {
        AppState app;
        SetPathsFromExecutable(app, exe);
        EXPECT_EQ(app.exeDir + " " + app.iniPath, std::string(exeDir) + " " + ini);
    }
    const std::filesystem::path self = ExecutablePath();
    EXPECT_TRUE(self.is_absolute() && self.filename() == "StartUpTest") << self;
}

TEST(StartUpTest, AnIniFileGivenByNameIsUsedExactly)
{
    const std::string cwd = std::filesystem::current_path().string();
    // clang-format off
    const std::tuple<const char*, std::string, std::string> cases[] = {
        {"/x/my.settings.ini", "/x/", "/x/my.settings.ini"}, {"/x/conf", "/x/", "/x/conf"},
        {"/x.d/a.ini", "/x.d/", "/x.d/a.ini"}, {"sub/my.conf", cwd + "/sub/", cwd + "/sub/my.conf"},
        {"plain", cwd + "/", cwd + "/plain"}};
    // clang-format on
    for (const auto& [given, exeDir, ini] : cases) {
        AppState app;
        SetPathsFromIniFile(app, given);
        EXPECT_EQ(app.exeDir + " " + app.iniPath, exeDir + " " + ini);
    }
}

TEST(StartUpTest, PortableBesideItsIniInstalledInTheUsersFolders)
{
    // What exists (I: INI beside bin/rm42meter, S: the shipped default in share/rm42meter, U: the
    // user's INI already, T: the user's copy of the template), the XDG variables ("" unset, "rel"
    // a relative value, "abs" under X/), and where the INI, the template, the type names and the
    // log are found: B/ bin, S/ share, C/ config, D/ data, L/ state folder.
    struct Row {
        const char* exists;
        const char* xdg;
        const char* expected;
    };
    const Row rows[] = {{"IS", "abs", "B/rm42meter.ini B/templete_1.html B/hardname.rm4 B/cmd_log.txt"},
                        {"", "abs", "B/rm42meter.ini B/templete_1.html B/hardname.rm4 B/cmd_log.txt"},
                        {"S", "abs", "C/rm42meter.ini S/templete_1.html D/hardname.rm4 L/cmd_log.txt"},
                        {"S", "", "C/rm42meter.ini S/templete_1.html D/hardname.rm4 L/cmd_log.txt"},
                        {"S", "rel", "C/rm42meter.ini S/templete_1.html D/hardname.rm4 L/cmd_log.txt"},
                        {"SUT", "abs", "C/rm42meter.ini D/templete_1.html D/hardname.rm4 L/cmd_log.txt"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.exists) + " " + row.xdg);
        TempDir dir;
        const std::string exists = row.exists, xdg = row.xdg;
        const std::string bin = dir.Path() + "usr/bin/", share = dir.Path() + "usr/share/rm42meter/";
        const std::string home = dir.Path() + "home", root = xdg == "abs" ? dir.Path() + "x" : home;
        const std::string config = root + (xdg == "abs" ? "/config" : "/.config") + "/rm42meter/";
        const std::string data = root + (xdg == "abs" ? "/data" : "/.local/share") + "/rm42meter/";
        const std::string state = root + (xdg == "abs" ? "/state" : "/.local/state") + "/rm42meter/";
        std::filesystem::create_directories(bin);
        std::filesystem::create_directories(share);
        const std::tuple<char, std::string, const char*> files[] = {
            {'I', bin + "rm42meter.ini", "[System]\n"},
            {'S', share + "rm42meter.ini", "[System]\r\nLangage=1\r\n"},
            {'S', share + "templete_1.html", "shipped"},
            {'U', config + "rm42meter.ini", "[System]\r\nLangage=0\r\n"},
            {'T', data + "templete_1.html", "mine"}};
        for (const auto& [letter, path, bytes] : files) {
            if (exists.find(letter) == std::string::npos) continue;
            std::filesystem::create_directories(std::filesystem::path(path).parent_path());
            WriteFileBytes(path, bytes);
        }
        ScopedEnv homeEnv("HOME", home);
        const auto value = [&](const char* sub) -> std::optional<std::string> {
            if (xdg == "abs") return dir.Path() + "x/" + sub;
            if (xdg == "rel") return std::string("x/") + sub;
            return std::nullopt;
        };
        ScopedEnv configEnv("XDG_CONFIG_HOME", value("config"));
        ScopedEnv dataEnv("XDG_DATA_HOME", value("data"));
        ScopedEnv stateEnv("XDG_STATE_HOME", value("state"));

        AppState app;
        ASSERT_TRUE(SetPathsForExecutable(app, bin + "rm42ctl", "rm42meter"));
        std::string found = app.iniPath + " " + DataFilePath(app, "templete_1.html") + " " +
                            UserFilePath(app, "hardname.rm4") + " " + LogFilePath(app, "cmd_log.txt");
        for (const auto& [folder, letter] :
             {std::pair{bin, "B/"}, {share, "S/"}, {config, "C/"}, {data, "D/"}, {state, "L/"}}) {
            for (std::size_t at; (at = found.find(folder)) != std::string::npos;)
                found.replace(at, folder.size(), letter);
        }
        EXPECT_EQ(found, row.expected);
        if (found.starts_with("C/")) {
            // The user's INI is the shipped default on first start, and stays the user's after.
            EXPECT_EQ(ReadFileBytes(app.iniPath), exists.find('U') != std::string::npos
                                                      ? "[System]\r\nLangage=0\r\n"
                                                      : "[System]\r\nLangage=1\r\n");
            EXPECT_TRUE(std::filesystem::is_directory(data) && std::filesystem::is_directory(state));
        }
    }
}

TEST(StartUpTest, DesktopFollowsTheUserDirsRule)
{
    // Under XDG_CONFIG_HOME (else ~/.config), user-dirs.dirs ("": none), ~/Desktop made, expected.
    const std::tuple<bool, std::string, bool, std::string> cases[] = {
        {true, "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n", false, "~/Schreibtisch"},
        {false, "# xdg-user-dirs\nXDG_DESKTOP_DIR=\"$HOME/Bureau\"\n", false, "~/Bureau"},
        {true, "XDG_DOWNLOAD_DIR=\"$HOME/dl\"\nXDG_DESKTOP_DIR=\"/data/desk/\"\n", true, "/data/desk"},
        {true, "XDG_DESKTOP_DIR=\"$HOME/My \\\"Desk\\\"\"\n", false, "~/My \"Desk\""},
        {true, "#XDG_DESKTOP_DIR=\"$HOME/old\"\nXDG_DESKTOP_DIR=\"relative\"\n", true, "~/Desktop"},
        {true, "", false, ""}};
    for (const auto& [underXdgConfigHome, userDirs, desktopFolder, expected] : cases) {
        SCOPED_TRACE(userDirs);
        TempDir dir;
        const std::string home = dir.Path() + "home";
        const std::string config = underXdgConfigHome ? dir.Path() + "xdg" : home + "/.config";
        std::filesystem::create_directories(config);
        std::filesystem::create_directories(home + (desktopFolder ? "/Desktop" : ""));
        if (!userDirs.empty()) WriteFileBytes(config + "/user-dirs.dirs", userDirs);
        ScopedEnv homeEnv("HOME", home);
        ScopedEnv configEnv("XDG_CONFIG_HOME", underXdgConfigHome ? std::optional(config) : std::nullopt);
        EXPECT_EQ(DesktopDirectory(), expected[0] == '~' ? home + expected.substr(1) : expected);
    }
}

TEST(StartUpTest, StartUpReadsLanguageTitleAndSerialSwitch)
{
    TempDir dir;
    const std::string home = dir.Path() + "home";
    std::filesystem::create_directories(home + "/Desktop");
    ScopedEnv homeEnv("HOME", home);
    ScopedEnv configEnv("XDG_CONFIG_HOME", std::nullopt);
    // INI text; language, window title and VisibleSerialNo read from it.
    const std::pair<const char*, const char*> cases[] = {
        {"[System]\r\nLangage=1\r\nWindowTitle=ABC\r\nVisibleSerialNo=No\r\n", "1 ABC off"},
        {"[System]\nLangage=2\n", "0  on"},
        {"[System]\nLangage=abc\nVisibleSerialNo=yes\n", "0  off"},
        {"[System]\nLangage=\nVisibleSerialNo=NoYes\n", "0  on"},
        {"[Capture]\nLangage=1\nWindowTitle=X\nVisibleSerialNo=No\n", "0  on"}};
    for (const auto& [ini, expected] : cases) {
        SCOPED_TRACE(ini);
        WriteFileBytes(dir.File("rm42meter.ini"), ini);
        AppState app;
        app.portRetryCount = 4;
        app.language = 7;
        app.windowTitle = "stale";
        app.visibleSerialNo = std::string(expected).ends_with("off");
        ASSERT_TRUE(FillStartUpState(app, dir.File("rm42meter")));
        EXPECT_EQ(app.desktopDir, home + "/Desktop");
        EXPECT_EQ(app.portRetryCount, 0);
        EXPECT_EQ(std::to_string(app.language) + " " + app.windowTitle +
                      (app.visibleSerialNo ? " on" : " off"),
                  expected);
    }
}

TEST(StartUpTest, MissingIniStopsWithTheJapaneseMessage)
{
    TempDir dir;
    FakeUserInterface ui;
    AppState app;
    app.ui = &ui;
    app.portRetryCount = 3;
    EXPECT_FALSE(FillStartUpState(app, dir.File("rm42meter")));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "INIファイルがありません");
    EXPECT_EQ(ui.boxes[0].caption, LoadTableString(165));
    EXPECT_TRUE(ui.boxes[0].icon == MsgIcon::Stop && ui.boxes[0].buttons == MsgButtons::Ok);
    EXPECT_EQ(app.portRetryCount, 3); // nothing past the missing file was read

    // A folder of that name is no INI file either.
    std::filesystem::create_directory(dir.File("rm42meter.ini"));
    EXPECT_FALSE(FillStartUpState(app, dir.File("rm42meter")));
    EXPECT_EQ(ui.boxes.size(), 2u);
}

// The guard taken in a child process that dies with this one; it keeps the guard until it is
// killed (hold) or ends at once. `line` is what it found: "acquired" or "busy".
struct Probe {
    Probe(const char* mode, const std::string& exe)
    {
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0) return;
        pid = fork();
        if (pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            const auto guard = SingleInstanceGuard::Acquire(exe);
            const std::string found = guard ? "acquired\n" : "busy\n";
            if (write(out[1], found.data(), found.size()) < 0) _exit(2);
            while (guard && std::string(mode) == "hold")
                pause();
            _exit(guard ? 0 : 1);
        }
        close(out[1]);
        for (char c; read(out[0], &c, 1) == 1 && c != '\n';)
            line += c;
        close(out[0]);
    }
    // Ends the probe without giving it a chance to clean up.
    ~Probe()
    {
        if (pid > 0) kill(pid, SIGKILL);
        Wait();
    }
    // Waits for the probe's end: "<line>:<exit code>".
    std::string Wait()
    {
        int status = 0;
        const bool exited = pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status);
        pid = -1;
        return line + ":" + (exited ? std::to_string(WEXITSTATUS(status)) : "killed");
    }
    pid_t pid = -1;
    std::string line;
};

TEST(StartUpTest, OneInstancePerExecutablePath)
{
    TempDir runtime;
    ScopedEnv runtimeEnv("XDG_RUNTIME_DIR", runtime.Path());
    const std::string exe = "/opt/rm42/bin/rm42meter";

    std::optional<Probe> first(std::in_place, "hold", exe);
    ASSERT_EQ(first->line, "acquired");
    EXPECT_EQ(Probe("try", exe).Wait(), "busy:1");
    EXPECT_EQ(SingleInstanceGuard::Acquire(exe), nullptr);
    EXPECT_EQ(Probe("try", "/opt/rm42/bin2/rm42meter").Wait(), "acquired:0");
    EXPECT_FALSE(std::filesystem::is_empty(runtime.Path()));

    // Killed without a chance to clean up: the lock goes with the process.
    first.reset();
    EXPECT_EQ(Probe("try", exe).Wait(), "acquired:0");

    auto mine = SingleInstanceGuard::Acquire(exe);
    ASSERT_NE(mine, nullptr);
    EXPECT_EQ(Probe("try", exe).Wait(), "busy:1");
    mine.reset();
    EXPECT_EQ(Probe("try", exe).Wait(), "acquired:0");
}

} // namespace
