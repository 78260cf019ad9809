// rm42ctl record writing the recording: CSV to a file, the report with its
// graph picture, and the failures, end to end against rm42-sim on a pseudo-terminal.

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/TestSupport.h"

namespace {

class CtlRecordOutput : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteFileBytes(dir.File("rm42meter.ini"),
                       "[System]\r\nStartUpConnectCheck=No\r\n[ComPort]\r\nPort=" + dir.File("sim.tty") +
                           "\r\nStopBit=0\r\nCommandWait1=0\r\nCommandWait2=0\r\n");
        ASSERT_TRUE(sim.Ready()) << sim.Error();
    }
    ProcessResult Record(std::vector<std::string> outputs)
    {
        std::vector<std::string> args = {RunnableDir() + "rm42ctl",
                                         "--ini",
                                         dir.File("rm42meter.ini"),
                                         "--lang",
                                         "en",
                                         "record",
                                         "--interval",
                                         "0.3",
                                         "--duration",
                                         "1.2"};
        args.insert(args.end(), outputs.begin(), outputs.end());
        return RunProcess(args);
    }
    void InstallTemplate()
    {
        WriteFileBytes(dir.File("templete_1(ENG).html"),
                       ReadFileBytes(RunnableDir() + "templete_1(ENG).html"));
    }

    TempDir dir;
    SimProcess sim{dir.File("sim.tty"), {"--rate", "20"}};
};

TEST_F(CtlRecordOutput, WritesTheCsvAndTheReportWithItsPicture)
{
    InstallTemplate();
    const ProcessResult run = Record({"--csv", dir.File("rec.csv"), "--report", dir.File("my rec.html")});
    ASSERT_EQ(run.exitCode, 0) << run.err;

    // The file holds what was printed while recording, with CR LF line ends.
    std::string printed = run.out;
    std::string crlf;
    for (char c : printed) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    EXPECT_EQ(ReadFileBytes(dir.File("rec.csv")), crlf);
    EXPECT_TRUE(std::regex_search(crlf, std::regex(R"(^\d{8}_\d{6}\r\n00:00:00\.000,25\.0,23\.0\r\n)")))
        << crlf;

    const std::string report = ReadFileBytes(dir.File("my rec.html"));
    EXPECT_NE(report.find("<img src=my_rec.jpg>"), std::string::npos);
    EXPECT_NE(report.find(" 25.0"), std::string::npos);
    EXPECT_EQ(report.find("__"), std::string::npos);
    const ProcessResult identify = RunProcess(
        {"/usr/bin/env", "identify", "-format", "%w %h %[jpeg:sampling-factor] %Q", dir.File("my_rec.jpg")});
    ASSERT_EQ(identify.exitCode, 0) << identify.err;
    EXPECT_EQ(identify.out, "566 375 1x1,1x1,1x1 80"); // the graph's size on the page
}

TEST_F(CtlRecordOutput, FailuresAreReportedAfterTheRecordingIsPrinted)
{
    const ProcessResult run =
        Record({"--csv", dir.File("no/such/folder/a.csv"), "--report", dir.File("r.html")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("00:00:00.000,25.0,23.0"), std::string::npos) << "the samples are not lost";
    const std::string error = "File Not Opened by File Output Error";
    EXPECT_NE(run.err.find(error), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(error, run.err.find(error) + 1), std::string::npos)
        << "twice: the CSV and the template";
    EXPECT_TRUE(std::filesystem::exists(dir.File("r.jpg"))) << "the picture stays";
    EXPECT_FALSE(std::filesystem::exists(dir.File("r.html")));
}

} // namespace
