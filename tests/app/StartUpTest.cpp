#include "app/StartUp.h"

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
#include <set>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Sets (or with nullopt unsets) an environment variable and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : name_(name)
    {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

void MakeDir(const std::string& path)
{
    std::filesystem::create_directories(path);
}

TEST(StartUpTest, YesSwitches)
{
    const struct {
        const char* value;
        bool on;
        bool exact;
    } cases[] = {
        {"Yes", true, true},   {"NoYes", true, false}, {"Yes ", true, false}, {"yes", false, false},
        {"YES", false, false}, {"No", false, false},   {"", false, false},    {"Ye", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(IniSwitchOn(c.value), c.on);
        EXPECT_EQ(IniSwitchExact(c.value), c.exact);
    }
}

TEST(StartUpTest, PathsComeFromTheExecutable)
{
    const struct {
        const char* exe;
        const char* exeDir;
        const char* ini;
    } cases[] = {
        {"/opt/rm42/bin/rm42meter", "/opt/rm42/bin/", "/opt/rm42/bin/rm42meter.ini"},
        {"/a/b/rm42meter.exe", "/a/b/", "/a/b/rm42meter.ini"},
        {"/a/my.app.bin", "/a/", "/a/my.app.ini"},
        {"/a.d/prog", "/a.d/", "/a.d/prog.ini"},
        {"/prog", "/", "/prog.ini"},
        {"prog", "", "prog.ini"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.exe);
        AppState app;
        SetPathsFromExecutable(app, c.exe);
        EXPECT_EQ(app.exeDir, c.exeDir);
        EXPECT_EQ(app.iniPath, c.ini);
    }
}

TEST(StartUpTest, ExecutablePathIsThisTest)
{
    const std::string path = ExecutablePath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.front(), '/');
    EXPECT_EQ(std::filesystem::path(path).filename(), "StartUpTest");
}

struct DesktopCase {
    const char* name;
    bool useXdgConfigHome;
    std::string userDirs; // empty: no user-dirs.dirs file
    bool makeDesktopFolder;
    std::string expected; // "~" stands for the fake home
};

std::string ExpandHome(const std::string& text, const std::string& home)
{
    return text.rfind("~", 0) == 0 ? home + text.substr(1) : text;
}

TEST(StartUpTest, DesktopFollowsTheUserDirsRule)
{
    const DesktopCase cases[] = {
        {"home-relative entry", true, "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n", false, "~/Schreibtisch"},
        {"entry under ~/.config", false, "# written by xdg-user-dirs\nXDG_DESKTOP_DIR=\"$HOME/Bureau\"\n",
         false, "~/Bureau"},
        {"absolute entry", true, "XDG_DOWNLOAD_DIR=\"$HOME/dl\"\nXDG_DESKTOP_DIR=\"/data/desk/\"\n", true,
         "/data/desk"},
        {"escaped quote", true, "XDG_DESKTOP_DIR=\"$HOME/My \\\"Desk\\\"\"\n", false, "~/My \"Desk\""},
        {"commented and relative entries fall back", true,
         "#XDG_DESKTOP_DIR=\"$HOME/old\"\nXDG_DESKTOP_DIR=\"relative\"\n", true, "~/Desktop"},
        {"no file, Desktop folder", true, "", true, "~/Desktop"},
        {"no file, no Desktop folder", true, "", false, ""},
        {"entry without closing quote", false, "XDG_DESKTOP_DIR=\"$HOME/open\n", false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string home = dir.Path() + "home";
        MakeDir(home);
        const std::string config = c.useXdgConfigHome ? dir.Path() + "xdg" : home + "/.config";
        MakeDir(config);
        if (!c.userDirs.empty()) WriteFileBytes(config + "/user-dirs.dirs", c.userDirs);
        if (c.makeDesktopFolder) MakeDir(home + "/Desktop");
        ScopedEnv homeEnv("HOME", home);
        ScopedEnv configEnv("XDG_CONFIG_HOME",
                            c.useXdgConfigHome ? std::optional<std::string>(config) : std::nullopt);
        EXPECT_EQ(DesktopDirectory(), ExpandHome(c.expected, home));
    }
}

TEST(StartUpTest, LanguageTitleAndSerialSwitch)
{
    const struct {
        const char* name;
        std::optional<std::string> ini; // nullopt: no file
        int language;
        const char* title;
        bool visibleSerialNo;
    } cases[] = {
        {"English", "[System]\r\nLangage=1\r\n", 1, "", true},
        {"Japanese", "[System]\r\nLangage=0\r\n", 0, "", true},
        {"two is out of range", "[System]\r\nLangage=2\r\n", 0, "", true},
        {"not a number", "[System]\r\nLangage=abc\r\n", 0, "", true},
        {"empty", "[System]\r\nLangage=\r\n", 0, "", true},
        {"minus one", "[System]\r\nLangage=-1\r\n", 0, "", true},
        {"leading zero is still one", "[System]\r\nLangage= 01\r\n", 1, "", true},
        {"missing file", std::nullopt, 0, "", true},
        {"window title", "[System]\nWindowTitle=ABC\n", 0, "ABC", true},
        {"serial number switched off", "[System]\nVisibleSerialNo=No\n", 0, "", false},
        {"lower-case yes is off", "[System]\nVisibleSerialNo=yes\n", 0, "", false},
        {"NoYes is on", "[System]\nVisibleSerialNo=NoYes\n", 0, "", true},
        {"keys of another section", "[Capture]\nLangage=1\nWindowTitle=X\nVisibleSerialNo=No\n", 0, "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        AppState app;
        app.iniPath = dir.File("rm42meter.ini");
        if (c.ini) WriteFileBytes(app.iniPath, *c.ini);
        app.language = 7;
        app.windowTitle = "stale";
        app.visibleSerialNo = !c.visibleSerialNo;
        ReadLanguageAndTitle(app);
        EXPECT_EQ(app.language, c.language);
        EXPECT_EQ(app.windowTitle, c.title);
        EXPECT_EQ(app.visibleSerialNo, c.visibleSerialNo);
    }
}

TEST(StartUpTest, SupportedWindowsVersions)
{
    const struct {
        int platform;
        int major;
        int minor;
        bool queryOk;
        bool supported;
    } cases[] = {
        {kPlatformWin32Nt, 5, 0, true, true}, // 2000
        {kPlatformWin32Nt, 5, 1, true, true}, // XP
        {kPlatformWin32Nt, 10, 0, true, true},
        {kPlatformWin32Nt, 4, 0, true, false},      // NT 4
        {kPlatformWin32Nt, 5, 1, false, false},     // no version record at all
        {kPlatformWin32Windows, 4, 90, true, true}, // Me
        {kPlatformWin32Windows, 4, 10, true, false},
        {kPlatformWin32Windows, 4, 0, true, false},
        {kPlatformWin32Windows, 5, 90, true, false},
        {kPlatformWin32s, 5, 0, true, false},
        {3, 10, 0, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.platform << " " << c.major << "." << c.minor << " " << c.queryOk);
        EXPECT_EQ(IsSupportedWindowsVersion(c.platform, c.major, c.minor, c.queryOk), c.supported);
    }
    EXPECT_TRUE(IsSupportedWindows());
}

TEST(StartUpTest, MissingIniStopsWithTheJapaneseMessage)
{
    TempDir dir;
    FakeUserInterface ui;
    AppState app;
    app.ui = &ui;
    app.portRetryCount = 3;
    EXPECT_FALSE(FillStartUpState(app, dir.File("rm42meter")));
    EXPECT_EQ(app.iniPath, dir.File("rm42meter.ini"));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, LoadTableString(262));
    EXPECT_EQ(ui.boxes[0].caption, LoadTableString(165));
    EXPECT_EQ(ui.boxes[0].icon, MsgIcon::Stop);
    EXPECT_EQ(ui.boxes[0].buttons, MsgButtons::Ok);
    if (HasTableString(262)) {
        EXPECT_FALSE(ui.boxes[0].text.empty());
        EXPECT_NE(ui.boxes[0].text, LoadTableString(2262));
    }
    // Nothing past the missing file was read.
    EXPECT_EQ(app.portRetryCount, 3);

    // A folder of that name is no INI file either; without a user interface nothing is shown.
    MakeDir(dir.File("rm42meter.ini"));
    app.ui = nullptr;
    EXPECT_FALSE(FillStartUpState(app, dir.File("rm42meter")));
    EXPECT_EQ(ui.boxes.size(), 1u);
}

TEST(StartUpTest, FillsTheStateFromThePresentIni)
{
    TempDir dir;
    const std::string home = dir.Path() + "home";
    MakeDir(home + "/Desktop");
    ScopedEnv homeEnv("HOME", home);
    ScopedEnv configEnv("XDG_CONFIG_HOME", std::nullopt);
    WriteFileBytes(dir.File("rm42meter.ini"),
                   "[System]\r\nLangage=1\r\nWindowTitle=ABC\r\nVisibleSerialNo=No\r\n");

    FakeUserInterface ui;
    AppState app;
    app.ui = &ui;
    app.portRetryCount = 4;
    EXPECT_TRUE(FillStartUpState(app, dir.File("rm42meter")));
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(app.exeDir, dir.Path());
    EXPECT_EQ(app.iniPath, dir.File("rm42meter.ini"));
    EXPECT_EQ(app.desktopDir, home + "/Desktop");
    EXPECT_EQ(app.portRetryCount, 0);
    EXPECT_EQ(app.language, 1);
    EXPECT_EQ(app.windowTitle, "ABC");
    EXPECT_FALSE(app.visibleSerialNo);
    EXPECT_EQ(LoadLangString(app, 165), "ABC");
}

// instance_probe as a child process, its stdin a pipe whose closing ends a holding probe.
class Probe {
public:
    Probe(const char* mode, const std::string& exePath)
    {
        int in[2];
        int out[2];
        if (pipe2(in, O_CLOEXEC) != 0) return;
        if (pipe2(out, O_CLOEXEC) != 0) {
            close(in[0]);
            close(in[1]);
            return;
        }
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], STDIN_FILENO);
            dup2(out[1], STDOUT_FILENO);
            close(in[0]);
            close(in[1]);
            close(out[0]);
            close(out[1]);
            execl(RM42_INSTANCE_PROBE, RM42_INSTANCE_PROBE, mode, exePath.c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        stdin_ = in[1];
        // The probe prints its line right after trying the lock; a probe that died gives EOF.
        char c;
        while (read(out[0], &c, 1) == 1 && c != '\n')
            firstLine_ += c;
        close(out[0]);
    }
    ~Probe() { Kill(); }
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;

    const std::string& FirstLine() const { return firstLine_; }

    // Closes the probe's stdin and waits for its end: its exit code, -1 when it did not exit.
    int Wait()
    {
        CloseStdin();
        int status = 0;
        if (pid_ <= 0 || waitpid(pid_, &status, 0) != pid_) return -1;
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Ends the probe without giving it a chance to clean up.
    void Kill()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
        CloseStdin();
    }

private:
    void CloseStdin()
    {
        if (stdin_ >= 0) close(stdin_);
        stdin_ = -1;
    }

    pid_t pid_ = -1;
    int stdin_ = -1;
    std::string firstLine_;
};

struct TryResult {
    int exitCode;
    std::string line;
};

TryResult TryProbe(const std::string& exePath)
{
    Probe probe("try", exePath);
    const int code = probe.Wait();
    return {code, probe.FirstLine()};
}

TEST(StartUpTest, OneInstancePerExecutablePath)
{
    TempDir runtime;
    ScopedEnv runtimeEnv("XDG_RUNTIME_DIR", runtime.Path());
    const std::string exe = "/opt/rm42/bin/rm42meter";
    const std::string otherExe = "/opt/rm42/bin2/rm42meter";

    Probe first("hold", exe);
    ASSERT_EQ(first.FirstLine(), "acquired");

    // A second process and this one are refused while the first lives.
    const TryResult second = TryProbe(exe);
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_EQ(second.line, "busy");
    EXPECT_EQ(SingleInstanceGuard::Acquire(exe), nullptr);

    // Another executable path is another instance.
    const TryResult other = TryProbe(otherExe);
    EXPECT_EQ(other.exitCode, 0);
    EXPECT_EQ(other.line, "acquired");

    // The lock lives in the runtime folder.
    EXPECT_FALSE(std::filesystem::is_empty(runtime.Path()));

    // Killed without a chance to clean up: the lock goes with the process.
    first.Kill();
    const TryResult third = TryProbe(exe);
    EXPECT_EQ(third.exitCode, 0);
    EXPECT_EQ(third.line, "acquired");

    auto mine = SingleInstanceGuard::Acquire(exe);
    ASSERT_NE(mine, nullptr);
    EXPECT_EQ(TryProbe(exe).line, "busy");
    mine.reset();
    EXPECT_EQ(TryProbe(exe).line, "acquired");
}

std::set<std::string> LockFilesInTmp()
{
    std::set<std::string> files;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator("/tmp", ec)) {
        const std::string name = e.path().filename().string();
        if (name.rfind("rm42meter-", 0) == 0 && e.path().extension() == ".lock")
            files.insert(e.path().string());
    }
    return files;
}

TEST(StartUpTest, UnusableRuntimeFolderFallsBackToTmp)
{
    ScopedEnv runtimeEnv("XDG_RUNTIME_DIR", "/no/such/runtime/folder");
    const std::set<std::string> before = LockFilesInTmp();
    const std::string exe = "/opt/rm42/bin/rm42meter-" + std::to_string(getpid());
    {
        auto mine = SingleInstanceGuard::Acquire(exe);
        ASSERT_NE(mine, nullptr);
        EXPECT_EQ(TryProbe(exe).line, "busy");
    }
    std::set<std::string> created = LockFilesInTmp();
    for (const auto& f : before)
        created.erase(f);
    EXPECT_EQ(created.size(), 1u);
    for (const auto& f : created)
        std::filesystem::remove(f);
}

} // namespace
