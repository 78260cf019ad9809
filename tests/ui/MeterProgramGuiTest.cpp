// The real rm42meter executable, started as a user starts it (offscreen), against rm42-sim.
// One test only: the program allows one instance per executable, so its runs must not overlap.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/StartUp.h"
#include "support/ChildProcess.h"
#include "support/TestSupport.h"

namespace {

std::string Ini(const std::string& port)
{
    return "[System]\r\nLangage=1\r\n[ComPort]\r\nPort=" + port +
           "\r\nStopBit=0\r\nCommandWait1=0\r\nCommandWait2=0\r\n";
}

TEST(MeterProgram, StartsFromTheNamedIniAndOnlyOnce)
{
    TempDir dir;
    // A runtime folder of the test's own keeps the lock apart from a program the developer runs.
    std::filesystem::create_directory(dir.File("run"));
    std::filesystem::permissions(dir.File("run"), std::filesystem::perms::owner_all);
    const char* oldRuntime = std::getenv("XDG_RUNTIME_DIR");
    const std::string previousRuntime = oldRuntime ? oldRuntime : "";
    setenv("XDG_RUNTIME_DIR", dir.File("run").c_str(), 1);
    const std::string program = std::filesystem::canonical(RunnableDir() + "rm42meter").string();
    const std::string log = dir.File("sim.log");
    SimProcess sim(dir.File("sim.tty"), {"--log", log});
    ASSERT_TRUE(sim.Ready()) << sim.Error();

    // A name with two dots is used as it is. Were "my.ini" read instead, the missing-INI box
    // would hold the program up until it is killed.
    WriteFileBytes(dir.File("my.settings.ini"), Ini(dir.File("sim.tty")));
    const std::string shot = dir.File("window.png");
    const auto run = RunProcess(
        {program, "--ini", dir.File("my.settings.ini"), "--no-title", "--screenshot", shot}, 30000);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(std::filesystem::is_regular_file(shot));
    EXPECT_NE(ReadFileBytes(log).find("> DA"), std::string::npos) << "the INI's port was not used";

    // While another instance holds the program's lock a second one ends at once, silently and
    // without touching the port...
    std::filesystem::remove(log);
    auto first = SingleInstanceGuard::Acquire(program);
    ASSERT_TRUE(first);
    const auto second = RunProcess({program, "--ini", dir.File("my.settings.ini"), "--no-title"}, 20000);
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(second.out + second.err, "");
    EXPECT_FALSE(std::filesystem::exists(log));

    // ...but a missing INI is found before that: the stop box holds the program (it is killed
    // when the time is up) instead of it ending silently.
    const auto missing = RunProcess({program, "--ini", dir.File("nothing.ini"), "--no-title"}, 3000);
    EXPECT_EQ(missing.exitCode, -1);
    first.reset();
    oldRuntime ? setenv("XDG_RUNTIME_DIR", previousRuntime.c_str(), 1) : unsetenv("XDG_RUNTIME_DIR");
}

} // namespace
