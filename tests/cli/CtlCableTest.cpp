// The cable pulled and plugged back in: rm42ctl against rm42-sim whose pseudo-terminal goes away
// on command, before and in the middle of a connection check.

#include <chrono>
#include <cstdio>
#include <future>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "CtlFixture.h"

namespace {

using Seconds = std::chrono::duration<double>;

class CtlCable : public CtlTest {
protected:
    void SetUp() override { WriteIni("Langage=1\r\n"); }
    ProcessResult Check() const { return Ctl({"check"}); }
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
};

TEST_F(CtlCable, UnpluggedBeforeTheCheckIsReportedAndTheCheckWorksOnceItIsBack)
{
    // Signals that arrive together are taken in the order of their numbers, not of their
    // sending: each gets the simulator's attention (50 ms at most) before the next.
    const auto settle = [] { std::this_thread::sleep_for(std::chrono::milliseconds(200)); };
    SimProcess sim(Link(), {"--serial", "4711"});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    ASSERT_TRUE(sim.Replug()); // already plugged in: nothing changes
    settle();
    EXPECT_EQ(Check().exitCode, 0);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(sim.Unplug());
        if (round == 1) {
            EXPECT_TRUE(sim.Unplug()); // already out: the link stays away
        }
        settle();
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

TEST_F(CtlCable, PulledInTheMiddleOfAReadEndsItWithAReportAndTheReadWorksWhenBack)
{
    // The command, and the command the thermometer has received when the cable is pulled.
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"check"}, "> 9130"},
        {{"memory", "read"}, "> 9144"},
        {{"settings", "show"}, "> 9135"},
    };
    for (const auto& [command, pullAt] : cases) {
        SCOPED_TRACE(command[0]);
        std::remove(Log().c_str());
        // Slow replies keep the read going long enough to pull the cable in its middle.
        SimProcess sim(Link(), {"--latency", "300", "--memory-records", "3", "--log", Log()});
        ASSERT_TRUE(sim.Ready()) << sim.Error();
        const auto start = std::chrono::steady_clock::now();
        auto run = std::async(std::launch::async, [this, &command] { return Ctl(command); });
        ASSERT_TRUE(LogShows(pullAt));
        ASSERT_TRUE(sim.Unplug());
        const auto cut = run.get();
        // A hang-up is seen at once: no step waits out its 5 s time-out.
        EXPECT_LT(Seconds(std::chrono::steady_clock::now() - start).count(), 20.0);
        EXPECT_EQ(cut.exitCode, 1) << cut.out << cut.err;
        EXPECT_NE(cut.err.find("[Thermometer Application]"), std::string::npos) << cut.err;

        ASSERT_TRUE(sim.Replug());
        const auto again = Ctl(command);
        EXPECT_EQ(again.exitCode, 0) << again.err;
        EXPECT_FALSE(again.out.empty());
        EXPECT_EQ(sim.Stop(), 0);
    }
}

} // namespace
