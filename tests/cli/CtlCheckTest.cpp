// rm42ctl end to end: the real executable against rm42-sim on a pseudo-terminal.

#include <filesystem>
#include <iterator>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "ConsoleUserInterface.h"
#include "support/CtlFixture.h"
#include "support/DataRows.h"

namespace {

using CtlCheck = CtlTest;

std::string InFolder(std::string text, const TempDir& dir) // "@" stands for the test's folder
{
    for (std::size_t at; (at = text.find('@')) != std::string::npos;)
        text.replace(at, 1, dir.Path());
    return text;
}

TEST_F(CtlCheck, ReportsTheThermometerAndSetsStatus0Once)
{
    StartSim({"--serial", "12345678", "--status0", "0000"});

    // --port wins over the INI's port.
    WriteIni("", "", dir.File("no-such-port"));
    const auto first = Ctl({"--port", Link(), "check"});
    EXPECT_EQ(std::tie(first.exitCode, first.out, first.err),
              std::tuple(0, "Serial No.: 00123450678\nType: no name\n", ""));

    // The type-name file beside the INI is CP932 on disk: "放射温度計A". The start-up check
    // asked for in the INI does not check a second time.
    WriteIni("StartUpConnectCheck=yes\r\n");
    WriteFileBytes(dir.File("hardname.rm4"),
                   "[HardName]\r\n012345678=\x95\xfa\x8e\xcb\x89\xb7\x93\x78\x8c\x76"
                   "A\r\n");
    const auto second = Ctl({"check"});
    EXPECT_EQ(std::tie(second.exitCode, second.out),
              std::tuple(0, "Serial No.: 00123450678\nType: 放射温度計A\n"));

    // The first check wrote the template's STATUS0, the second found it in place; each run checked once.
    EXPECT_EQ(std::tuple(Count(Received(), "9200"), Count(Received(), "9200FC04"), Count(Received(), "9130")),
              std::tuple(1, 1, 2));
}

TEST_F(CtlCheck, FailuresEndWithTheirMessageAndBoundedRetries)
{
    WriteIni("", "", dir.File("no-such-port"));
    WriteFileBytes(dir.File("my.settings.ini"),
                   "[System]\r\nLangage=1\r\n[ComPort]\r\nPort=" + dir.File("no-such-port") + "\r\n");
    for (const std::string thermometer : {"none", "refusing", "off"}) {
        if (thermometer != "none") StartSim({"--fault", thermometer == "off" ? "off" : "ng:DA"});
        if (thermometer == "refusing") WriteIni("Langage=1\r\n");
        std::vector<CtlRow> rows;
        for (std::vector<std::string> row : DataRows("cli/check_failures.txt")) {
            row.resize(6);
            std::istringstream in(InFolder(row[1], dir));
            const std::vector<std::string> args{std::istream_iterator<std::string>(in), {}};
            if (row[0] == thermometer)
                rows.push_back({args, std::stoi(row[2]), row[3], row[4], "", std::stoul(row[5])});
        }
        ASSERT_FALSE(rows.empty()) << thermometer;
        Expect(rows, thermometer == "refusing" ? 10000 : 60000);
    }
}

TEST_F(CtlCheck, ACopyOfTheRunnableFolderRunsWhereItLands)
{
    // The shipped INI names the simulator's link relative to its own folder, so scripts/run
    // starts the simulator in the copy and rm42ctl finds it there.
    const std::string bin = dir.File("elsewhere/bin");
    std::filesystem::create_directories(bin);
    for (const char* name : {"rm42ctl", "rm42-sim"})
        std::filesystem::copy_file(RunnableDir() + name, bin + "/" + name);
    const auto source = [](const std::string& file) {
        return std::filesystem::path(TestDataPath("../../" + file)).lexically_normal().string();
    };
    std::filesystem::copy_file(source("src/resources/rm42meter.ini.in"), bin + "/rm42meter.ini");
    const auto r = RunProcess(
        {"/usr/bin/env", "RM42_BIN_DIR=" + bin, "/bin/bash", source("scripts/run"), "--console"}, 60000);
    EXPECT_EQ(std::tuple(r.exitCode, Count(r.out, "thermometer simulator on " + bin + "/rm42-sim.tty"),
                         Count(r.out, "Serial No.: "), std::filesystem::exists(bin + "/rm42-sim.tty")),
              std::tuple(0, 1, 1, false))
        << r.out << r.err; // the simulator stopped at the end
}

TEST(ConsoleUserInterface, ProgressLineOnlyOnATerminalAndErasedBeforeAMessageAndAtTheEnd)
{
    for (const bool terminal : {false, true}) {
        TempDir dir;
        std::FILE* out = std::fopen(dir.File("out.txt").c_str(), "w+");
        ASSERT_NE(out, nullptr);
        ConsoleUserInterface ui(false, 0, false, out, terminal);
        {
            const auto progress = ui.OpenProgress();
            progress->SetRange(3);
            progress->Step("No.1");
            ui.MessageBox("t", "c", MsgIcon::None, MsgButtons::Ok, MsgAnswer::Ok);
            progress->Step("No.2");
        }
        std::fclose(out);
        EXPECT_EQ(ReadFileBytes(dir.File("out.txt")),
                  terminal ? "\r1/3 No.1\x1b[K\r\x1b[K[c] t\n\r2/3 No.2, about 0 s left\x1b[K\r\x1b[K"
                           : "[c] t\n");
    }
}

} // namespace

// Whatever the port's settings hold, the user learns which key is wrong before the check gives
// up, and -v adds the system's own words.
TEST_F(CtlCheck, BadPortSettingsNameTheirKey)
{
    for (const std::vector<std::string>& row : DataRows("cli/bad_ports.txt")) {
        WriteFileBytes(dir.File("rm42meter.ini"), "[System]\r\nLangage=1\r\n" + InFolder(row[0], dir));
        const std::string told = InFolder(row[1], dir);
        const ProcessResult run = Ctl({"-v", "--retries", "0", "check"});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_LT(run.err.find(told), run.err.find("No Themometer Connected")) << run.err;
    }
}

// Ctrl-C ends every command at once, even in the middle of the longest pause the INI allows,
// and leaves the thermometer out of check mode.
TEST_F(CtlCheck, CtrlCEndsAnyCommandDuringItsWaitsAndLeavesCheckMode)
{
    StartSim();
    WriteFileBytes(dir.File("rm42meter.ini"),
                   "[System]\r\nLangage=1\r\n[ComPort]\r\nPort=" + Link() +
                       "\r\nStopBit=0\r\nCommandWait1=10000\r\nCommandWait2=10000\r\n");
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"check"}, {"read"}, {"settings", "show"}}) {
        for (const char* moment : {"0.5", "1.5"}) {
            SCOPED_TRACE(command[0] + " at " + moment);
            std::vector<std::string> args = Args(command);
            args.insert(args.begin(),
                        {"/usr/bin/timeout", "--foreground", "--preserve-status", "-s", "INT", moment});
            const ProcessResult run = RunProcess(args, 8000);
            EXPECT_EQ(std::tuple(run.exitCode, Count(run.err, "rm42ctl: interrupted"),
                                 Received().ends_with("81\n")),
                      std::tuple(130, 1, true))
                << run.err << Received();
        }
    }
}
