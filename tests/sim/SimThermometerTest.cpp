#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "SimOptions.h"
#include "SimThermometer.h"
#include "support/FakeClock.h"
#include "support/TestSupport.h"

TEST(SimThermometer, AnswersByteForByteGuardsCheckModeKeepsItsClockAndRefusesBadOptions)
{
    const auto split = [](const std::string& text) {
        std::istringstream in(text);
        return std::vector<std::string>{std::istream_iterator<std::string>(in), {}};
    };
    // A thermometer under virtual time, talked to on its side of the wire; its clock starts at
    // 15:30:10 on 1 March 2026.
    SimConfig config;
    std::tie(config.useHostClock, config.clockStart, config.recordCount, config.memoryWords) =
        std::tuple(false, SimDateTime{2026, 3, 1, 15, 30, 10}, 3, std::vector<uint16_t>{0x0BB8});
    FakeClock clock;
    SimThermometer device(config, clock);
    device.Connect();
    // Each "command>reply" of the file is sent and its reply (CR LF ended) expected within 5 s;
    // "+ms" lets the clock run. Outside check mode register access and setting the clock are
    // refused. Then the serial number 123456789 = 0x075BCD15, registers, memory words (43 is empty),
    // the clock, the emissivity and a reading: 25.0 degC target, 23.0 degC room. Malformed: lower
    // case, no address, no such register or memory word, a short value, the read-only serial
    // number, arguments where none belong, unknown code, an overlong line. Writes in check mode,
    // leaving it with 81. At 15:31:11, refused: second 60, hour 24, lower case, too short; 29
    // February 2025, day 0, month 13. Accepted: 29 February 2024, 23:59:59 on 31 December 2099,
    // which then runs into 2100.
    for (const std::string& pair : split(ReadFileBytes(TestDataPath("sim/commands.txt")))) {
        const std::string command = pair.substr(0, pair.find('>'));
        if (pair[0] == '+' && (clock.Advance(std::stoul(pair)), true)) continue;
        device.HostWrite((command + "\r\n").data(), command.size() + 2);
        std::string reply;
        for (const uint64_t end = clock.TickMs() + 5000;
             !reply.ends_with("\r\n") && device.NextArrivalMs() <= end;) {
            clock.Advance(std::max(device.NextArrivalMs(), clock.TickMs()) - clock.TickMs());
            char buf[2048];
            reply.append(buf, device.HostRead(buf, sizeof buf));
        }
        EXPECT_EQ(reply, pair.substr(command.size() + 1) + "\r\n") << "command " << command;
    }
    EXPECT_EQ(std::tuple(device.Register(0x00), device.Register(0x42)), std::tuple(0xFC04, 0xABCD));
    // Bad option values are refused with a reason.
    SimOptions o;
    std::string error;
    // clang-format off
    for (const char* bad : {"--serial -1", "--serial 4294967296", "--rate 0", "--status0 12345",
             "--status0 ZZ", "--clock 2024-02-30", "--fault ng:DAX", "--fault ng-at:0", "--fault melt",
             "--memory /nonexistent/mem", "--memory-records 31", "--memory-preset time,heat",
             "--memory-preset time,time", "--memory-preset none:151", "--memory-preset every:x",
             "--memory-preset ,", "--target warm", "stray", "--latency", "--emissivity 1.5"}) {
        // clang-format on
        EXPECT_TRUE(!ParseSimOptions(split(std::string("--link x ") + bad), o = {}, error) && !error.empty())
            << bad;
    }
    // A memory word too long, the serial number (not memory), a bad digit.
    for (const char* text : {"0BB8 12345", "30=0001", "0bb8 G"})
        EXPECT_FALSE(ParseSimMemory(text, o.config, error)) << text;
    EXPECT_FALSE(FillSimPreset("time", 36, SimDateTime{}, o.config, error));
    EXPECT_EQ(error, "at most 35 records hold these items");
    ASSERT_TRUE(ParseSimOptions(split("--link x --fault off"), o = {}, error)) << error;
    EXPECT_TRUE(!o.config.powered && o.config.faults.empty()) << "off is a state, not a fault";
}
