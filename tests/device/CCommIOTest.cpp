#include "device/CCommIO.h"
#include "app/AppState.h"
#include "support/FakeClock.h"
#include "support/ScriptedSerialPort.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

using Sleeps = std::vector<uint32_t>;

// A link onto a scripted line; table cases each take a fresh one.
struct Rig {
    Rig()
    {
        app.iniPath = dir.File("rm42meter.ini");
        app.clock = &clock;
        app.ports = &line;
    }
    // Opens the link and forgets the pause of the open, so checks see only later pauses.
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

class CCommIOTest : public ::testing::Test, public Rig {};

TEST(HexFieldTest, HexToIntAndReplyHexDecodeFieldsIncludingTheOddCases)
{
    // A lower-case letter is no digit: its own code times the weight of its place. Missing
    // characters add nothing; eight digits wrap into the sign.
    const std::tuple<const char*, int, int> hex[] = {
        {"00FF", 4, 255}, {"7FFF", 4, 32767},    {"FC04", 4, 0xFC04}, {"1234", 2, 0x12},
        {"000a", 4, 'a'}, {"00a0", 4, 'a' * 16}, {"12", 4, 0x1200},   {"", 4, 0},
        {"FFFF", 0, 0},   {"FFFF", -3, 0},       {"FFFFFFFF", 8, -1}, {"075BCD15", 8, 123456789}};
    for (const auto& [text, count, expected] : hex) {
        EXPECT_EQ(HexToInt(text, count), expected) << text << " count " << count;
    }
    // The last two characters are cut before reading.
    const std::tuple<const char*, int, int, int> replies[] = {
        {"001234XY", 4, 2, 4660}, {"0BB8xx", 4, 0, 3000}, {"00123", 4, 2, 0x1000},
        {"0012", 4, 2, 0},        {"0012", 4, 9, 0},      {"0012", 4, -1, 0},
        {"AB", 2, 0, 0},          {"", 4, 0, 0},          {"1234567801", 8, 0, 0x12345678}};
    for (const auto& [reply, count, offset, expected] : replies) {
        EXPECT_EQ(ReplyHex(reply, count, offset), expected) << reply << " offset " << offset;
    }
}

TEST(CCommIOOpenTest, OpenTakesTheLineSettingsAndPausesFromTheIniOrItsDefaults)
{
    const std::tuple<const char*, SerialSettings, Sleeps> cases[] = {
        {"", {"COM4", 9600, 8, 0, 1, 30000, 30000}, {40, 500}},
        {"[ComPort]\nPort=/dev/ttyRM\nBps=19200\nDataBits=7\nParity=2\nStopBit=0\nReceiveTimeOut=1234\n"
         "SendTimeOut=4321\nCommandWait1=7\nCommandWait2=9\n",
         {"/dev/ttyRM", 19200, 7, 2, 0, 1234, 4321},
         {7, 9}}};
    const auto fields = [](const SerialSettings& s) {
        return std::tie(s.device, s.baud, s.byteSize, s.parity, s.stopBits, s.readTimeoutMs,
                        s.writeTimeoutMs);
    };
    for (const auto& [ini, settings, pauses] : cases) {
        Rig r;
        WriteFileBytes(r.app.iniPath, ini);
        r.line.Feed("stale");
        ASSERT_TRUE(r.link.Open());
        ASSERT_EQ(r.line.opens.size(), 1u);
        EXPECT_EQ(fields(r.line.opens[0]), fields(settings));
        EXPECT_EQ(r.line.QueuedNow(), 0u);
        EXPECT_EQ(r.clock.sleeps, Sleeps{200});
        // The pause after a register read, then after a register write.
        r.clock.sleeps.clear();
        r.line.Respond("91", "9100FC0400");
        r.line.Respond("92", "92");
        EXPECT_EQ(r.link.Transact("9100", r.reply, r.length), COMM_OK);
        EXPECT_EQ(r.link.Transact("9200FC04", r.reply, r.length), COMM_OK);
        EXPECT_EQ(r.clock.sleeps, pauses) << ini;
    }
}

TEST_F(CCommIOTest, OpenOnAnOpenLinkFailsAndLeavesThePortAlone)
{
    OpenLink();
    line.Feed("DA");
    EXPECT_FALSE(link.Open());
    EXPECT_TRUE(link.IsOpen());
    EXPECT_EQ(line.openAttempts, 1);
    EXPECT_EQ(line.QueuedNow(), 2u); // nothing purged
    EXPECT_TRUE(clock.sleeps.empty());
}

TEST_F(CCommIOTest, AFailedOpenLeavesTheLinkClosedAndTheClosedPortFree)
{
    line.failOpens = 1;
    EXPECT_FALSE(link.Open());
    line.failPurge = true;
    EXPECT_FALSE(link.Open());
    EXPECT_FALSE(link.IsOpen());
    EXPECT_FALSE(line.portOpen);
    EXPECT_TRUE(clock.sleeps.empty());
    line.failPurge = false;
    EXPECT_TRUE(link.Open()); // and it opens again
    line.failClose = true;
    EXPECT_FALSE(link.Close()); // the platform's answer, but closed all the same
    EXPECT_FALSE(link.Close());
    EXPECT_FALSE(line.portOpen);
    {
        CCommIO other(app);
        ASSERT_TRUE(other.Open());
    }
    EXPECT_FALSE(line.portOpen); // destroying an open link closes it
}

TEST(CCommIOSendTest, SendNeedsAnOpenPortAndCtsOrDsrAndFailuresComeBackWithoutAPause)
{
    // Open, CTS, DSR, the write fails, the purge fails (which closes the link); the status.
    const std::tuple<bool, bool, bool, bool, bool, CommStatus> cases[] = {
        {false, true, true, false, false, COMM_NOT_CONNECTED},
        {true, false, false, false, false, COMM_NOT_CONNECTED},
        {true, true, false, false, false, COMM_OK},
        {true, false, true, false, false, COMM_OK},
        {true, true, true, true, false, COMM_IO_ERROR},
        {true, true, true, false, true, COMM_NOT_CONNECTED}};
    for (const auto& [open, cts, dsr, failWrite, failPurge, status] : cases) {
        Rig r;
        if (open) r.OpenLink();
        r.line.cts = cts;
        r.line.dsr = dsr;
        r.line.failWrite = failWrite;
        r.line.failPurge = failPurge;
        SCOPED_TRACE(testing::Message() << open << cts << dsr << failWrite << failPurge);
        EXPECT_EQ(r.link.Send("DA"), status);
        EXPECT_EQ(r.line.written, status == COMM_OK ? "DA\r\n" : "");
        EXPECT_EQ(r.link.IsOpen(), open && !failPurge);
        if (status != COMM_OK) {
            r.reply = "untouched";
            EXPECT_EQ(r.link.Transact("DA", r.reply, r.length), status);
            EXPECT_EQ(r.reply, "untouched");
            EXPECT_TRUE(r.clock.sleeps.empty());
        }
    }
}

TEST_F(CCommIOTest, SendDiscardsStaleInputAndCutsAnOverlongCommand)
{
    OpenLink();
    line.Feed("2F0BB8\r\n");
    EXPECT_EQ(link.Send(std::string(2000, 'A')), COMM_OK);
    EXPECT_EQ(line.written, std::string(1021, 'A') + "\r\n");
    EXPECT_EQ(line.QueuedNow(), 0u);
}

TEST(CCommIOReceiveTest, ReceiveCollectsOneLineAndReturnsTheMomentItEnds)
{
    const std::string x100(100, 'X'), y1000(1000, 'Y');
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, uint32_t>> feeds; // bytes, when
        uint32_t waitMs;
        CommStatus status;
        std::string reply;
        int length;
        uint64_t elapsed;
    };
    const Case cases[] = {
        {"split over reads", {{"DA", 100}, {"O", 200}, {"K\r\n", 300}}, 150, COMM_OK, "DAOK", 4, 300},
        {"already there", {{"DAOK\r\n", 0}}, 150, COMM_OK, "DAOK", 4, 0},
        {"line ends of the previous line", {{"\n\r\nABC\r\n", 0}}, 0, COMM_OK, "ABC", 3, 0},
        {"what follows the CR is dropped but counted", {{"DAOK\r\n2F0BB8", 0}}, 150, COMM_OK, "DAOK", 10, 0},
        {"never ends", {{"DAO", 0}}, 150, COMM_TIMEOUT, "", 0, 5000},
        {"overflow with a wait", {{x100, 0}, {y1000, 200}, {"\r\n", 300}}, 150, COMM_OK, x100, 100, 200},
        {"overflow first", {{std::string(1100, 'Z'), 10}}, 150, COMM_NO_REPLY, "", 0, 10},
        {"overflow without a wait",
         {{x100, 0}, {y1000, 10}, {"Z\r\n", 20}},
         0,
         COMM_OK,
         x100 + "Z",
         101,
         20}};
    for (const Case& c : cases) {
        Rig r;
        r.OpenLink();
        for (const auto& [bytes, at] : c.feeds) {
            r.line.Feed(bytes, at);
        }
        r.reply = "stale";
        const uint64_t start = r.clock.TickMs();
        EXPECT_EQ(r.link.Receive(r.reply, r.length, c.waitMs, 5000), c.status) << c.what;
        EXPECT_EQ(r.reply, c.reply) << c.what;
        EXPECT_EQ(r.length, c.length) << c.what;
        EXPECT_EQ(r.clock.TickMs() - start, c.elapsed) << c.what;
        EXPECT_TRUE(r.clock.sleeps.empty()) << c.what;
    }
}

TEST_F(CCommIOTest, ReceiveFailuresAndALateLineLeftForTheNextCall)
{
    reply = "stale";
    EXPECT_EQ(link.Receive(reply, length, 150, 5000), COMM_NOT_CONNECTED);
    EXPECT_EQ(reply, "");
    EXPECT_EQ(length, 0);
    OpenLink();
    line.Feed("81OK\r\n", 100);
    EXPECT_EQ(link.Receive(reply, length, 150, 50), COMM_TIMEOUT);
    EXPECT_EQ(link.Receive(reply, length, 150, 5000), COMM_OK);
    EXPECT_EQ(reply, "81OK");
    line.Feed("DAOK\r\n");
    line.failRead = true;
    EXPECT_EQ(link.Receive(reply, length, 150, 5000), COMM_IO_ERROR);
    EXPECT_EQ(length, 0);
}

TEST_F(CCommIOTest, ReceiveNowTakesWhatIsQueuedAsItIsWithoutWaiting)
{
    EXPECT_EQ(link.ReceiveNow(reply, length), COMM_NOT_CONNECTED);
    OpenLink();
    EXPECT_EQ(link.ReceiveNow(reply, length), COMM_NO_REPLY);
    line.Feed("2F0BB8000000000BA2\r\n2F");
    ASSERT_EQ(link.ReceiveNow(reply, length), COMM_OK);
    EXPECT_EQ(reply, "2F0BB8000000000BA2\r\n2F");
    EXPECT_EQ(length, 22);
    line.Feed(std::string(1500, 'A'));
    ASSERT_EQ(link.ReceiveNow(reply, length), COMM_OK);
    EXPECT_EQ(length, 1023);
    ASSERT_EQ(link.ReceiveNow(reply, length), COMM_OK);
    EXPECT_EQ(length, 477);
    line.Feed("X");
    line.failRead = true;
    EXPECT_EQ(link.ReceiveNow(reply, length), COMM_IO_ERROR);
    EXPECT_TRUE(clock.sleeps.empty());
}

TEST(CCommIOTransactTest, TransactWaitsForTheLineEchoingItsCodeThenPauses)
{
    const std::string stream = "2F0BB8000000000BA2\r\n";
    ScriptedAnswer endless(400, {stream, 50});
    struct Case {
        const char* what;
        const char* command;
        ScriptedAnswer answer;
        CommStatus status;
        const char* reply;
        uint64_t elapsed; // the pause included
    };
    const Case cases[] = {
        {"echo taken off", "9130", {{"9130075B00\r\n"}}, COMM_OK, "30075B00", 40},
        {"register reply and stream line dropped",
         "DA",
         {{"9100FC0400\r\n"}, {stream, 400}, {"DAOK\r\n", 400}},
         COMM_OK,
         "OK",
         840},
        {"line end split from the dropped line",
         "DA",
         {{"9100FC0400\r"}, {"\nDAOK\r\n", 200}},
         COMM_OK,
         "OK",
         240},
        {"answer in the same read as a dropped line", "DA", {{stream + "DAOK\r\n"}}, COMM_OK, "OK", 40},
        {"each dropped line a fresh time-out",
         "DA",
         {{stream}, {stream, 4000}, {"DAOK\r\n", 4000}},
         COMM_OK,
         "OK",
         8040},
        {"the code alone", "DA", {{"DA\r\n"}}, COMM_OK, "", 40},
        {"refusal", "DA", {{"DANG\r\n"}}, COMM_OK, "NG", 40},
        {"silence", "DA", {}, COMM_TIMEOUT, "", 5040},
        {"endless stream", "DA", endless, COMM_TIMEOUT, "", 5040},
        {"no code", "DA", {{"OK\r\n"}}, COMM_TIMEOUT, "", 5040},
        {"too short for the code", "DA", {{"D\r\n"}}, COMM_TIMEOUT, "", 5040},
        {"lower-case code", "DA", {{"da\r\n"}}, COMM_TIMEOUT, "", 5040},
        {"hang-up", "DA", {{"DA"}, {"", 300, true}}, COMM_IO_ERROR, "", 340}};
    for (const Case& c : cases) {
        Rig r;
        r.OpenLink();
        r.line.standing[c.command] = c.answer;
        r.reply = "stale";
        const uint64_t start = r.clock.TickMs();
        EXPECT_EQ(r.link.Transact(c.command, r.reply, r.length), c.status) << c.what;
        EXPECT_EQ(r.reply, c.reply) << c.what;
        EXPECT_EQ(r.length, static_cast<int>(r.reply.size())) << c.what;
        EXPECT_EQ(r.clock.sleeps, Sleeps{40}) << c.what;
        EXPECT_EQ(r.clock.TickMs() - start, c.elapsed) << c.what;
        EXPECT_TRUE(r.link.IsOpen()) << c.what; // the caller closes, also after a hang-up
    }
}

} // namespace
