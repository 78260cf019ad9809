// The cable pulled and plugged back in: rm42ctl against rm42-sim whose pseudo-terminal goes away
// on command, before and in the middle of a connection check.

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "support/ChildProcess.h"
#include "support/TestSupport.h"

namespace {

using Seconds = std::chrono::duration<double>;

class CtlCable : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteFileBytes(dir.File("rm42meter.ini"),
                       "[System]\r\nLangage=1\r\n[ComPort]\r\nPort=" + Link() +
                           "\r\nStopBit=0\r\nCommandWait1=0\r\nCommandWait2=0\r\n");
    }
    ProcessResult Check() const
    {
        return RunProcess({RunnableDir() + "rm42ctl", "--ini", dir.File("rm42meter.ini"), "check"}, 60000);
    }
    std::string Link() const { return dir.File("sim.tty"); }
    // Waits (up to 10 s) until the simulator's log holds text.
    bool LogShows(const std::string& text) const
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (ReadFileBytes(Log()).find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }
    std::string Log() const { return dir.File("sim.log"); }

    TempDir dir;
};

TEST_F(CtlCable, UnpluggedBeforeTheCheckIsReportedAndTheCheckWorksOnceItIsBack)
{
    SimProcess sim(Link(), {"--serial", "4711"});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(sim.Unplug());
        const auto start = std::chrono::steady_clock::now();
        const auto off = Check();
        EXPECT_EQ(off.exitCode, 1);
        EXPECT_NE(off.err.find("No Themometer Connected"), std::string::npos) << off.err;
        EXPECT_EQ(off.out, "");
        EXPECT_LT(Seconds(std::chrono::steady_clock::now() - start).count(), 10.0);

        ASSERT_TRUE(sim.Replug());
        const auto on = Check();
        EXPECT_EQ(on.exitCode, 0) << on.err;
        EXPECT_EQ(on.out, "Serial No.: 00000040711\nType: no name\n");
    }
    EXPECT_EQ(sim.Stop(), 0);
}

TEST_F(CtlCable, PulledInTheMiddleOfTheCheckEndsItWithAReportWithinTheTimeOuts)
{
    // Slow replies keep the check going long enough to pull the cable in its middle.
    SimProcess sim(Link(), {"--latency", "700", "--log", Log()});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    const auto start = std::chrono::steady_clock::now();
    auto run = std::async(std::launch::async, [this] { return Check(); });
    ASSERT_TRUE(LogShows("> 9130")); // in check mode, reading the serial number
    ASSERT_TRUE(sim.Unplug());
    const auto cut = run.get();
    // Each of the at most five transactions gives up within its 5 s time-out; a hang-up
    // is seen at once.
    EXPECT_LT(Seconds(std::chrono::steady_clock::now() - start).count(), 25.0);
    EXPECT_EQ(cut.exitCode, 1) << cut.out;
    EXPECT_NE(cut.err.find("[Thermometer Application]"), std::string::npos) << cut.err;
    EXPECT_EQ(cut.out, "");

    ASSERT_TRUE(sim.Replug());
    const auto again = Check();
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_NE(again.out.find("Serial No.: 01234560789"), std::string::npos) << again.out;
    EXPECT_EQ(sim.Stop(), 0);
}

TEST_F(CtlCable, PluggingInTwiceOrPullingTwiceChangesNothing)
{
    // Signals that arrive together are taken in the order of their numbers, not of their
    // sending: each gets the simulator's attention (50 ms at most) before the next.
    const auto settle = [] { std::this_thread::sleep_for(std::chrono::milliseconds(200)); };
    SimProcess sim(Link(), {});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    ASSERT_TRUE(sim.Replug()); // already plugged in
    settle();
    EXPECT_EQ(Check().exitCode, 0);
    ASSERT_TRUE(sim.Unplug());
    EXPECT_TRUE(sim.Unplug()); // already out: the link stays away
    settle();
    EXPECT_EQ(Check().exitCode, 1);
    ASSERT_TRUE(sim.Replug());
    EXPECT_EQ(Check().exitCode, 0);
    EXPECT_EQ(sim.Stop(), 0);
}

} // namespace
