// The Windows pieces of start-up: the module's path split at backslashes, the desktop folder
// from the shell, the named-mutex guard.
#include "app/AppState.h"
#include "app/StartUp.h"
#include "support/DataRows.h"
#include "support/FakeUserInterface.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

namespace {

TEST(StartUpWin32Test, PathsSplitAtEitherSeparatorAndTheModulePathIsThisTest)
{
    for (const std::vector<std::string>& row : DataRows("app/paths_win32.txt")) {
        AppState app;
        SetPathsFromExecutable(app, row[0]);
        EXPECT_EQ((std::vector{row[0], app.exeDir, app.iniPath}), row);
    }
    const std::string self = ExecutablePath();
    EXPECT_TRUE(self.ends_with("\\StartUpWin32Test.exe") && self.find('/') == std::string::npos &&
                std::filesystem::is_regular_file(self))
        << self;
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
    EXPECT_TRUE(!app.desktopDir.empty() && std::filesystem::is_directory(app.desktopDir)) << app.desktopDir;
    EXPECT_TRUE(ui.events.empty());
    EXPECT_FALSE(FillStartUpState(app, folder + "other.exe"));
    EXPECT_EQ(ui.BoxTexts(), std::vector<std::string>{"INIファイルがありません"});
}

TEST(StartUpWin32Test, OneInstancePerExecutablePathWhateverItsCase)
{
    const std::string exe = "C:\\RM42\\bin\\rm42meter.exe";
    // A path longer than any object name is still guarded by what is left of it.
    const std::string deep = "C:\\" + std::string(400, 'd') + "\\rm42meter.exe";
    auto first = SingleInstanceGuard::Acquire(exe),
         other = SingleInstanceGuard::Acquire("C:\\RM42\\bin2\\rm42meter.exe");
    auto deepGuard = SingleInstanceGuard::Acquire(deep);
    EXPECT_TRUE(first && other && deepGuard);
    for (const std::string& taken : {exe, std::string("c:/rm42/BIN/RM42METER.EXE"), deep})
        EXPECT_EQ(SingleInstanceGuard::Acquire(taken), nullptr) << taken;
    first.reset();
    EXPECT_NE(SingleInstanceGuard::Acquire(exe), nullptr);
}

} // namespace
