// The Windows pieces of start-up: the module's path split at backslashes, the desktop folder
// from the shell, the named-mutex guard.
#include "app/AppState.h"
#include "app/StartUp.h"
#include "support/FakeUserInterface.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>

namespace {

TEST(StartUpWin32Test, PathsSplitAtEitherSeparatorAndTheModulePathIsThisTest)
{
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"C:\\Program Files\\RM42\\rm42meter.exe", "C:\\Program Files\\RM42\\",
         "C:\\Program Files\\RM42\\rm42meter.ini"},
        {"C:/tools/rm42.v2/rm42ctl.exe", "C:/tools/rm42.v2/", "C:/tools/rm42.v2/rm42ctl.ini"},
        {"D:\\x/y\\meter", "D:\\x/y\\", "D:\\x/y\\meter.ini"},
        {"meter.exe", "", "meter.ini"}};
    for (const auto& [exe, dir, ini] : cases) {
        AppState app;
        SetPathsFromExecutable(app, exe);
        EXPECT_EQ(std::tie(app.exeDir, app.iniPath), std::tie(dir, ini)) << exe;
    }
    const std::string self = ExecutablePath();
    EXPECT_TRUE(self.ends_with("\\StartUpWin32Test.exe")) << self;
    EXPECT_EQ(self.find('/'), std::string::npos) << self;
    EXPECT_TRUE(std::filesystem::is_regular_file(self)) << self;
}

TEST(StartUpWin32Test, StartUpFindsTheIniBesideTheExecutableAndTheDesktop)
{
    TempDir dir;
    std::string folder = dir.Path();
    folder.back() = '\\';
    WriteFileBytes(folder + "rm42meter.ini", "[System]\r\nLangage=1\r\nWindowTitle=ABC\r\n");
    FakeUserInterface ui;
    AppState app;
    app.ui = &ui;
    ASSERT_TRUE(FillStartUpState(app, folder + "rm42meter.exe"));
    EXPECT_EQ(std::tuple(app.exeDir, app.language, app.windowTitle),
              std::tuple(folder, 1, std::string("ABC")));
    EXPECT_FALSE(app.desktopDir.empty());
    EXPECT_TRUE(std::filesystem::is_directory(app.desktopDir)) << app.desktopDir;
    EXPECT_TRUE(ui.events.empty());

    EXPECT_FALSE(FillStartUpState(app, folder + "other.exe"));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "INIファイルがありません");
}

TEST(StartUpWin32Test, OneInstancePerExecutablePathWhateverItsCase)
{
    const std::string exe = "C:\\RM42\\bin\\rm42meter.exe";
    auto first = SingleInstanceGuard::Acquire(exe);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(SingleInstanceGuard::Acquire(exe), nullptr);
    EXPECT_EQ(SingleInstanceGuard::Acquire("c:/rm42/BIN/RM42METER.EXE"), nullptr);
    auto other = SingleInstanceGuard::Acquire("C:\\RM42\\bin2\\rm42meter.exe");
    EXPECT_NE(other, nullptr);
    // A path longer than any object name is still guarded by what is left of it.
    const std::string deep = "C:\\" + std::string(400, 'd') + "\\rm42meter.exe";
    auto deepGuard = SingleInstanceGuard::Acquire(deep);
    EXPECT_NE(deepGuard, nullptr);
    EXPECT_EQ(SingleInstanceGuard::Acquire(deep), nullptr);

    first.reset();
    auto again = SingleInstanceGuard::Acquire(exe);
    EXPECT_NE(again, nullptr);
}

} // namespace
