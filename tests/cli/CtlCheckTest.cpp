// rm42ctl end to end: the real executable against rm42-sim on a pseudo-terminal.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ConsoleUserInterface.h"
#include "support/ChildProcess.h"
#include "support/TestSupport.h"

namespace {

class CtlCheck : public ::testing::Test {
protected:
    void WriteIni(const std::string& port, const std::string& system = "") const
    {
        WriteFileBytes(dir.File("rm42meter.ini"),
                       "[System]\r\n" + system + "[ComPort]\r\nPort=" + port +
                           "\r\nStopBit=0\r\nCommandWait1=0\r\nCommandWait2=0\r\n");
    }

    ProcessResult Ctl(std::vector<std::string> args, int timeoutMs = 60000) const
    {
        args.insert(args.begin(), {RunnableDir() + "rm42ctl", "--ini", dir.File("rm42meter.ini")});
        return RunProcess(args, timeoutMs);
    }

    std::string Link() const { return dir.File("sim.tty"); }

    TempDir dir;
};

TEST_F(CtlCheck, ReportsSerialAndUnregisteredTypeName)
{
    SimProcess sim(Link(), {"--serial", "123456789"});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    WriteIni(Link());
    const auto r = Ctl({"check"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Serial No.: 01234560789\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Type: no name\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "");
}

TEST_F(CtlCheck, FindsRegisteredTypeNameBesideTheIni)
{
    SimProcess sim(Link(), {"--serial", "12345678"});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    WriteIni(Link());
    // "放射温度計A" in Shift_JIS: the type-name file is CP932 on disk.
    WriteFileBytes(dir.File("hardname.rm4"),
                   "[HardName]\r\n012345678=\x95\xfa\x8e\xcb\x89\xb7\x93\x78\x8c\x76"
                   "A\r\n");
    const auto r = Ctl({"check"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Serial No.: 00123450678\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Type: 放射温度計A\n"), std::string::npos) << r.out;
}

TEST_F(CtlCheck, BringsStatus0IntoTheTemplatesState)
{
    const std::string log = dir.File("sim.log");
    SimProcess sim(Link(), {"--status0", "0000", "--log", log});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    WriteIni(Link());
    const auto first = Ctl({"check"});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    // A second check finds FC04 already there and writes nothing.
    const auto second = Ctl({"check"});
    ASSERT_EQ(second.exitCode, 0) << second.err;
    sim.Stop();
    const std::string seen = ReadFileBytes(log);
    const auto write = seen.find("> 9200FC04");
    ASSERT_NE(write, std::string::npos) << seen;
    EXPECT_EQ(seen.find("> 9200", write + 1), std::string::npos) << "a second write of STATUS0:\n" << seen;
}

TEST_F(CtlCheck, NoThermometerEndsWithTheMessageInTheChosenLanguage)
{
    WriteIni(dir.File("no-such-port"));
    const auto ja = Ctl({"check"});
    EXPECT_EQ(ja.exitCode, 1);
    EXPECT_NE(ja.err.find("放射温度計が接続されていません。"), std::string::npos) << ja.err;
    EXPECT_EQ(ja.out, "");

    const auto en = Ctl({"--lang", "en", "check"});
    EXPECT_EQ(en.exitCode, 1);
    EXPECT_NE(en.err.find("No Themometer Connected"), std::string::npos) << en.err;
}

TEST_F(CtlCheck, RetriesWithYesAreBoundedSoAScriptNeverHangs)
{
    WriteIni(dir.File("no-such-port"));
    const auto r = Ctl({"--yes", "--retries", "2", "--lang", "en", "check"});
    EXPECT_EQ(r.exitCode, 1);
    size_t boxes = 0;
    for (size_t at = r.err.find("No Themometer Connected"); at != std::string::npos;
         at = r.err.find("No Themometer Connected", at + 1))
        ++boxes;
    EXPECT_EQ(boxes, 3u) << r.err; // two retries, then Cancel
}

TEST_F(CtlCheck, SwitchedOffThermometerGetsTheSwitchOnPrompt)
{
    SimProcess sim(Link(), {"--fault", "off"});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    WriteIni(Link(), "Langage=1\r\n");
    const auto r = Ctl({"check"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Switch Themometer ON then Click [OK] Button"), std::string::npos) << r.err;
}

TEST_F(CtlCheck, PortOptionOverridesTheIni)
{
    SimProcess sim(Link(), {"--serial", "5"});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    WriteIni(dir.File("no-such-port"));
    const auto r = Ctl({"--port", Link(), "check"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Serial No.: 00000000005\n"), std::string::npos) << r.out;
}

TEST_F(CtlCheck, StartUpConnectCheckOffStillChecksOnce)
{
    const std::string log = dir.File("sim.log");
    SimProcess sim(Link(), {"--serial", "7", "--log", log});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    WriteIni(Link(), "StartUpConnectCheck=yes\r\n");
    const auto r = Ctl({"check"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    sim.Stop();
    const std::string seen = ReadFileBytes(log);
    const auto first = seen.find("> 9130");
    ASSERT_NE(first, std::string::npos) << seen;
    EXPECT_EQ(seen.find("> 9130", first + 1), std::string::npos) << "checked twice:\n" << seen;
}

TEST_F(CtlCheck, MissingIniAndBadCommandLines)
{
    const auto missing = Ctl({"check"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("INIファイルがありません"), std::string::npos) << missing.err;

    WriteIni(dir.File("no-such-port"));
    EXPECT_EQ(Ctl({"frobnicate"}).exitCode, 2);
    EXPECT_EQ(Ctl({"--lang", "de", "check"}).exitCode, 2);
    EXPECT_EQ(Ctl({"--bogus", "check"}).exitCode, 2);
    EXPECT_EQ(Ctl({}).exitCode, 2);
}

TEST(ConsoleUserInterface, AnswersNegativelyUnlessToldYesAndThenOnlyALimitedNumberOfTimes)
{
    TempDir dir;
    std::FILE* out = std::fopen(dir.File("out.txt").c_str(), "w+");
    ASSERT_NE(out, nullptr);
    ConsoleUserInterface no(false, 5, false, out);
    EXPECT_EQ(no.MessageBox("t", "c", MsgIcon::Stop, MsgButtons::RetryCancel, MsgAnswer::Retry),
              MsgAnswer::Cancel);
    EXPECT_EQ(no.MessageBox("t", "c", MsgIcon::Question, MsgButtons::YesNo, MsgAnswer::Yes), MsgAnswer::No);
    EXPECT_EQ(no.MessageBox("t", "c", MsgIcon::None, MsgButtons::Ok, MsgAnswer::Ok), MsgAnswer::Ok);

    ConsoleUserInterface yes(true, 2, false, out);
    EXPECT_EQ(yes.MessageBox("t", "c", MsgIcon::Stop, MsgButtons::RetryCancel, MsgAnswer::Cancel),
              MsgAnswer::Retry);
    EXPECT_EQ(yes.MessageBox("t", "c", MsgIcon::Question, MsgButtons::OkCancel, MsgAnswer::Cancel),
              MsgAnswer::Ok);
    // Plain OK boxes do not use up the positive answers...
    EXPECT_EQ(yes.MessageBox("t", "c", MsgIcon::None, MsgButtons::Ok, MsgAnswer::Ok), MsgAnswer::Ok);
    // ...but the two questions did.
    EXPECT_EQ(yes.MessageBox("t", "c", MsgIcon::Stop, MsgButtons::RetryCancel, MsgAnswer::Retry),
              MsgAnswer::Cancel);
    std::fclose(out);
    const std::string printed = ReadFileBytes(dir.File("out.txt"));
    EXPECT_EQ(printed.substr(0, 6), "[c] t\n");
}

} // namespace
