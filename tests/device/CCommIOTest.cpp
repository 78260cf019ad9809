#include "device/CCommIO.h"
#include "device/PortOverride.h"
#include "support/ScriptedSerialPort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <thread>

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

TEST(CCommIOOpenTest, OpenTakesTheLineSettingsAndPausesFromTheIniOrItsDefaultsAndLinesOnTheModemLines)
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
    // The --lines-on port decorator lets commands through on a line whose CTS and DSR cannot be
    // read (the bare line refuses them); closed, it reports no lines, like any closed port.
    Rig r;
    auto line = std::make_unique<ScriptedLine>(r.clock);
    line->cts = line->dsr = false; // a pseudo-terminal: no modem lines
    line->Respond("DA", "DAOK");
    auto linesOn = MakeLinesOnFactory(std::move(line));
    r.app.ports = linesOn.get();
    CCommIO link(r.app);
    ASSERT_TRUE(link.Open());
    EXPECT_EQ((std::tuple{link.Transact("DA", r.reply, r.length, 5000), r.reply}), std::tuple(COMM_OK, "OK"));
    bool cts = true, dsr = true;
    EXPECT_FALSE(linesOn->Create()->ModemLines(cts, dsr) || cts || dsr);
}

TEST_F(CCommIOTest, FailedOpensClosesAndReceivesLeaveTheLinkAsTheyShouldAndAreTraced)
{
    // Failures are traced. A closed link receives nothing.
    app.commLogEnabled = true;
    line.failOpens = 1;
    EXPECT_FALSE(link.Open());
    reply = "stale";
    EXPECT_EQ(
        (std::tuple{link.Receive(reply, length, true, 5000), reply, length, link.ReceiveNow(reply, length)}),
        std::tuple(COMM_NOT_CONNECTED, "", 0, COMM_NOT_CONNECTED));
    line.failPurge = true;
    EXPECT_FALSE(link.Open() || link.IsOpen() || line.portOpen || !clock.sleeps.empty());
    line.failPurge = false;
    OpenLink(); // and it opens again
    line.Feed("DA");
    EXPECT_TRUE(!link.Open() && link.IsOpen()) << "already open: the port is left alone";
    EXPECT_EQ(std::tuple(line.openAttempts, line.QueuedNow(), clock.sleeps.size()), std::tuple(3, 2u, 0u));
    line.failClose = true;
    // The platform's answer, but closed all the same.
    EXPECT_FALSE(link.Close() || link.Close() || line.portOpen);
    EXPECT_TRUE(CCommIO(app).Open());
    EXPECT_FALSE(line.portOpen); // destroying an open link closes it
    // A late line is left for the next call.
    line.failClose = false;
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

// Each call on a link opened onto a scripted line: Send, Receive (ending the line at an overflow
// or not), ReceiveNow, or Transact of a command, against what the thermometer sends (chunk after
// chunk) and how the port fails. The transcript under tests/data gives each call's status, reply,
// length, time taken, bytes left queued, the pauses after it, the bytes written and whether the
// link is still open (the caller closes, also after a hang-up). Runs of a character are shown
// counted ("X*100"), CR and LF as \r and \n.
TEST(CCommIOCallTest, SendReceiveAndTransactEndAsTheTranscriptSays)
{
    enum Call { kSend, kReceive, kReceiveNoOverflowEnd, kReceiveNow, kTransact };
    using Arrange = std::function<void(Rig&)>; // after the link is opened
    struct Row {
        const char* what;
        Call call;
        ScriptedAnswer answer;
        Arrange arrange = nullptr;
        std::string command = "DA";
    };
    const std::string x100(100, 'X'), y1000(1000, 'Y'), stream = "2F0BB8000000000BA2\r\n";
    // clang-format off
    const Arrange closed = [](Rig& r) { r.link.Close(); }, off = [](Rig& r) { r.line.cts = r.line.dsr = false; };
    const Arrange failWrite = [](Rig& r) { r.line.failWrite = true; }, failPurge = [](Rig& r) { r.line.failPurge = true; };
    const Row rows[] = {
        {"send, not open", kSend, {}, closed}, {"send, switched off", kSend, {}, off},
        {"send, CTS only", kSend, {}, [](Rig& r) { r.line.dsr = false; }},
        {"send, DSR only", kSend, {}, [](Rig& r) { r.line.cts = false; }},
        {"send, write fails", kSend, {}, failWrite}, {"send, purge fails (closes the link)", kSend, {}, failPurge},
        {"send, stale input dropped, an overlong command cut", kSend, {{"DA", 0}}, {}, std::string(2000, 'A')},
        {"transact, not open", kTransact, {}, closed}, {"transact, switched off", kTransact, {}, off},
        {"transact, write fails", kTransact, {}, failWrite}, {"transact, purge fails", kTransact, {}, failPurge},
        {"receive, split over reads", kReceive, {{"DA", 100}, {"O", 100}, {"K\r\n", 100}}},
        {"receive, line ends of the previous line", kReceiveNoOverflowEnd, {{"\n\r\nABC\r\n", 0}}},
        {"receive, what follows the CR dropped but counted", kReceive, {{"DAOK\r\n2F0BB8", 0}}},
        {"receive, never ends", kReceive, {{"DAO", 0}}},
        {"receive, overflow with a wait", kReceive, {{x100, 0}, {y1000, 200}, {"\r\n", 100}}},
        {"receive, overflow first", kReceive, {{std::string(1100, 'Z'), 10}}},
        {"receive, overflow without a wait", kReceiveNoOverflowEnd, {{x100, 0}, {y1000, 10}, {"Z\r\n", 10}}},
        {"receive now, nothing queued", kReceiveNow, {}},
        {"receive now, as it is", kReceiveNow, {{stream + "2F", 0}}},
        {"receive now, one buffer at a time", kReceiveNow, {{std::string(1500, 'A'), 0}}},
        {"transact, echo taken off", kTransact, {{"9130075B00\r\n"}}, {}, "9130"},
        {"transact, register reply and stream line dropped", kTransact, {{"9100FC0400\r\n"}, {stream, 400}, {"DAOK\r\n", 400}}},
        {"transact, line end split from the dropped line", kTransact, {{"9100FC0400\r"}, {"\nDAOK\r\n", 200}}},
        {"transact, answer in the same read as a dropped line", kTransact, {{stream + "DAOK\r\n"}}},
        {"transact, each dropped line a fresh time-out", kTransact, {{stream}, {stream, 4000}, {"DAOK\r\n", 4000}}},
        {"transact, the code alone", kTransact, {{"DA\r\n"}}}, {"transact, silence", kTransact, {}},
        {"transact, endless stream", kTransact, ScriptedAnswer(400, {stream, 50})},
        {"transact, lower-case code", kTransact, {{"da\r\n"}}}, {"transact, too short for the code", kTransact, {{"D\r\n"}}},
        {"transact, hang-up", kTransact, {{"DA"}, {"", 300, true}}}};
    // clang-format on
    const auto shown = [](const std::string& text) {
        std::string out;
        for (std::size_t at = 0, n = 0; at < text.size(); at += n) {
            n = std::min(text.find_first_not_of(text[at], at), text.size()) - at;
            out += n > 3 ? text[at] + ("*" + std::to_string(n)) : text.substr(at, n);
        }
        return std::regex_replace(std::regex_replace(out, std::regex("\r"), "\\r"), std::regex("\n"), "\\n");
    };
    constexpr const char* kStatus[] = {"OK", "not connected", "no reply", "I/O error", "time-out"};
    std::string got;
    for (const Row& row : rows) {
        Rig r;
        r.OpenLink();
        if (row.arrange) row.arrange(r);
        if (row.call == kTransact)
            r.line.standing[row.command] = row.answer;
        else
            r.line.Schedule(row.answer);
        r.reply = "stale";
        const uint64_t start = r.clock.TickMs();
        const CommStatus status = row.call == kSend       ? r.link.Send(row.command)
                                  : row.call == kTransact ? r.link.Transact(row.command, r.reply, r.length)
                                  : row.call == kReceiveNow
                                      ? r.link.ReceiveNow(r.reply, r.length)
                                      : r.link.Receive(r.reply, r.length, row.call == kReceive, 5000);
        got += std::string(row.what) + ": " + kStatus[status] + " \"" + shown(r.reply) + "\" " +
               std::to_string(r.length) + ", " + std::to_string(r.clock.TickMs() - start) + " ms, left " +
               std::to_string(r.line.QueuedNow()) + ", pauses";
        for (const uint32_t ms : r.clock.sleeps)
            got += " " + std::to_string(ms);
        got += ", wrote \"" + shown(r.line.written) + "\", " + (r.link.IsOpen() ? "open" : "closed") + "\n";
    }
    EXPECT_EQ(got, ReadFileBytes(TestDataPath("device/link-calls.txt")));
}
