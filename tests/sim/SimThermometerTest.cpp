#include <gtest/gtest.h>

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

const SerialSettings kSettings{"sim", 9600, 8, 0, 0, 5000, 5000};

std::vector<std::string> Split(const std::string& text)
{
    std::istringstream in(text);
    return {std::istream_iterator<std::string>(in), {}};
}

// A thermometer on an in-process line under virtual time; its clock starts at 15:30:10 on 1 March
// 2026.
struct Bench {
    Bench()
        : device((config.useHostClock = false, config.clockStart = SimDateTime{2026, 3, 1, 15, 30, 10},
                  config.recordCount = 3, config.memoryWords = {0x0BB8}, config),
                 clock),
          factory(MakeSimPortFactory(device, clock)), port(factory->Create())
    {
        EXPECT_TRUE(port->Open(kSettings));
    }
    // The reply to a command: the next line (CR LF included) within 5 s of virtual time.
    std::string Ask(const std::string& command)
    {
        EXPECT_TRUE(port->Write((command + "\r\n").data(), command.size() + 2));
        for (const uint64_t end = clock.TickMs() + 5000; pending.find("\r\n") == std::string::npos;) {
            char buf[2048];
            std::size_t got = 0;
            const uint64_t now = clock.TickMs();
            if (now >= end || port->Read(buf, sizeof buf, got, uint32_t(end - now)) != WaitResult::Ready)
                return {};
            pending.append(buf, got);
        }
        const std::string line = pending.substr(0, pending.find("\r\n") + 2);
        pending.erase(0, line.size());
        return line;
    }
    // Sends each "command>reply" of the table and expects the reply as the next line.
    void Expect(const std::string& table)
    {
        for (const std::string& pair : Split(table)) {
            const std::string command = pair.substr(0, pair.find('>'));
            EXPECT_EQ(Ask(command), pair.substr(command.size() + 1) + "\r\n") << "command " << command;
        }
    }

    SimConfig config;
    FakeClock clock;
    SimThermometer device;
    std::unique_ptr<SerialPortFactory> factory;
    std::unique_ptr<SerialPort> port;
    std::string pending;
};

} // namespace

TEST(SimThermometerCommands, AnswersByteForByteGuardsCheckModeAndKeepsItsClock)
{
    Bench b;
    // Outside check mode register access and setting the clock are refused. Then the serial number
    // 123456789 = 0x075BCD15, registers, memory words (43 is empty), the clock, the emissivity and
    // a reading: 25.0 degC target, 23.0 degC room. Malformed: lower case, no address, no such
    // register or memory word, a short value, the read-only serial number, arguments where none
    // belong, unknown code, an overlong line. Last, writes in check mode, and leaving it with 81.
    b.Expect("9100>91NGFF 9200FC04>92NG00 23000000>23NGFA 24010307D5>24NGFB DA>DAOK1F 9130>9130075BAB "
             "9131>9131CD15BB 9100>910000008A 9114>911403B6AA 9140>9140000391 9142>91420BB8BC "
             "9143>9143FFFFE9 22>220A1E0F0103141A5C 14>140B9242 2F>2F0BA60000000B925E 91ZZ>91NGFF "
             "91ff>91NGFF 91>91NGFF 9120>91NGFF 91142>91NGFF 91003>91NGFF 9200FC0>92NG00 92301234>92NG00 "
             "2F00>2FNG0D 1400>14NGFA DAXX>DANG1A 77>77NG03 91" +
             std::string(1500, '0') + ">91NGFF " + "9200FC04>92OK05 9242ABCD>92OK05 81>81OK03 9100>91NGFF");
    EXPECT_EQ(std::tuple(b.device.Register(0x00), b.device.Register(0x42)), std::tuple(0xFC04, 0xABCD));
    // 15:31:11. Refused: second 60, hour 24, lower case, too short; 29 February 2025, day 0, month
    // 13. Accepted: 29 February 2024, 23:59:59 on 31 December 2099, which then runs into 2100.
    b.clock.Advance(61000);
    b.Expect("22>220B1F0F0103141A5E DA>DAOK1F 233C0000>23NGFA 23000018>23NGFA 233b0000>23NGFA "
             "230000>23NGFA 241D0207E9>24NGFB 24000107EA>24NGFB 24010D07EA>24NGFB "
             "241D0207E8>24OK00 233B3B17>23OKFF 241F0C0833>24OK00");
    b.clock.Advance(1000);
    b.Expect("22>22000000010115000C");
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
