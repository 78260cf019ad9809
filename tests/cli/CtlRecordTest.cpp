// rm42ctl record end to end: the real executable against rm42-sim on a pseudo-terminal, with the
// recording written as CSV and as the report with its graph picture, and the failures.

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "image/CJpegImage.h"
#include "support/CtlFixture.h"

namespace {

class CtlRecord : public CtlTest {
protected:
    void SetUp() override { WriteIni("StartUpConnectCheck=No\r\n"); }
    // The STATUS0 values written, in order.
    std::vector<std::string> Status0Writes() const
    {
        std::vector<std::string> writes;
        const std::string log = ReadFileBytes(Log());
        const std::regex write("> 9200([0-9A-F]{4})");
        for (auto it = std::sregex_iterator(log.begin(), log.end(), write); it != std::sregex_iterator();
             ++it)
            writes.push_back((*it)[1]);
        return writes;
    }
    // A short recording with the given outputs, from a simulator started here.
    ProcessResult Record(std::vector<std::string> outputs)
    {
        StartSim({"--rate", "20"});
        std::vector<std::string> args = {"--lang", "en", "record", "--interval", "0.3", "--duration", "1.2"};
        args.insert(args.end(), outputs.begin(), outputs.end());
        return Ctl(args);
    }
};

TEST_F(CtlRecord, PrintsOneCsvLinePerSampleAndRestoresStatus0)
{
    StartSim({"--status0", "0000", "--rate", "20"});
    const ProcessResult run = Ctl({"record", "--interval", "0.3", "--duration", "2"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_GE(lines.size(), 6u) << run.out;
    EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(\d{8}_\d{6})"))) << lines[0];
    EXPECT_EQ(lines[1], "00:00:00.000,25.0,23.0");
    EXPECT_EQ(lines[2], "00:00:00.300,25.0,23.0");
    EXPECT_EQ(lines[3].substr(0, 12), "00:00:00.600");
    EXPECT_LE(lines.size(), 9u); // 2 s at 0.3 s: seven samples at most
    EXPECT_EQ(Status0Writes(), (std::vector<std::string>{"FCC4", "FC04"}));
}

TEST_F(CtlRecord, CtrlCOrTermAtAnyMomentLeavesTheThermometerAsItWas)
{
    // The start takes about 0.8 s here: the alarm read, the start sequence, ten streamed lines.
    for (const auto& [signal, delay] : std::vector<std::pair<std::string, std::string>>{
             {"TERM", "0.1"}, {"TERM", "0.25"}, {"INT", "0.5"}, {"TERM", "0.7"}, {"INT", "2"}}) {
        SCOPED_TRACE(signal + " after " + delay + " s");
        StartSim({"--status0", "0000", "--rate", "20"});
        std::vector<std::string> args = Args({"record", "--interval", "0.5", "--duration", "60"});
        // --foreground: the signal goes to rm42ctl alone, once; without it timeout sends it to its
        // whole process group as well, and a second signal means "end at once".
        args.insert(args.begin(), {"/usr/bin/timeout", "--foreground", "-s", signal, delay});
        const ProcessResult run = RunProcess(args, 20000);
        EXPECT_EQ(run.exitCode, 124) << run.err; // ended by the signal, well before its duration
        const std::string sent = Received();
        const std::vector<std::string> writes = Status0Writes();
        EXPECT_TRUE(writes.empty() || writes == (std::vector<std::string>{"FCC4", "FC04"})) << sent;
        EXPECT_TRUE(sent.empty() || sent.ends_with("\n81\n")) << sent;
        EXPECT_TRUE(delay != "2" || Lines(run.out).size() >= 3u) << run.out;
    }
}

TEST_F(CtlRecord, RefusesABadCommandLineAndAMissingThermometer)
{
    Expect({{{"record", "--interval", "0", "--duration", "5"}, 2, "-"},
            {{"record", "--interval", "1"}, 2, "-"},
            {{"--lang", "en", "record", "--interval", "1", "--duration", "1"},
             1,
             "-",
             "No Themometer Connected"}});
}

TEST_F(CtlRecord, WritesTheCsvAndTheReportWithItsPicture)
{
    WriteFileBytes(dir.File("templete_1(ENG).html"), ReadFileBytes(RunnableDir() + "templete_1(ENG).html"));
    const ProcessResult run =
        Record({"--fahrenheit", "--csv", dir.File("rec.csv"), "--report", dir.File("my rec.html")});
    ASSERT_EQ(run.exitCode, 0) << run.err;

    // The file holds what was printed while recording, with CR LF line ends.
    std::string printed = run.out;
    std::string crlf;
    for (char c : printed) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    EXPECT_EQ(ReadFileBytes(dir.File("rec.csv")), crlf);
    EXPECT_TRUE(std::regex_search(crlf, std::regex(R"(^\d{8}_\d{6}\r\n00:00:00\.000,77\.0,73\.4\r\n)")))
        << crlf;

    // The formats are the writers' own; here only that the report, in the unit asked for, and
    // its picture at the graph's size on the page come out.
    const std::string report = ReadFileBytes(dir.File("my rec.html"));
    EXPECT_NE(report.find("<img src=my_rec.jpg>"), std::string::npos);
    EXPECT_NE(report.find(" 77.0"), std::string::npos);
    CJpegImage picture;
    ASSERT_TRUE(picture.LoadJpeg(dir.File("my_rec.jpg")));
    EXPECT_EQ(std::pair(picture.pixels.width, picture.pixels.height), std::pair(566, 375));
}

TEST_F(CtlRecord, FailuresAreReportedAfterTheRecordingIsPrinted)
{
    const ProcessResult run =
        Record({"--csv", dir.File("no/such/folder/a.csv"), "--report", dir.File("r.html")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("00:00:00.000,25.0,23.0"), std::string::npos) << "the samples are not lost";
    const std::string error = "File Not Opened by File Output Error";
    EXPECT_NE(run.err.find(error), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(error + "\n    file: " + dir.File("no/such/folder/a.csv") + "\n"),
              std::string::npos)
        << "the file it could not write is named: " << run.err;
    EXPECT_NE(run.err.find("Could not read the file " + dir.File("templete_1(ENG).html")), std::string::npos)
        << "the template is named: " << run.err;
    EXPECT_TRUE(std::filesystem::exists(dir.File("r.jpg"))) << "the picture stays";
    EXPECT_FALSE(std::filesystem::exists(dir.File("r.html")));
}

} // namespace
