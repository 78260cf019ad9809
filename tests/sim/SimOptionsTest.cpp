#include <gtest/gtest.h>

#include <bit>
#include <iterator>
#include <sstream>
#include <tuple>

#include "SimOptions.h"
#include "support/TestSupport.h"

namespace {

std::vector<std::string> Split(const std::string& text)
{
    std::istringstream in(text);
    return {std::istream_iterator<std::string>(in), {}};
}

} // namespace

TEST(SimOptions, ReadsEveryOption)
{
    TempDir dir;
    WriteFileBytes(dir.File("mem.txt"), "# two records\n35=0000 40=0002\n0BB8 0BC2\n");
    SimOptions o;
    std::string error;
    const std::string args = dir.File("mem.txt") +
                             " --link /tmp/rm42 --serial 42 --scenario sine --target -12.5 --emissivity 0.8 "
                             "--emissivity-register 900 --status0 00C0 --baud 9600 --latency 30 "
                             "--clock 2024-02-29T23:59:58 --fault ng:91 --fault silent-at:3 --log /tmp/log";
    ASSERT_TRUE(ParseSimOptions(Split("--memory " + args), o, error)) << error;
    const SimConfig& c = o.config;
    EXPECT_EQ(std::tie(o.linkPath, o.logPath), std::tuple("/tmp/rm42", "/tmp/log"));
    EXPECT_EQ(std::tuple(c.serial, c.scenario, c.targetC, c.trueEmissivity, c.emissivityRegister),
              std::tuple(42u, SimScenario::Sine, -12.5, 0.8, 900));
    EXPECT_EQ(
        std::tuple(c.status0, c.baud, c.latencyMs, c.useHostClock, c.clockStart.day, c.clockStart.second),
        std::tuple(0x00C0, 9600u, 30u, false, 29, 58));
    EXPECT_EQ(std::tuple(c.memoryWords, c.recordCount), std::tuple(std::vector<uint16_t>{0x0BB8, 0x0BC2}, 2));
    ASSERT_EQ(c.faults.size(), 2u);
    EXPECT_EQ(std::tuple(c.faults[0].kind, c.faults[0].code, c.faults[1].kind, c.faults[1].atTransaction),
              std::tuple(SimFault::Kind::Ng, "91", SimFault::Kind::Silent, 3u));

    ASSERT_TRUE(ParseSimOptions(Split("--link x --fault off"), o = {}, error)) << error;
    EXPECT_TRUE(!o.config.powered && o.config.faults.empty()) << "off is a state, not a fault";
    EXPECT_TRUE(ParseSimOptions({"--help"}, o = {}, error) && o.help);
}

TEST(SimOptions, RefusesBadValuesWithAReason)
{
    for (const char* args :
         {"--serial -1", "--serial 4294967296", "--rate 0", "--status0 12345", "--status0 ZZ",
          "--clock 2024-02-30", "--fault ng:DAX", "--fault ng-at:0", "--fault melt",
          "--memory /nonexistent/mem", "--memory-records 31", "--memory-preset time,heat",
          "--memory-preset time,time", "--memory-preset none:151", "--memory-preset every:x",
          "--memory-preset ,", "--target warm", "stray", "--latency"}) {
        SimOptions o;
        std::string error;
        EXPECT_FALSE(ParseSimOptions(Split(std::string("--link x ") + args), o, error)) << args;
        EXPECT_FALSE(error.empty()) << args;
    }
}

TEST(SimOptions, MemoryTextAndPlausibleRecords)
{
    SimConfig c;
    std::string error;
    // A word too long, the serial number (not memory), a bad digit.
    for (const char* text : {"0BB8 12345", "30=0001", "0bb8 G"})
        EXPECT_FALSE(ParseSimMemory(text, c, error)) << text;

    ASSERT_TRUE(FillSimRecords(3, SimDateTime{2026, 3, 1, 0, 1, 30}, c, error)) << error;
    // Three records with a time stamp and the room temperature.
    EXPECT_EQ(std::tuple(c.recordCount, c.flagWord & 0x7C), std::tuple(3, 0x0C));
    ASSERT_EQ(c.memoryWords.size(), 18u);
    // The newest record is the last; the first is two minutes earlier on the clock (23:59).
    // The last record's time stamp: 20, 26; day 1, month 3; minute 1, hour 0.
    EXPECT_EQ(std::vector(c.memoryWords.begin() + 13, c.memoryWords.begin() + 16),
              (std::vector<uint16_t>{0x141A, 0x0103, 0x0100}));
    EXPECT_EQ(c.memoryWords[3], 0x3B17); // 23:59
    for (std::size_t r = 0; r < 3; ++r)
        EXPECT_NEAR(c.memoryWords[r * 6], 2982, 250); // between 0 and 50 degC
}

TEST(SimOptions, MemoryPresetsHoldTheirItemsInRecordOrder)
{
    struct Case {
        const char* items;
        int count;
        uint16_t bits;
        std::size_t records;
    };
    const Case cases[] = {{"none", -1, 0x00, 150},
                          {"time", -1, 0x04, 35},
                          {"max,room", 4, 0x28, 4},
                          {"min,time,emissivity", -1, 0x54, 25},
                          {"time,room,emissivity,max,min", -1, 0x7C, 20},
                          {"room,emissivity,max,min", 0, 0x78, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.items);
        SimConfig config;
        config.flagWord = 0xFC83; // the settings bits stay
        std::string error;
        ASSERT_TRUE(FillSimPreset(c.items, c.count, SimDateTime{2026, 3, 1, 0, 30, 0}, config, error))
            << error;
        EXPECT_EQ(std::tuple(config.flagWord, config.recordCount), std::tuple(0xFC83 | c.bits, c.records));
        const std::size_t words =
            1 + (c.bits & 0x04 ? 4 : 0) + static_cast<std::size_t>(std::popcount(c.bits & 0x78u));
        ASSERT_EQ(config.memoryWords.size(), c.records * words);
        for (std::size_t r = 0; r < c.records; ++r) {
            const uint16_t* w = &config.memoryWords[r * words];
            const uint16_t temp = w[0];
            EXPECT_NEAR(temp, 2982, 250);
            std::size_t at = 1;
            if (c.bits & 0x04) {
                EXPECT_EQ(w[0 + at], 0x141A); // 2026
                EXPECT_LT(w[3 + at], 60);     // seconds
                at += 4;
            }
            if (c.bits & 0x08) {
                EXPECT_NEAR(w[at++], 2962, 5); // about 23 degC
            }
            if (c.bits & 0x10) {
                EXPECT_NEAR(w[at++], 935, 15);
            }
            if (c.bits & 0x20) {
                EXPECT_GT(w[at++], temp);
            }
            if (c.bits & 0x40) {
                EXPECT_LT(w[at++], temp);
            }
        }
    }
    SimConfig config;
    std::string error;
    EXPECT_FALSE(FillSimPreset("time", 36, SimDateTime{}, config, error));
    EXPECT_EQ(error, "at most 35 records hold these items");
}
