// rm42ctl record end to end: the real executable against rm42-sim on a pseudo-terminal.

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/TestSupport.h"

namespace {

class CtlRecord : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A recording's journal goes to the test's own state folder.
        setenv("XDG_STATE_HOME", dir.File("state").c_str(), 1);
        WriteFileBytes(dir.File("rm42meter.ini"),
                       "[System]\r\nStartUpConnectCheck=No\r\n[ComPort]\r\nPort=" + dir.File("sim.tty") +
                           "\r\nStopBit=0\r\nCommandWait1=0\r\nCommandWait2=0\r\n");
    }
    std::vector<std::string> Ctl(std::vector<std::string> args) const
    {
        args.insert(args.begin(), {RunnableDir() + "rm42ctl", "--ini", dir.File("rm42meter.ini")});
        return args;
    }
    static std::vector<std::string> Lines(const std::string& text)
    {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    // The STATUS0 values written, in order.
    std::vector<std::string> Status0Writes() const
    {
        std::vector<std::string> writes;
        const std::string log = ReadFileBytes(dir.File("sim.log"));
        const std::regex write("> 9200([0-9A-F]{4})");
        for (auto it = std::sregex_iterator(log.begin(), log.end(), write); it != std::sregex_iterator();
             ++it)
            writes.push_back((*it)[1]);
        return writes;
    }

    TempDir dir;
};

TEST_F(CtlRecord, PrintsOneCsvLinePerSampleAndRestoresStatus0)
{
    SimProcess sim(dir.File("sim.tty"), {"--status0", "0000", "--rate", "20", "--log", dir.File("sim.log")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();

    const ProcessResult run = RunProcess(Ctl({"record", "--interval", "0.3", "--duration", "2"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_GE(lines.size(), 6u) << run.out;
    EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(\d{8}_\d{6})"))) << lines[0];
    EXPECT_EQ(lines[1], "00:00:00.000,25.0,23.0");
    EXPECT_EQ(lines[2], "00:00:00.300,25.0,23.0");
    EXPECT_EQ(lines[3].substr(0, 12), "00:00:00.600");
    EXPECT_LE(lines.size(), 9u); // 2 s at 0.3 s: seven samples at most
    EXPECT_EQ(Status0Writes(), (std::vector<std::string>{"FCC4", "FC04"}));

    const ProcessResult f =
        RunProcess(Ctl({"record", "--interval", "0.2", "--duration", "1", "--fahrenheit", "--csv", "-"}));
    ASSERT_EQ(f.exitCode, 0) << f.err;
    const std::vector<std::string> out = Lines(f.out);
    ASSERT_GE(out.size(), 4u);
    EXPECT_EQ(out[1], "00:00:00.000,77.0,73.4");
    // The saved CSV follows the live lines and holds exactly them, with CR LF line ends.
    ASSERT_EQ(out.size() % 2, 0u) << f.out;
    const std::size_t half = out.size() / 2;
    for (std::size_t i = 0; i < half; ++i) {
        EXPECT_EQ(out[half + i], out[i] + "\r") << i;
    }
}

TEST_F(CtlRecord, CtrlCPausesTheRecording)
{
    SimProcess sim(dir.File("sim.tty"), {"--status0", "0000", "--rate", "20", "--log", dir.File("sim.log")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    std::vector<std::string> args = Ctl({"record", "--interval", "0.5", "--duration", "60"});
    args.insert(args.begin(), {"/usr/bin/timeout", "-s", "INT", "2"});
    const ProcessResult run = RunProcess(args, 20000);
    EXPECT_EQ(run.exitCode, 124) << run.err; // ended by the signal, well before its duration
    EXPECT_GE(Lines(run.out).size(), 3u);
    EXPECT_EQ(Status0Writes(), (std::vector<std::string>{"FCC4", "FC04"}));
}

TEST_F(CtlRecord, RefusesABadCommandLineAndAMissingThermometer)
{
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"record", "--interval", "0", "--duration", "5"},
             {"record", "--interval", "1"},
             {"record", "--interval", "x", "--duration", "5"},
         }) {
        const ProcessResult run = RunProcess(Ctl(args));
        EXPECT_EQ(run.exitCode, 2) << args[2];
        EXPECT_TRUE(run.out.empty());
    }
    // No simulator behind the link.
    const ProcessResult run =
        RunProcess(Ctl({"--lang", "en", "record", "--interval", "1", "--duration", "1"}));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("No Themometer Connected"), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty());
}

} // namespace
