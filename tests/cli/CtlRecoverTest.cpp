// rm42ctl recover end to end: a recording killed without warning is read back from its journal.

#include <filesystem>
#include <string>
#include <vector>

#include "support/CtlFixture.h"

namespace {

using CtlRecover = CtlTest;

TEST_F(CtlRecover, AKilledRecordingComesBackWithTheValuesItPrinted)
{
    WriteIni("StartUpConnectCheck=No\r\nLangage=1\r\n");
    StartSim({"--status0", "0000", "--rate", "20", "--noise", "3"});
    const auto journals = [&] {
        std::error_code ec;
        const std::filesystem::directory_iterator entries(dir.File("state/rm42meter"), ec);
        return std::distance(begin(entries), end(entries));
    };
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
