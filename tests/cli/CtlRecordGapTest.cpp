// rm42ctl record end to end while rm42-sim drops its pseudo-terminal for 5 s and comes back under
// the same name, as a re-plugged USB adapter does under its stable name.

#include <chrono>
#include <cstdlib>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "support/CtlFixture.h"

namespace {

using CtlRecordGap = CtlTest;

TEST_F(CtlRecordGap, RecordingMarksADroppedLinkAsAGapAndGoesOnByItself)
{
    const std::string link = Link();
    WriteIni("Langage=1\r\nStartUpConnectCheck=No\r\n");
    StartSim({"--serial", "4711", "--target", "42.0"});

    auto run = std::async(std::launch::async, [&] {
        return Ctl({"record", "--interval", "0.1", "--duration", "16"}, 60000);
    });
    std::this_thread::sleep_for(std::chrono::seconds(4));
    ASSERT_TRUE(sim->Unplug());
    std::this_thread::sleep_for(std::chrono::seconds(5));
    ASSERT_TRUE(sim->Replug());
    const ProcessResult result = run.get();
    ASSERT_EQ(result.exitCode, 0) << result.err;

    // Values, then one run of empty fields, then values again; one line per 100 ms throughout.
    const std::vector<std::string> lines = Lines(result.out);
    ASSERT_GT(lines.size(), 100u);
    std::string shape;
    for (std::size_t n = 1; n < lines.size(); ++n) {
        const int ticks = static_cast<int>(n - 1);
        char time[32];
        std::snprintf(time, sizeof time, "00:00:%02d.%d00,", ticks / 10, ticks % 10);
        ASSERT_EQ(lines[n].rfind(time, 0), 0u) << lines[n];
        const std::string values = lines[n].substr(std::string(time).size() - 1);
        ASSERT_TRUE(values == ",," || values == ",42.0,23.0") << lines[n];
        shape += values == ",," ? '-' : 'v';
    }
    const auto first = shape.find('-');
    const auto last = shape.rfind('-');
    ASSERT_NE(first, std::string::npos) << shape;
    EXPECT_EQ(shape.find('v', first), last + 1) << "one gap only: " << shape;
    const auto gap = last - first + 1;
    EXPECT_GE(gap, 45u) << shape; // the 5 s the link was away
    EXPECT_LE(gap, 80u) << shape; // plus at most a search round and the start sequence
    EXPECT_GE(first, 10u) << shape;
    EXPECT_GE(shape.size() - last - 1, 25u) << shape;

    // Standard error tells the story: lost, then back with the gap's length.
    EXPECT_NE(result.err.find("Connection lost: looking for thermometer"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("every 2 s (Ctrl-C stops)"), std::string::npos) << "no PAUSE button here";
    EXPECT_NE(result.err.find("Thermometer reconnected on " + link + " after a gap of"), std::string::npos)
        << result.err;
    EXPECT_EQ(sim->Stop(), 0);
}

} // namespace
