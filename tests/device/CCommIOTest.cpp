#include "device/CCommIO.h"
#include "app/AppState.h"
#include "support/FakeClock.h"
#include "support/ScriptedSerialPort.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class CCommIOTest : public ::testing::Test {
protected:
    CCommIOTest()
    {
        app.iniPath = dir.File("rm42meter.ini");
        app.exeDir = dir.Path();
        app.clock = &clock;
        app.ports = &line;
    }

    void WriteIni(const std::string& text) { WriteFileBytes(app.iniPath, text); }

    // Opens the link and forgets the pause of the open, so tests see only their own pauses.
    void OpenLink()
    {
        ASSERT_TRUE(link.Open());
        clock.sleeps.clear();
    }

    TempDir dir;
    FakeClock clock;
    ScriptedLine line{clock};
    AppState app;
    CCommIO link{app};
    std::string reply;
    int length = -1;
};

// --- hexadecimal fields -------------------------------------------------------------------

TEST(HexToIntTest, DecodesFieldsIncludingTheProgramsOddCases)
{
    struct Case {
        const char* text;
        int count;
        int expected;
    };
    const Case cases[] = {
        {"00FF", 4, 255},
        {"7FFF", 4, 32767},
        {"FC04", 4, 0xFC04},
        {"1234", 2, 0x12},     // only the first count characters
        {"000a", 4, 'a'},      // lower case is not a digit: its code times weight 1
        {"00a0", 4, 'a' * 16}, // ... and times 16 one place further left
        {"G", 1, 'G'},
        {"12", 4, 0x1200}, // missing characters add nothing
        {"", 4, 0},
        {"FFFF", 0, 0},
        {"FFFF", -3, 0},
        {"FFFFFFFF", 8, -1}, // eight digits wrap into the sign
        {"075BCD15", 8, 123456789},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HexToInt(c.text, c.count), c.expected) << '"' << c.text << "\" count " << c.count;
    }
}

TEST(ReplyHexTest, DropsTheLastTwoCharactersAndNeverReadsPastTheText)
{
    struct Case {
        const char* reply;
        int count;
        int offset;
        int expected;
    };
    const Case cases[] = {
        {"001234XY", 4, 2, 4660},
        {"0BB8xx", 4, 0, 3000},
        {"00123", 4, 2, 0x1000}, // one digit left after the cut: the rest counts as nothing
        {"0012", 4, 2, 0},       // offset at the cut
        {"0012", 4, 9, 0},       // offset beyond the text
        {"0012", 4, -1, 0},
        {"AB", 2, 0, 0}, // nothing left after the cut
        {"X", 4, 0, 0},
        {"", 4, 0, 0},
        {"1234567801", 8, 0, 0x12345678},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReplyHex(c.reply, c.count, c.offset), c.expected)
            << '"' << c.reply << "\" count " << c.count << " offset " << c.offset;
    }
}

// --- opening and closing ------------------------------------------------------------------

TEST_F(CCommIOTest, OpenTakesEveryLineSettingFromTheIniAndPausesAfterPurging)
{
    WriteIni("[ComPort]\nPort=/dev/ttyRM\nBps=19200\nDataBits=7\nParity=2\nStopBit=0\n"
             "ReceiveTimeOut=1234\nSendTimeOut=4321\nCommandWait1=7\nCommandWait2=9\n");
    ASSERT_TRUE(link.Open());
    EXPECT_TRUE(link.IsOpen());

    const std::vector<SerialSettings> opens = line.Opens();
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_EQ(opens[0].device, "/dev/ttyRM");
    EXPECT_EQ(opens[0].baud, 19200u);
    EXPECT_EQ(opens[0].byteSize, 7);
    EXPECT_EQ(opens[0].parity, 2);
    EXPECT_EQ(opens[0].stopBits, 0);
    EXPECT_EQ(opens[0].readTimeoutMs, 1234u);
    EXPECT_EQ(opens[0].writeTimeoutMs, 4321u);
    EXPECT_EQ(line.Purges(), 1);
    EXPECT_EQ(clock.sleeps, std::vector<uint32_t>{200});

    // The command pauses come from the same section.
    clock.sleeps.clear();
    line.Respond("91", "9100FC0400");
    line.Respond("92", "92");
    ASSERT_EQ(link.Transact("9100", reply, length), COMM_OK);
    ASSERT_EQ(link.Transact("9200FC04", reply, length), COMM_OK);
    EXPECT_EQ(clock.sleeps, (std::vector<uint32_t>{7, 9}));
}

TEST_F(CCommIOTest, OpenWithoutAnIniUsesTheDefaults)
{
    ASSERT_TRUE(link.Open());
    const SerialSettings s = line.Opens().at(0);
    EXPECT_EQ(s.device, "COM4");
    EXPECT_EQ(s.baud, 9600u);
    EXPECT_EQ(s.byteSize, 8);
    EXPECT_EQ(s.parity, 0);
    EXPECT_EQ(s.stopBits, 1);
    EXPECT_EQ(s.readTimeoutMs, 30000u);
    EXPECT_EQ(s.writeTimeoutMs, 30000u);
}

TEST_F(CCommIOTest, OpenOnAnOpenLinkFailsAndLeavesThePortAlone)
{
    OpenLink();
    line.Feed("DA");
    EXPECT_FALSE(link.Open());
    EXPECT_TRUE(link.IsOpen());
    EXPECT_EQ(line.OpenAttempts(), 1);
    EXPECT_EQ(line.Purges(), 1);
    EXPECT_EQ(line.QueuedNow(), 2u); // nothing purged
    EXPECT_TRUE(clock.sleeps.empty());

    line.Respond("DA", "DAOK");
    EXPECT_EQ(link.Transact("DA", reply, length), COMM_OK);
    EXPECT_EQ(reply, "OK");
}

TEST_F(CCommIOTest, FailedOpenOrPurgeLeavesTheLinkClosed)
{
    line.failOpens = 1;
    EXPECT_FALSE(link.Open());
    EXPECT_FALSE(link.IsOpen());
    EXPECT_TRUE(clock.sleeps.empty());

    line.failPurge = true;
    EXPECT_FALSE(link.Open());
    EXPECT_FALSE(link.IsOpen());
    EXPECT_FALSE(line.AnyPortOpen());
    EXPECT_EQ(line.Closes(), 1);
    EXPECT_TRUE(clock.sleeps.empty());

    line.failPurge = false;
    EXPECT_TRUE(link.Open()); // and it can be opened again
}

TEST_F(CCommIOTest, OpenWithoutAPortFactoryFails)
{
    app.ports = nullptr;
    EXPECT_FALSE(link.Open());
    EXPECT_FALSE(link.IsOpen());
}

TEST_F(CCommIOTest, CloseReportsWhetherThereWasAPortAndThePlatformsAnswer)
{
    EXPECT_FALSE(link.Close());
    OpenLink();
    EXPECT_TRUE(link.Close());
    EXPECT_FALSE(link.IsOpen());
    EXPECT_FALSE(link.Close());

    OpenLink();
    line.failClose = true;
    EXPECT_FALSE(link.Close());
    EXPECT_FALSE(link.IsOpen());
    EXPECT_FALSE(line.AnyPortOpen());
}

TEST_F(CCommIOTest, DestroyingAnOpenLinkClosesThePort)
{
    {
        CCommIO other(app);
        ASSERT_TRUE(other.Open());
        EXPECT_TRUE(line.AnyPortOpen());
    }
    EXPECT_FALSE(line.AnyPortOpen());
    EXPECT_EQ(line.Closes(), 1);
}

TEST_F(CCommIOTest, PurgeFailureClosesTheLink)
{
    EXPECT_FALSE(link.Purge());
    OpenLink();
    EXPECT_TRUE(link.Purge());
    line.failPurge = true;
    EXPECT_FALSE(link.Purge());
    EXPECT_FALSE(link.IsOpen());
}

// --- sending ------------------------------------------------------------------------------

TEST_F(CCommIOTest, SendWritesTheCommandWithCrLfAfterDiscardingStaleInput)
{
    OpenLink();
    line.Feed("2F0BB8\r\n");
    EXPECT_EQ(link.Send("9100"), COMM_OK);
    EXPECT_EQ(line.Written(), "9100\r\n");
    EXPECT_EQ(line.QueuedNow(), 0u);
    EXPECT_EQ(line.Purges(), 2);
}

TEST_F(CCommIOTest, SendChecksTheModemLinesAndTheWrite)
{
    struct Case {
        bool open, cts, dsr, writeFails;
        CommStatus expected;
        bool written;
    };
    const Case cases[] = {
        {false, true, true, false, COMM_NOT_CONNECTED, false},
        {true, false, false, false, COMM_NOT_CONNECTED, false}, // unplugged or switched off
        {true, true, false, false, COMM_OK, true},
        {true, false, true, false, COMM_OK, true},
        {true, true, true, true, COMM_IO_ERROR, false},
    };
    for (const Case& c : cases) {
        FakeClock caseClock;
        ScriptedLine caseLine(caseClock);
        AppState caseApp;
        caseApp.iniPath = app.iniPath;
        caseApp.clock = &caseClock;
        caseApp.ports = &caseLine;
        CCommIO caseLink(caseApp);
        if (c.open) {
            ASSERT_TRUE(caseLink.Open());
        }
        caseLine.cts = c.cts;
        caseLine.dsr = c.dsr;
        caseLine.failWrite = c.writeFails;
        EXPECT_EQ(caseLink.Send("DA"), c.expected) << c.open << c.cts << c.dsr << c.writeFails;
        EXPECT_EQ(caseLine.Written(), c.written ? "DA\r\n" : "");
    }
}

TEST_F(CCommIOTest, SendCutsAnOverlongCommandToTheBuffer)
{
    OpenLink();
    EXPECT_EQ(link.Send(std::string(2000, 'A')), COMM_OK);
    EXPECT_EQ(line.Written(), std::string(1021, 'A') + "\r\n");
}

TEST_F(CCommIOTest, SendWhosePurgeFailsReportsNotConnected)
{
    OpenLink();
    line.failPurge = true;
    EXPECT_EQ(link.Send("DA"), COMM_NOT_CONNECTED);
    EXPECT_EQ(line.Written(), "");
    EXPECT_FALSE(link.IsOpen());
}

// --- receiving ----------------------------------------------------------------------------

TEST_F(CCommIOTest, ReceiveOnAClosedLinkIsNotConnected)
{
    reply = "stale";
    EXPECT_EQ(link.Receive(reply, length, 150, 5000), COMM_NOT_CONNECTED);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(reply, "");
    EXPECT_TRUE(clock.sleeps.empty());
}

TEST_F(CCommIOTest, ReceiveJoinsALineSplitOverSeveralReadsAndWaitsOnlyUntilItsEnd)
{
    OpenLink();
    line.Feed("DA", 100);
    line.Feed("O", 200);
    line.Feed("K\r\n", 300);
    const uint64_t start = clock.TickMs();
    ASSERT_EQ(link.Receive(reply, length, 150, 5000), COMM_OK);
    EXPECT_EQ(reply, "DAOK");
    EXPECT_EQ(length, 4);
    // Taken the moment its CR arrives; the wait itself delays nothing.
    EXPECT_EQ(clock.TickMs() - start, 300u);
    EXPECT_TRUE(clock.sleeps.empty());
}

TEST_F(CCommIOTest, ReceiveSkipsLineEndsLeftByThePreviousLine)
{
    OpenLink();
    line.Feed("\n\r\nABC\r\n");
    ASSERT_EQ(link.Receive(reply, length, 0, 5000), COMM_OK);
    EXPECT_EQ(reply, "ABC");
    EXPECT_EQ(length, 3);
}

TEST_F(CCommIOTest, ReceiveDropsWhatFollowsTheCrButCountsIt)
{
    OpenLink();
    line.Feed("DAOK\r\n2F0BB8");
    ASSERT_EQ(link.Receive(reply, length, 150, 5000), COMM_OK);
    EXPECT_EQ(reply, "DAOK");
    EXPECT_EQ(length, 10); // 12 bytes read, CR LF taken off
    EXPECT_EQ(line.QueuedNow(), 0u);
}

TEST_F(CCommIOTest, ReceiveTimesOutAfterExactlyTheTimeOut)
{
    OpenLink();
    line.Feed("DAO"); // never ends
    const uint64_t start = clock.TickMs();
    reply = "stale";
    EXPECT_EQ(link.Receive(reply, length, 150, 5000), COMM_TIMEOUT);
    EXPECT_EQ(clock.TickMs() - start, 5000u);
    EXPECT_EQ(reply, "");
    EXPECT_EQ(length, 0);
}

TEST_F(CCommIOTest, AReplyAlreadyThereIsTakenAtOnceAndALateOneIsLeftForTheNextCall)
{
    OpenLink();
    line.Feed("DAOK\r\n");
    uint64_t start = clock.TickMs();
    EXPECT_EQ(link.Receive(reply, length, 150, 5000), COMM_OK);
    EXPECT_EQ(reply, "DAOK");
    EXPECT_EQ(clock.TickMs(), start);

    line.Feed("81OK\r\n", 100);
    start = clock.TickMs();
    EXPECT_EQ(link.Receive(reply, length, 150, 50), COMM_TIMEOUT);
    EXPECT_EQ(clock.TickMs() - start, 50u);
    EXPECT_EQ(link.Receive(reply, length, 150, 5000), COMM_OK);
    EXPECT_EQ(reply, "81OK");
}

TEST_F(CCommIOTest, OverflowingChunkWithAWaitEndsWithWhatCameBefore)
{
    OpenLink();
    line.Feed(std::string(100, 'X'), 0);
    line.Feed(std::string(1000, 'Y'), 200);
    line.Feed("\r\n", 300);
    ASSERT_EQ(link.Receive(reply, length, 150, 5000), COMM_OK);
    EXPECT_EQ(reply, std::string(100, 'X'));
    EXPECT_EQ(length, 100); // no CR was seen

    // A first chunk too long for the buffer leaves nothing: no reply.
    line.Feed(std::string(1100, 'Z'), 10);
    EXPECT_EQ(link.Receive(reply, length, 150, 5000), COMM_NO_REPLY);
    EXPECT_EQ(length, 0);
}

TEST_F(CCommIOTest, OverflowingChunkWithoutAWaitIsDroppedAndPollingGoesOn)
{
    OpenLink();
    line.Feed(std::string(100, 'X'), 0);
    line.Feed(std::string(1000, 'Y'), 10);
    line.Feed("Z\r\n", 20);
    ASSERT_EQ(link.Receive(reply, length, 0, 5000), COMM_OK);
    EXPECT_EQ(reply, std::string(100, 'X') + "Z");
}

TEST_F(CCommIOTest, ReceiveFailsWithIoErrorWhenThePortDoes)
{
    struct Case {
        const char* what;
        bool ScriptedLine::*flag;
    };
    const Case cases[] = {{"queued", &ScriptedLine::failQueued}, {"read", &ScriptedLine::failRead}};
    for (const Case& c : cases) {
        ScriptedLine caseLine(clock);
        app.ports = &caseLine;
        CCommIO caseLink(app);
        ASSERT_TRUE(caseLink.Open());
        caseLine.Feed("DAOK\r\n");
        caseLine.*c.flag = true;
        EXPECT_EQ(caseLink.Receive(reply, length, 150, 5000), COMM_IO_ERROR) << c.what;
        EXPECT_EQ(length, 0) << c.what;
    }
}

TEST_F(CCommIOTest, ReceiveNowTakesWhatIsQueuedWithoutWaiting)
{
    EXPECT_EQ(link.ReceiveNow(reply, length), COMM_NOT_CONNECTED);
    OpenLink();
    EXPECT_EQ(link.ReceiveNow(reply, length), COMM_NO_REPLY);
    EXPECT_EQ(length, 0);

    line.Feed("2F0BB8000000000BA2\r\n2F");
    ASSERT_EQ(link.ReceiveNow(reply, length), COMM_OK);
    EXPECT_EQ(reply, "2F0BB8000000000BA2\r\n2F"); // as it came, line ends and all
    EXPECT_EQ(length, 22);

    line.Feed(std::string(1500, 'A'));
    ASSERT_EQ(link.ReceiveNow(reply, length), COMM_OK);
    EXPECT_EQ(length, 1023);
    ASSERT_EQ(link.ReceiveNow(reply, length), COMM_OK);
    EXPECT_EQ(length, 477);
    EXPECT_TRUE(clock.sleeps.empty());

    line.Feed("X");
    line.failRead = true;
    EXPECT_EQ(link.ReceiveNow(reply, length), COMM_IO_ERROR);
}

// --- transactions -------------------------------------------------------------------------

TEST_F(CCommIOTest, TransactReturnsTheReplyAfterTheEcho)
{
    OpenLink();
    line.Respond("9130", "9130075B00");
    ASSERT_EQ(link.Transact("9130", reply, length), COMM_OK);
    EXPECT_EQ(reply, "30075B00");
    EXPECT_EQ(length, 8);
    EXPECT_EQ(line.Commands(), std::vector<std::string>{"9130"});
}

TEST_F(CCommIOTest, TransactDropsLinesWithAnotherCode)
{
    OpenLink();
    // A register reply left over, then a streamed temperature line, then the answer.
    line.RespondWith("DA", {{"9100FC0400\r\n", 0}, {"2F0BB8000000000BA2\r\n", 400}, {"DAOK\r\n", 400}});
    const uint64_t start = clock.TickMs();
    ASSERT_EQ(link.Transact("DA", reply, length), COMM_OK);
    EXPECT_EQ(reply, "OK");
    EXPECT_EQ(length, 2);
    // Each line is taken as it arrives: the answer at 800, then the pause.
    EXPECT_EQ(clock.sleeps, (std::vector<uint32_t>{40}));
    EXPECT_EQ(clock.TickMs() - start, 800u + 40u);
}

TEST_F(CCommIOTest, TransactFindsItsLineAfterALineEndSplitFromTheDroppedLine)
{
    OpenLink();
    line.RespondWith("DA", {{"9100FC0400\r", 0}, {"\nDAOK\r\n", 200}});
    ASSERT_EQ(link.Transact("DA", reply, length), COMM_OK);
    EXPECT_EQ(reply, "OK");
}

TEST_F(CCommIOTest, TransactGivesEachDroppedLineAFreshTimeOut)
{
    OpenLink();
    line.RespondWith("DA", {{"2F0BB8\r\n", 0}, {"2F0BB8\r\n", 4000}, {"DAOK\r\n", 4000}});
    EXPECT_EQ(link.Transact("DA", reply, length), COMM_OK); // 8000 ms in all, no line later than 5000
}

TEST_F(CCommIOTest, TransactFindsItsAnswerInTheSameReadAsADroppedLine)
{
    OpenLink();
    line.Respond("DA", "2F0BB8000000000BA2\r\nDAOK");
    ASSERT_EQ(link.Transact("DA", reply, length), COMM_OK);
    EXPECT_EQ(reply, "OK");
    EXPECT_EQ(clock.sleeps, (std::vector<uint32_t>{40}));
}

TEST_F(CCommIOTest, AnEndlessStreamWithoutAnAnswerEndsAfterTheTimeOut)
{
    OpenLink();
    for (uint32_t at = 0; at < 20000; at += 50) {
        line.Feed("2F0BB8000000000BA2\r\n", at);
    }
    const uint64_t start = clock.TickMs();
    EXPECT_EQ(link.Transact("DA", reply, length), COMM_TIMEOUT);
    EXPECT_EQ(reply, "");
    // The line that arrives when the time-out has passed since the command is the last one
    // taken; then the pause.
    EXPECT_EQ(clock.sleeps, (std::vector<uint32_t>{40}));
    EXPECT_EQ(clock.TickMs() - start, 5000u + 40u);
}

TEST_F(CCommIOTest, TransactPausesLongerAfterARegisterWrite)
{
    OpenLink();
    line.Respond("92", "92");
    line.Respond("91", "9100FC0400");
    line.Respond("81", "81");
    ASSERT_EQ(link.Transact("9200FC04", reply, length), COMM_OK);
    EXPECT_EQ(reply, "");
    EXPECT_EQ(length, 0);
    ASSERT_EQ(link.Transact("9100", reply, length), COMM_OK);
    ASSERT_EQ(link.Transact("81", reply, length), COMM_OK);
    EXPECT_EQ(clock.sleeps, (std::vector<uint32_t>{500, 40, 40}));
}

TEST_F(CCommIOTest, SilenceTimesOutAfterExactlyTheTimeOutAndStillPauses)
{
    OpenLink();
    const uint64_t start = clock.TickMs();
    reply = "stale";
    EXPECT_EQ(link.Transact("DA", reply, length), COMM_TIMEOUT);
    EXPECT_EQ(reply, "");
    EXPECT_EQ(length, 0);
    EXPECT_EQ(clock.TickMs() - start, 5000u + 40u);
    EXPECT_EQ(clock.sleeps, (std::vector<uint32_t>{40}));
}

TEST_F(CCommIOTest, RepliesWithoutTheEchoAreNotAnswers)
{
    struct Case {
        const char* answer;
        CommStatus expected;
        const char* reply;
    };
    const Case cases[] = {
        {"OK", COMM_TIMEOUT, ""}, // code missing
        {"D", COMM_TIMEOUT, ""},  // too short to carry the code
        {"da", COMM_TIMEOUT, ""}, // codes are upper case
        {"DA", COMM_OK, ""},      // the code alone: an empty reply
        {"DANG", COMM_OK, "NG"},
    };
    for (const Case& c : cases) {
        ScriptedLine caseLine(clock);
        app.ports = &caseLine;
        CCommIO caseLink(app);
        ASSERT_TRUE(caseLink.Open());
        caseLine.Respond("DA", c.answer);
        EXPECT_EQ(caseLink.Transact("DA", reply, length), c.expected) << c.answer;
        EXPECT_EQ(reply, c.reply) << c.answer;
    }
}

TEST_F(CCommIOTest, TransactReturnsSendFailuresAtOnceWithoutPausing)
{
    reply = "untouched";
    length = 77;
    EXPECT_EQ(link.Transact("DA", reply, length), COMM_NOT_CONNECTED);
    OpenLink();
    line.cts = line.dsr = false;
    EXPECT_EQ(link.Transact("DA", reply, length), COMM_NOT_CONNECTED);
    line.cts = true;
    line.failWrite = true;
    EXPECT_EQ(link.Transact("DA", reply, length), COMM_IO_ERROR);
    EXPECT_EQ(reply, "untouched");
    EXPECT_EQ(length, 77);
    EXPECT_TRUE(clock.sleeps.empty());
}

TEST_F(CCommIOTest, HangUpMidTransactionIsAnIoErrorAndTheCallerCloses)
{
    OpenLink();
    line.RespondWith("DA", {{"DA", 0}, {"", 300, true}});
    EXPECT_EQ(link.Transact("DA", reply, length), COMM_IO_ERROR);
    EXPECT_EQ(reply, "");
    EXPECT_TRUE(link.IsOpen());
    EXPECT_EQ(clock.sleeps, (std::vector<uint32_t>{40}));
    EXPECT_EQ(link.Send("DA"), COMM_IO_ERROR);
    EXPECT_TRUE(link.Close());
    EXPECT_FALSE(line.AnyPortOpen());
}

} // namespace
