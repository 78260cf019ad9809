// rm42ctl record end to end: the real executable against rm42-sim on a pseudo-terminal, with the
// recording printed, written as CSV and as the report with its graph picture.

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

    const std::string log = ReadFileBytes(Log());
    const std::regex write("> 9200([0-9A-F]{4})");
    std::string writes;
    for (std::sregex_iterator it(log.begin(), log.end(), write), end; it != end; ++it)
        writes += (*it)[1].str() + " ";
    EXPECT_EQ(writes, "FCC4 FC04 ");
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

} // namespace
