// The real rm42meter executable, started as a user starts it (offscreen), against rm42-sim.
// One test only: the program allows one instance per executable, so its runs must not overlap.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/StartUp.h"
#include "support/ChildProcess.h"
#include "support/TestSupport.h"

namespace {

TEST(MeterProgram, StartsFromTheNamedIniAndOnlyOnce)
{
    TempDir dir;
    // A runtime folder of the test's own keeps the lock apart from a program the developer runs.
    std::filesystem::create_directory(dir.File("run"));
    std::filesystem::permissions(dir.File("run"), std::filesystem::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", dir.File("run").c_str(), 1); // one test per process: left set
    const std::string program = std::filesystem::canonical(RunnableDir() + "rm42meter").string();
    SimProcess sim(dir.File("sim.tty"), {"--log", dir.File("sim.log")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    // A name with two dots is used as it is. Were "my.ini" read instead, the missing-INI box
    // would hold the program up until it is killed. The teaching page reads its reference list
    // at set-up; without one it would ask for attention.
    WriteFileBytes(dir.File("my.settings.ini"),
                   "[System]\r\nLangage=1\r\n[ComPort]\r\nPort=" + dir.File("sim.tty") +
                       "\r\nStopBit=0\r\nCommandWait1=0\r\nCommandWait2=0\r\n");
    WriteFileBytes(dir.File("emissivity_list(ENG).csv"), "Water,0.96\r\n");
    const auto run = RunProcess(
        {program, "--ini", dir.File("my.settings.ini"), "--no-title", "--screenshot", dir.File("window.png")},
        30000);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(std::filesystem::is_regular_file(dir.File("window.png")));
    EXPECT_NE(ReadFileBytes(dir.File("sim.log")).find("> DA"), std::string::npos)
        << "the INI's port was not used";

    // While another instance holds the program's lock a second one ends at once, silently and
    // without touching the port; a missing INI is found before that: the stop box holds the
    // program (it is killed when the time is up) instead of it ending silently.
    std::filesystem::remove(dir.File("sim.log"));
    auto first = SingleInstanceGuard::Acquire(program);
    ASSERT_TRUE(first);
    const auto second = RunProcess({program, "--ini", dir.File("my.settings.ini"), "--no-title"}, 20000);
    EXPECT_EQ(std::tuple(second.exitCode, second.out + second.err), std::tuple(0, std::string()));
    EXPECT_FALSE(std::filesystem::exists(dir.File("sim.log")));
    EXPECT_EQ(RunProcess({program, "--ini", dir.File("nothing.ini"), "--no-title"}, 3000).exitCode, -1);
    first.reset();
}

} // namespace
