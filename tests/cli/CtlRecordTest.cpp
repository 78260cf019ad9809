// rm42ctl record and recover end to end: the real executable against rm42-sim on a pseudo-terminal,
// with the recording printed, written as CSV and as the report with its graph picture, and a
// recording killed without warning read back from its journal.

#include <filesystem>
#include <regex>

#include "image/CJpegImage.h"
#include "support/CtlFixture.h"

namespace {

class CtlRecord : public CtlTest {
protected:
    void SetUp() override { WriteIni("StartUpConnectCheck=No\r\n"); }
};

// The formats are the writers' own; here that each output comes out, in the unit asked for, and
// that the thermometer's STATUS0 is set for the run and restored.
TEST_F(CtlRecord, PrintsEverySampleWritesTheCsvAndTheReportAndRestoresStatus0)
{
    WriteFileBytes(dir.File("templete_1(ENG).html"), ReadFileBytes(RunnableDir() + "templete_1(ENG).html"));
    StartSim({"--status0", "0000", "--rate", "20"});
    const ProcessResult run =
        Ctl({"--lang", "en", "record", "--interval", "0.3", "--duration", "2", "--fahrenheit", "--csv",
             dir.File("rec.csv"), "--report", dir.File("my rec.html")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    // 2 s at 0.3 s: the start line and six or seven samples, in degF; the CSV holds what was printed.
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_TRUE(lines.size() >= 6u && lines.size() <= 8u) << run.out;
    EXPECT_EQ(std::vector(lines.begin() + 1, lines.begin() + 3),
              (std::vector<std::string>{"00:00:00.000,77.0,73.4", "00:00:00.300,77.0,73.4"}));
    EXPECT_EQ(ReadFileBytes(dir.File("rec.csv")), std::regex_replace(run.out, std::regex("\n"), "\r\n"));
    // The report names its picture, which has the page's size.
    EXPECT_NE(ReadFileBytes(dir.File("my rec.html")).find("<img src=my_rec.jpg>"), std::string::npos);
    CJpegImage picture;
    ASSERT_TRUE(picture.LoadJpeg(dir.File("my_rec.jpg")));
    EXPECT_EQ(std::pair(picture.pixels.width, picture.pixels.height), std::pair(566, 375));

    // The STATUS0 words written: the run's, then the one restored.
    EXPECT_EQ(std::regex_replace(ReadFileBytes(Log()), std::regex("[\\s\\S]*?> 9200(....)|[\\s\\S]+"), "$1|"),
              "FCC4|FC04||");
}

TEST_F(CtlRecord, RefusesABadCommandLineAndAMissingThermometer)
{
    // clang-format off
    Expect({{{"record", "--interval", "0", "--duration", "5"}, 2, "-"}, {{"record", "--interval", "1"}, 2, "-"},
            {{"--lang", "en", "record", "--interval", "1", "--duration", "1"}, 1, "-", "No Themometer Connected"}});
    // clang-format on
}

using CtlRecover = CtlTest;

TEST_F(CtlRecover, AKilledRecordingComesBackWithTheValuesItPrinted)
{
    WriteIni("StartUpConnectCheck=No\r\nLangage=1\r\n");
    StartSim({"--status0", "0000", "--rate", "20", "--noise", "3"});
    using Entries = std::filesystem::directory_iterator;
    const auto journals = [&] { return std::distance(Entries(dir.File("state/rm42meter")), Entries()); };
    // Killed without warning after about five seconds, as a crash or a power cut would end it.
    std::vector<std::string> args = Args({"record", "--interval", "0.1", "--duration", "60"});
    args.insert(args.begin(), {"/usr/bin/timeout", "-s", "KILL", "5"});
    const std::vector<std::string> printed = Lines(RunProcess(args, 20000).out);
    ASSERT_GE(printed.size(), 20u); // the start and a few seconds of samples
    ASSERT_EQ(journals(), 1);

    const ProcessResult recover = Ctl({"recover", "--csv", dir.File("back.csv")});
    ASSERT_EQ(recover.exitCode, 0) << recover.err;
    const std::vector<std::string> csv = Lines(ReadFileBytes(dir.File("back.csv")));
    // All but the last second (ten samples at 100 ms) of what was printed, line for line, with
    // the same start time and CR LF in the file.
    ASSERT_GE(csv.size() + 10, printed.size()) << csv.size() << " of " << printed.size();
    for (std::size_t i = 0; i < std::min(csv.size(), printed.size()); ++i)
        ASSERT_EQ(csv[i], printed[i] + "\r") << "line " << i;
    EXPECT_NE(recover.out.find("samples: " + std::to_string(csv.size() - 1)), std::string::npos)
        << recover.out;
    EXPECT_EQ(journals(), 0); // written, so removed
}

} // namespace
