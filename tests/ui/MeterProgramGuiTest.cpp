// The real rm42meter executable, started as a user starts it (offscreen), against rm42-sim.
// One test only: the program allows one instance per executable.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

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
}

} // namespace
