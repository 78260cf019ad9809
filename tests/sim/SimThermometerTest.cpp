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

namespace {

std::vector<std::string> Split(const std::string& text)
{
    std::istringstream in(text);
    return {std::istream_iterator<std::string>(in), {}};
}

} // namespace

TEST(SimThermometerCommands, AnswersByteForByteGuardsCheckModeAndKeepsItsClock)
{
    // A thermometer under virtual time, talked to on its side of the wire; its clock starts at
    // 15:30:10 on 1 March 2026.
    SimConfig config;
    std::tie(config.useHostClock, config.clockStart, config.recordCount, config.memoryWords) =
        std::tuple(false, SimDateTime{2026, 3, 1, 15, 30, 10}, 3, std::vector<uint16_t>{0x0BB8});
    FakeClock clock;
    SimThermometer device(config, clock);
    device.Connect();
    // Sends each "command>reply" of the table and expects the reply (CR LF ended) within 5 s.
    const auto expect = [&](const std::string& table) {
        for (const std::string& pair : Split(table)) {
            const std::string command = pair.substr(0, pair.find('>'));
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
    };
    // Outside check mode register access and setting the clock are refused. Then the serial number
    // 123456789 = 0x075BCD15, registers, memory words (43 is empty), the clock, the emissivity and
    // a reading: 25.0 degC target, 23.0 degC room. Malformed: lower case, no address, no such
    // register or memory word, a short value, the read-only serial number, arguments where none
    // belong, unknown code, an overlong line. Last, writes in check mode, and leaving it with 81.
    expect("9100>91NGFF 9200FC04>92NG00 23000000>23NGFA 24010307D5>24NGFB DA>DAOK1F 9130>9130075BAB "
           "9131>9131CD15BB 9100>910000008A 9114>911403B6AA 9140>9140000391 9142>91420BB8BC "
           "9143>9143FFFFE9 22>220A1E0F0103141A5C 14>140B9242 2F>2F0BA60000000B925E 91ZZ>91NGFF "
           "91ff>91NGFF 91>91NGFF 9120>91NGFF 91142>91NGFF 91003>91NGFF 9200FC0>92NG00 92301234>92NG00 "
           "2F00>2FNG0D 1400>14NGFA DAXX>DANG1A 77>77NG03 91" +
           std::string(1500, '0') + ">91NGFF " + "9200FC04>92OK05 9242ABCD>92OK05 81>81OK03 9100>91NGFF");
    EXPECT_EQ(std::tuple(device.Register(0x00), device.Register(0x42)), std::tuple(0xFC04, 0xABCD));
    // 15:31:11. Refused: second 60, hour 24, lower case, too short; 29 February 2025, day 0, month
    // 13. Accepted: 29 February 2024, 23:59:59 on 31 December 2099, which then runs into 2100.
    clock.Advance(61000);
    expect("22>220B1F0F0103141A5E DA>DAOK1F 233C0000>23NGFA 23000018>23NGFA 233b0000>23NGFA "
           "230000>23NGFA 241D0207E9>24NGFB 24000107EA>24NGFB 24010D07EA>24NGFB "
           "241D0207E8>24OK00 233B3B17>23OKFF 241F0C0833>24OK00");
    clock.Advance(1000);
    expect("22>22000000010115000C");
}

TEST(SimOptions, RefusesBadValuesWithAReason)
{
    SimOptions o;
    std::string error;
    // clang-format off
    for (const char* bad : {"--serial -1", "--serial 4294967296", "--rate 0", "--status0 12345",
             "--status0 ZZ", "--clock 2024-02-30", "--fault ng:DAX", "--fault ng-at:0", "--fault melt",
             "--memory /nonexistent/mem", "--memory-records 31", "--memory-preset time,heat",
             "--memory-preset time,time", "--memory-preset none:151", "--memory-preset every:x",
             "--memory-preset ,", "--target warm", "stray", "--latency", "--emissivity 1.5"}) {
        // clang-format on
        EXPECT_TRUE(!ParseSimOptions(Split(std::string("--link x ") + bad), o = {}, error) && !error.empty())
            << bad;
    }
    // A memory word too long, the serial number (not memory), a bad digit.
    for (const char* text : {"0BB8 12345", "30=0001", "0bb8 G"})
        EXPECT_FALSE(ParseSimMemory(text, o.config, error)) << text;
    EXPECT_FALSE(FillSimPreset("time", 36, SimDateTime{}, o.config, error));
    EXPECT_EQ(error, "at most 35 records hold these items");
    ASSERT_TRUE(ParseSimOptions(Split("--link x --fault off"), o = {}, error)) << error;
    EXPECT_TRUE(!o.config.powered && o.config.faults.empty()) << "off is a state, not a fault";
}
