#include "device/CCommIO.h"
#include "device/PortOverride.h"
#include "support/ScriptedSerialPort.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

using Sleeps = std::vector<uint32_t>;

// A link onto a scripted line; table cases each take a fresh one.
struct Rig : LineRig {
    // Opens the link and forgets the pause of the open, so checks see only later pauses.
    void OpenLink()
    {
        ASSERT_TRUE(link.Open());
        clock.sleeps.clear();
    }

    CCommIO link{app};
    std::string reply;
    int length = -1;
};

class CCommIOTest : public ::testing::Test, public Rig {};

TEST(CCommIOOpenTest, OpenTakesTheLineSettingsAndPausesFromTheIniOrItsDefaults)
{
    // clang-format off
    const std::tuple<const char*, SerialSettings, Sleeps> cases[] = {
        {"", {"COM4", 9600, 8, 0, 1, 30000, 30000}, {40, 500}},
        {"[ComPort]\nPort=ttyRM\nBps=19200\nDataBits=7\nParity=2\nStopBit=0\nReceiveTimeOut=1234\nSendTimeOut=4321\n"
         "CommandWait1=7\nCommandWait2=9\n", {"ttyRM", 19200, 7, 2, 0, 1234, 4321}, {7, 9}}};
    // clang-format on
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
        // A port name that is no path is taken from the INI's folder.
        SerialSettings wanted = settings;
        if (wanted.device != "COM4") wanted.device = r.dir.File(wanted.device);
        EXPECT_EQ(fields(r.line.opens[0]), fields(wanted));
        EXPECT_EQ(std::tuple(r.line.QueuedNow(), r.clock.sleeps), std::tuple(0u, Sleeps{200}));
        // The pause after a register read, then after a register write.
        r.line.Respond("91", "9100FC0400");
        r.line.Respond("92", "92");
        EXPECT_TRUE(r.link.Transact("9100", r.reply, r.length) == COMM_OK &&
                    r.link.Transact("9200FC04", r.reply, r.length) == COMM_OK);
        EXPECT_EQ(r.clock.sleeps, (Sleeps{200, pauses[0], pauses[1]})) << ini;
    }
}

TEST_F(CCommIOTest, AFailedOpenLeavesTheLinkClosedASecondOpenFailsAndASendDropsStaleInput)
{
    line.failOpens = 1;
    EXPECT_FALSE(link.Open());
    line.failPurge = true;
    EXPECT_FALSE(link.Open() || link.IsOpen() || line.portOpen || !clock.sleeps.empty());
    line.failPurge = false;
    OpenLink(); // and it opens again
    line.Feed("DA");
    EXPECT_TRUE(!link.Open() && link.IsOpen()) << "already open: the port is left alone";
    EXPECT_EQ(std::tuple(line.openAttempts, line.QueuedNow(), clock.sleeps.size()), std::tuple(3, 2u, 0u));
    // A send discards that stale input and cuts an overlong command.
    EXPECT_EQ((std::tuple{link.Send(std::string(2000, 'A')), line.written, line.QueuedNow()}),
              std::tuple(COMM_OK, std::string(1021, 'A') + "\r\n", 0u));
    line.failClose = true;
    // The platform's answer, but closed all the same.
    EXPECT_FALSE(link.Close() || link.Close() || line.portOpen);
    {
        CCommIO other(app);
        ASSERT_TRUE(other.Open());
    }
    EXPECT_FALSE(line.portOpen); // destroying an open link closes it
}

TEST(CCommIOSendTest, SendNeedsAnOpenPortAndCtsOrDsrAndFailuresComeBackWithoutAPause)
{
    // Open, CTS, DSR, the write fails, the purge fails (which closes the link); the status.
    // clang-format off
    const std::tuple<bool, bool, bool, bool, bool, CommStatus> cases[] = {
        {false, true, true, false, false, COMM_NOT_CONNECTED}, {true, false, false, false, false, COMM_NOT_CONNECTED},
        {true, true, false, false, false, COMM_OK},            {true, false, true, false, false, COMM_OK},
        {true, true, true, true, false, COMM_IO_ERROR},        {true, true, true, false, true, COMM_NOT_CONNECTED}};
    // clang-format on
    for (const auto& [open, cts, dsr, failWrite, failPurge, status] : cases) {
        Rig r;
        if (open) r.OpenLink();
        std::tie(r.line.cts, r.line.dsr, r.line.failWrite, r.line.failPurge) =
            std::tie(cts, dsr, failWrite, failPurge);
        SCOPED_TRACE(testing::Message() << open << cts << dsr << failWrite << failPurge);
        EXPECT_EQ((std::tuple{r.link.Send("DA"), r.line.written, r.link.IsOpen()}),
                  std::tuple(status, status == COMM_OK ? "DA\r\n" : "", open && !failPurge));
        r.reply = "untouched";
        if (status != COMM_OK) {
            EXPECT_EQ((std::tuple{r.link.Transact("DA", r.reply, r.length), r.reply, r.clock.sleeps.size()}),
                      std::tuple(status, "untouched", 0u));
        }
    }
}

TEST(CCommIOReceiveTest, ReceiveReturnsOneLineTheMomentItEndsAndReceiveNowWhatIsQueued)
{
    constexpr int kNow = -1; // ReceiveNow instead of Receive
    const std::string x100(100, 'X'), y1000(1000, 'Y'), a1500(1500, 'A'), stream = "2F0BB8000000000BA2\r\n2F";
    // What arrives (chunk after chunk), whether an overflow ends the line (1) or not (0), the status, reply,
    // length, time taken, bytes left.
    // clang-format off
    const std::tuple<const char*, ScriptedAnswer, int, CommStatus, std::string, int, uint64_t, std::size_t> cases[] = {
        {"split over reads", {{"DA", 100}, {"O", 100}, {"K\r\n", 100}}, 1, COMM_OK, "DAOK", 4, 300, 0},
        {"line ends of the previous line", {{"\n\r\nABC\r\n", 0}}, 0, COMM_OK, "ABC", 3, 0, 0},
        {"what follows the CR dropped but counted", {{"DAOK\r\n2F0BB8", 0}}, 1, COMM_OK, "DAOK", 10, 0, 0},
        {"never ends", {{"DAO", 0}}, 1, COMM_TIMEOUT, "", 0, 5000, 0},
        {"overflow with a wait", {{x100, 0}, {y1000, 200}, {"\r\n", 100}}, 1, COMM_OK, x100, 100, 200, 0},
        {"overflow first", {{std::string(1100, 'Z'), 10}}, 1, COMM_NO_REPLY, "", 0, 10, 0},
        {"overflow without a wait", {{x100, 0}, {y1000, 10}, {"Z\r\n", 10}}, 0, COMM_OK, x100 + "Z", 101, 20, 0},
        {"now: nothing queued", {}, kNow, COMM_NO_REPLY, "", 0, 0, 0},
        {"now: as it is", {{stream, 0}}, kNow, COMM_OK, stream, 22, 0, 0},
        {"now: one buffer at a time", {{a1500, 0}}, kNow, COMM_OK, a1500.substr(477), 1023, 0, 477}};
    // clang-format on
    for (const auto& [what, feeds, endAtOverflow, status, reply, length, elapsed, left] : cases) {
        Rig r;
        r.OpenLink();
        r.line.Schedule(feeds);
        r.reply = "stale";
        const uint64_t start = r.clock.TickMs();
        const CommStatus got = endAtOverflow == kNow
                                   ? r.link.ReceiveNow(r.reply, r.length)
                                   : r.link.Receive(r.reply, r.length, endAtOverflow == 1, 5000);
        EXPECT_EQ(std::tuple(got, r.reply, r.length, r.clock.TickMs() - start, r.line.QueuedNow(),
                             r.clock.sleeps.size()),
                  std::tuple(status, reply, length, elapsed, left, 0u))
            << what;
    }
}

TEST_F(CCommIOTest, ReceiveFailuresAreTracedAndALateLineIsLeftForTheNextCall)
{
    app.commLogEnabled = true;
    line.failOpens = 1;
    EXPECT_FALSE(link.Open());
    reply = "stale";
    EXPECT_EQ(
        (std::tuple{link.Receive(reply, length, true, 5000), reply, length, link.ReceiveNow(reply, length)}),
        std::tuple(COMM_NOT_CONNECTED, "", 0, COMM_NOT_CONNECTED));
    OpenLink();
    line.Feed("81OK\r\n", 100);
    EXPECT_EQ(link.Receive(reply, length, true, 50), COMM_TIMEOUT);
    EXPECT_EQ((std::tuple{link.Receive(reply, length, true, 5000), reply}), std::tuple(COMM_OK, "81OK"));
    line.Feed("DAOK\r\n");
    line.failRead = true;
    EXPECT_EQ((std::tuple{link.Receive(reply, length, true, 5000), length}), std::tuple(COMM_IO_ERROR, 0));
    // What a reader thread meets is told once the owner uses the link again.
    std::thread([&] { EXPECT_EQ(link.ReceiveNow(reply, length), COMM_IO_ERROR); }).join();
    EXPECT_EQ(ui.notes, (std::vector<std::string>{"cannot open", "read failed"}));
    EXPECT_TRUE(link.Close());
    EXPECT_EQ(ui.notes, (std::vector<std::string>{"cannot open", "read failed", "read failed"}));
    EXPECT_EQ(
        std::regex_replace(ReadFileBytes(dir.File("cmd_log.txt")), std::regex("[0-9/]+ [0-9:]+ = "), ""),
        "cannot open\nread failed\nread failed\n");
}

TEST(CCommIOTransactTest, TransactWaitsForTheLineEchoingItsCodeThenPauses)
{
    const std::string stream = "2F0BB8000000000BA2\r\n";
    ScriptedAnswer endless(400, {stream, 50});
    // clang-format off
    const std::tuple<const char*, const char*, ScriptedAnswer, CommStatus, const char*, uint64_t> cases[] = {
        {"echo taken off", "9130", {{"9130075B00\r\n"}}, COMM_OK, "30075B00", 40},
        {"register reply and stream line dropped", "DA", {{"9100FC0400\r\n"}, {stream, 400}, {"DAOK\r\n", 400}}, COMM_OK, "OK", 840},
        {"line end split from the dropped line", "DA", {{"9100FC0400\r"}, {"\nDAOK\r\n", 200}}, COMM_OK, "OK", 240},
        {"answer in the same read as a dropped line", "DA", {{stream + "DAOK\r\n"}}, COMM_OK, "OK", 40},
        {"each dropped line a fresh time-out", "DA", {{stream}, {stream, 4000}, {"DAOK\r\n", 4000}}, COMM_OK, "OK", 8040},
        {"the code alone", "DA", {{"DA\r\n"}}, COMM_OK, "", 40},
        {"silence", "DA", {}, COMM_TIMEOUT, "", 5040},
        {"endless stream", "DA", endless, COMM_TIMEOUT, "", 5040},
        {"lower-case code", "DA", {{"da\r\n"}}, COMM_TIMEOUT, "", 5040},
        {"too short for the code", "DA", {{"D\r\n"}}, COMM_TIMEOUT, "", 5040},
        {"hang-up", "DA", {{"DA"}, {"", 300, true}}, COMM_IO_ERROR, "", 340}};
    // clang-format on
    for (const auto& [what, command, answer, status, reply, elapsed] : cases) {
        Rig r;
        r.OpenLink();
        r.line.standing[command] = answer;
        r.reply = "stale";
        const uint64_t start = r.clock.TickMs();
        const CommStatus got = r.link.Transact(command, r.reply, r.length);
        // The caller closes, also after a hang-up.
        EXPECT_EQ(std::tuple(got, r.reply, std::size_t(r.length), r.clock.sleeps, r.clock.TickMs() - start,
                             r.link.IsOpen()),
                  std::tuple(status, reply, r.reply.size(), Sleeps{40}, elapsed, true))
            << what;
    }
}

// The --lines-on port decorator, through the link as the program uses it: it lets commands through
// on a line whose CTS and DSR cannot be read (the bare line refuses them, CCommIOSendTest).
TEST(PortOverrideTest, LinesOnLetsCommandsThroughWhereTheBareLineRefuses)
{
    Rig r;
    auto line = std::make_unique<ScriptedLine>(r.clock);
    line->cts = line->dsr = false; // a pseudo-terminal: no modem lines
    line->Respond("DA", "DAOK");
    auto linesOn = MakeLinesOnFactory(std::move(line));
    r.app.ports = linesOn.get();
    CCommIO link(r.app);
    ASSERT_TRUE(link.Open());
    EXPECT_EQ((std::tuple{link.Transact("DA", r.reply, r.length, 5000), r.reply}), std::tuple(COMM_OK, "OK"));
    // Closed, the decorated port reports no lines, like any closed port.
    bool cts = true, dsr = true;
    EXPECT_FALSE(linesOn->Create()->ModemLines(cts, dsr) || cts || dsr);
}

} // namespace
