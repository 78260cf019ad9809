// rm42ctl recover end to end: a recording killed without warning is read back from its journal.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/CtlFixture.h"

namespace {

class CtlRecover : public CtlTest {
protected:
    void SetUp() override { WriteIni("StartUpConnectCheck=No\r\nLangage=1\r\n"); }
    std::vector<std::string> Journals() const
    {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(dir.File("state/rm42meter"), ec))
            names.push_back(entry.path().filename().string());
        return names;
    }
};

TEST_F(CtlRecover, AKilledRecordingComesBackWithTheValuesItPrinted)
{
    StartSim({"--status0", "0000", "--rate", "20", "--noise", "3"});

    // Nothing to recover yet: a clear message, no outputs.
    const ProcessResult none = Ctl({"recover", "--csv", dir.File("none.csv")});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_NE(none.err.find("No recording to recover"), std::string::npos) << none.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("none.csv")));

    // Killed without warning after about five seconds, as a crash or a power cut would end it.
    std::vector<std::string> args = Args({"record", "--interval", "0.1", "--duration", "60"});
    args.insert(args.begin(), {"/usr/bin/timeout", "-s", "KILL", "5"});
    const ProcessResult record = RunProcess(args, 20000);
    const std::vector<std::string> printed = Lines(record.out);
    ASSERT_GE(printed.size(), 20u) << record.err; // the start and a few seconds of samples
    ASSERT_EQ(Journals().size(), 1u);

    // Without outputs the recording is only described; the journal stays.
    const ProcessResult look = Ctl({"recover"});
    ASSERT_EQ(look.exitCode, 0) << look.err;
    EXPECT_NE(look.out.find("interval: 0.1 s"), std::string::npos) << look.out;
    ASSERT_EQ(Journals().size(), 1u);

    const ProcessResult recover = Ctl({"recover", "--csv", dir.File("back.csv")});
    ASSERT_EQ(recover.exitCode, 0) << recover.err;
    const std::vector<std::string> csv = Lines(ReadFileBytes(dir.File("back.csv")));
    ASSERT_FALSE(csv.empty());
    EXPECT_EQ(csv[0], printed[0] + "\r"); // the same start time, CR LF in the file
    // All but the last second (ten samples at 100 ms) of what was printed, line for line.
    ASSERT_GE(csv.size() + 10, printed.size()) << csv.size() << " of " << printed.size();
    const std::size_t common = std::min(csv.size(), printed.size());
    for (std::size_t i = 1; i < common; ++i)
        ASSERT_EQ(csv[i], printed[i] + "\r") << "sample " << i;
    EXPECT_NE(recover.out.find("samples: " + std::to_string(csv.size() - 1)), std::string::npos)
        << recover.out;
    EXPECT_TRUE(Journals().empty()); // written, so removed

    const ProcessResult again = Ctl({"recover"});
    EXPECT_EQ(again.exitCode, 1);
}

TEST_F(CtlRecover, AnUnwritableOutputKeepsTheJournal)
{
    StartSim({"--status0", "0000", "--rate", "20"});
    // A recording that paused at its end keeps its journal until it is saved.
    const ProcessResult record = Ctl({"record", "--interval", "0.2", "--duration", "1"});
    ASSERT_EQ(record.exitCode, 0) << record.err;
    ASSERT_EQ(Journals().size(), 1u);

    const ProcessResult bad = Ctl({"recover", "--csv", dir.File("missing/folder/out.csv")});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_EQ(Journals().size(), 1u);

    // A damaged journal is refused with a message, never read as a recording.
    const std::string path = dir.File("state/rm42meter/") + Journals()[0];
    WriteFileBytes(path, "RM42JRN1 but nothing else");
    const ProcessResult damaged = Ctl({"recover", "--csv", dir.File("out.csv")});
    EXPECT_EQ(damaged.exitCode, 1);
    EXPECT_NE(damaged.err.find("not a recording journal"), std::string::npos) << damaged.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.csv")));
}

TEST_F(CtlRecover, ARecordingWithoutAJournalSaysSoOnce)
{
    StartSim({"--status0", "0000", "--rate", "20"});
    WriteFileBytes(dir.File("state"), "a file where the state folder should be");
    const ProcessResult record = Ctl({"record", "--interval", "0.2", "--duration", "1"});
    EXPECT_EQ(record.exitCode, 0) << record.err;
    const std::string warning = "Cannot write the recording journal";
    const std::size_t at = record.err.find(warning);
    EXPECT_NE(at, std::string::npos) << record.err;
    EXPECT_EQ(record.err.find(warning, at + 1), std::string::npos) << record.err;
}

} // namespace
