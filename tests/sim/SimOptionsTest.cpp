#include <gtest/gtest.h>

#include "SimOptions.h"
#include "support/TestSupport.h"

TEST(SimOptions, ReadsEveryOption)
{
    TempDir dir;
    WriteFileBytes(dir.File("mem.txt"), "# two records\n35=0000 40=0002\n0BB8 0BC2\n");
    SimOptions o;
    std::string error;
    ASSERT_TRUE(ParseSimOptions({"--link",
                                 "/tmp/rm42",
                                 "--serial",
                                 "42",
                                 "--scenario",
                                 "sine",
                                 "--target",
                                 "-12.5",
                                 "--ambient",
                                 "21",
                                 "--emissivity",
                                 "0.8",
                                 "--emissivity-register",
                                 "900",
                                 "--status0",
                                 "00C0",
                                 "--rate",
                                 "4",
                                 "--baud",
                                 "9600",
                                 "--latency",
                                 "30",
                                 "--clock",
                                 "2024-02-29T23:59:58",
                                 "--memory",
                                 dir.File("mem.txt"),
                                 "--fault",
                                 "ng:91",
                                 "--fault",
                                 "silent-at:3",
                                 "--log",
                                 "/tmp/log"},
                                o, error))
        << error;
    const SimConfig& c = o.config;
    EXPECT_EQ(o.linkPath, "/tmp/rm42");
    EXPECT_EQ(o.logPath, "/tmp/log");
    EXPECT_EQ(c.serial, 42u);
    EXPECT_EQ(c.scenario, SimScenario::Sine);
    EXPECT_DOUBLE_EQ(c.targetC, -12.5);
    EXPECT_DOUBLE_EQ(c.trueEmissivity, 0.8);
    EXPECT_EQ(c.emissivityRegister, 900);
    EXPECT_EQ(c.status0, 0x00C0);
    EXPECT_EQ(c.baud, 9600u);
    EXPECT_EQ(c.latencyMs, 30u);
    EXPECT_FALSE(c.useHostClock);
    EXPECT_EQ(c.clockStart.day, 29);
    EXPECT_EQ(c.memoryWords, (std::vector<uint16_t>{0x0BB8, 0x0BC2}));
    EXPECT_EQ(c.recordCount, 2);
    ASSERT_EQ(c.faults.size(), 2u);
    EXPECT_EQ(c.faults[0].kind, SimFault::Kind::Ng);
    EXPECT_EQ(c.faults[0].code, "91");
    EXPECT_EQ(c.faults[1].kind, SimFault::Kind::Silent);
    EXPECT_EQ(c.faults[1].atTransaction, 3u);
}

TEST(SimOptions, RefusesBadValuesWithAReason)
{
    const std::vector<std::vector<std::string>> cases = {
        {"--link", "x", "--serial", "-1"},
        {"--link", "x", "--serial", "4294967296"},
        {"--link", "x", "--rate", "0"},
        {"--link", "x", "--status0", "12345"},
        {"--link", "x", "--status0", "ZZ"},
        {"--link", "x", "--clock", "2024-02-30"},
        {"--link", "x", "--fault", "ng:DAX"},
        {"--link", "x", "--fault", "ng-at:0"},
        {"--link", "x", "--fault", "melt"},
        {"--link", "x", "--memory", "/nonexistent/mem"},
        {"--link", "x", "--memory-records", "31"},
        {"--link", "x", "--target", "warm"},
        {"--link", "x", "stray"},
        {"--link", "x", "--latency"},
    };
    for (const auto& args : cases) {
        SimOptions o;
        std::string error;
        EXPECT_FALSE(ParseSimOptions(args, o, error)) << args[2];
        EXPECT_FALSE(error.empty()) << args[2];
    }
}

TEST(SimOptions, OffFaultAndHelp)
{
    SimOptions o;
    std::string error;
    ASSERT_TRUE(ParseSimOptions({"--link", "x", "--fault", "off"}, o, error)) << error;
    EXPECT_FALSE(o.config.powered);
    EXPECT_TRUE(o.config.faults.empty());
    SimOptions h;
    ASSERT_TRUE(ParseSimOptions({"--help"}, h, error));
    EXPECT_TRUE(h.help);
    EXPECT_NE(SimUsage().find("--fault"), std::string::npos);
}

TEST(SimOptions, MemoryTextAndPlausibleRecords)
{
    SimConfig c;
    std::string error;
    EXPECT_FALSE(ParseSimMemory("0BB8 12345", c, error));
    EXPECT_FALSE(ParseSimMemory("30=0001", c, error)) << "the serial number is not memory";
    EXPECT_FALSE(ParseSimMemory("0bb8 G", c, error));

    ASSERT_TRUE(FillSimRecords(3, SimDateTime{2026, 3, 1, 0, 1, 30}, c, error)) << error;
    EXPECT_EQ(c.recordCount, 3);
    EXPECT_EQ(c.flagWord & 0x7C, 0x0C); // time stamp and room temperature
    ASSERT_EQ(c.memoryWords.size(), 18u);
    // The newest record is the last; the first is two minutes earlier on the clock (23:59).
    EXPECT_EQ(c.memoryWords[12 + 1], 0x141A); // 20, 26
    EXPECT_EQ(c.memoryWords[12 + 2], 0x0103); // day 1, month 3
    EXPECT_EQ(c.memoryWords[12 + 3], 0x0100); // minute 1, hour 0
    EXPECT_EQ(c.memoryWords[3], 0x3B17);      // 23:59
    for (std::size_t r = 0; r < 3; ++r) {
        EXPECT_GT(c.memoryWords[r * 6], 2732); // above 0 degC
        EXPECT_LT(c.memoryWords[r * 6], 3232); // below 50 degC
    }
    EXPECT_FALSE(FillSimRecords(31, SimDateTime{}, c, error));
}
