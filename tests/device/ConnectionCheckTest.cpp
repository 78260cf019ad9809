#include "device/ConnectionCheck.h"
#include "app/Cp932.h"
#include "app/IniFile.h"
#include "device/CommandLog.h"
#include "support/ScriptedSerialPort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <regex>
#include <string_view>

// A thermometer with serial number 123456789 (0x075BCD15) that accepts everything.
struct Rig : LineRig {
    Rig()
    {
        WriteFileBytes(app.iniPath, "[ComPort]\nPort=/dev/ttyRM0\n");
        // Each reply answers the command it echoes: a register read by its code and address.
        for (const char* reply : {"DAOK", "9130075B12", "9131CD1534", "92", "81", "9100000000"})
            line.Respond(std::string(reply, std::string_view(reply).starts_with("91") ? 4 : 2), reply);
    }
};

// Each round of checks as the thermometer and the user meet it, written out as a transcript: the
// result, the commands, the serial number read (of a check that passed), the port rounds, the ports opened
// and the pauses, then every call on the user in order (each box with its caption, buttons and icon). The
// transcript under tests/data is compared as one text; every path gives the port back.
TEST(ConnectionCheckTest, EveryRoundOfChecksEndsAsTheTranscriptSays)
{
    using Arrange = std::function<void(Rig&)>;
    const auto status0 = [](std::string templ, std::string value) {
        return [=](Rig& r) {
            if (!templ.empty()) WriteFileBytes(r.app.iniPath, "[System]\nDefault_STATUS0=" + templ + "\n");
            r.line.Respond("9100", "9100" + value + "00"), r.app.status0Monitor = true;
        };
    };
    const auto answers = [](int tries, std::deque<MsgAnswer> a, Arrange fail) {
        return [=](Rig& r) { std::tie(r.app.connectRetryLimit, r.ui.answers) = std::tie(tries, a), fail(r); };
    };
    const std::deque<MsgAnswer> retry(3, MsgAnswer::Retry), ok(3, MsgAnswer::Ok);
    const Arrange noPort = [](Rig&r) { r.line.failOpens = 100; },
                  off = [](Rig&r) { r.line.cts = r.line.dsr = false; };
    // clang-format off
    const std::pair<std::string, Arrange> rounds[] = {
        {"healthy, another thermometer's number before", [](Rig& r) { r.app.deviceSerial = 815; }},
        {"STATUS0 0000 under the default template", status0("", "0000")},
        {"STATUS0 FC04 under the default template", status0("", "FC04")},
        {"STATUS0 00A5 under the default template", status0("", "00A5")},
        {"STATUS0 FFFF under a template of zeros", status0("0000000000000000", "FFFF")},
        {"no thermometer, then the port chosen in the dialog", [](Rig& r) {
             r.line.failOpens = 2, r.ui.answers = {MsgAnswer::Retry, MsgAnswer::Retry};
             r.ui.onComPortDialog = [&r] { EXPECT_FALSE(r.line.portOpen); IniFile::WriteString(r.app.iniPath, "ComPort", "Port", "/dev/ttyRM7"); }; }},
        {"switched on at the prompt", [off](Rig& r) { off(r), r.ui.onMessageBox = [&r](const MessageBoxCall&) { r.line.cts = r.line.dsr = true; }; }},
        {"wrong answer up to the limit", answers(2, retry, [](Rig& r) { r.line.Respond("DA", "DANG"); })},
        {"no port up to the limit", answers(2, retry, noPort)},
        {"no port, cancelled", answers(-1, {MsgAnswer::Retry, MsgAnswer::Retry, MsgAnswer::Cancel}, noPort)},
        {"switched off up to the limit", answers(2, ok, off)},
        {"high half refused", [](Rig& r) { r.line.Respond("9130", "91NG"); }},
        {"STATUS0 garbled", [](Rig& r) { r.line.Respond("9100", "9100FC"); }},
        {"switched off before the exit", [](Rig& r) { r.line.onCommand = [&l = r.line](const std::string& c) { l.cts = l.dsr = c != "9200FC04"; }; }},
        {"cable pulled during the serial number read", [](Rig& r) { r.line.onCommand = [&l = r.line](const std::string& c) { l.hungUp = l.hungUp || c == "9130"; }; }}};
    // clang-format on
    constexpr const char* kButtons[] = {"OK", "OK Cancel", "Retry Cancel", "Yes No", "Yes No Cancel"};
    constexpr const char* kIcons[] = {"no icon", "stop", "exclamation", "question", "information"};
    std::string got;
    for (const auto& [name, arrange] : rounds) {
        Rig r;
        arrange(r);
        const bool checked = CheckConnection(r.app);
        got += name + ": " + (checked ? "checked" : "failed") + "\n  commands";
        for (const std::string& command : r.line.commands)
            got += " " + command;
        got += "\n  serial " +
               (checked ? std::to_string(r.app.deviceSerial) + " " + r.app.deviceSerialText : "-") +
               ", rounds " + std::to_string(r.app.portRetryCount) + ", tries " +
               std::to_string(r.line.openAttempts) + ", opened";
        for (const SerialSettings& opened : r.line.opens)
            got += " " + opened.device;
        got += ", pauses";
        for (const uint32_t ms : r.clock.sleeps)
            got += " " + std::to_string(ms);
        for (std::size_t box = 0; const std::string& event : r.ui.events) {
            got += "\n  " + event;
            if (const MessageBoxCall* b = event.starts_with("box:") ? &r.ui.boxes.at(box++) : nullptr)
                got +=
                    " [" + b->caption + ", " + kButtons[int(b->buttons)] + ", " + kIcons[int(b->icon)] + "]";
        }
        got += "\n";
        EXPECT_TRUE(!r.line.portOpen && r.line.closes == static_cast<int>(r.line.opens.size())) << name;
    }
    EXPECT_EQ(got, ReadFileBytes(TestDataPath("device/connection-check.txt")));
}

// The command log and the reports of link failures that every device operation shows.
class CommandLogTest : public ::testing::Test, public LineRig {
protected:
    CommandLogTest() { app.commLogEnabled = true; }
    std::string LogPath() const { return dir.File("cmd_log.txt"); }
    static std::string NowStamp()
    {
        const std::time_t now = std::time(nullptr);
        char stamp[32];
        return {stamp, std::strftime(stamp, sizeof stamp, "%Y/%m/%d %H:%M:%S", std::localtime(&now))};
    }
    // What the user is told by one report: its events and the caption of its boxes, on one line.
    std::string Told(const std::function<void()>& report)
    {
        ui.events.clear(), ui.boxes.clear(), report();
        std::string told;
        const auto add = [&](const std::string& text) { told += (told.empty() ? "" : " | ") + text; };
        std::ranges::for_each(ui.events, add);
        for (const MessageBoxCall& b : ui.boxes)
            add("caption:" + b.caption +
                (b.icon == MsgIcon::Exclamation && b.buttons == MsgButtons::Ok ? "" : " (not a plain)"));
        return told;
    }
};

TEST_F(CommandLogTest, EntriesAppendStampedCp932LinesFailuresAreReportedAndOnlyAFailedLogWriteIsShown)
{
    app.language = 1;
    EXPECT_EQ(Told([&] { ShowCommandLogNotice(app); }),
              "box:保存パス＝" + dir.Path() + "cmd_log.txt | caption:ログファイル保存が有効です");
    WriteFileBytes(LogPath(), "earlier line\n");
    const std::string before = NowStamp();
    EXPECT_EQ(Told([&] { WriteCommandLog(app, "commIO.Open"); }), "");
    app.ui = nullptr; // the log needs no window
    WriteCommandLog(app, "--- 取り込み開始");
    app.ui = &ui;
    app.commLogEnabled = false; // then nothing is written, and there is no notice
    EXPECT_EQ(Told([&] { WriteCommandLog(app, "DA"), ShowCommandLogNotice(app); }), "");
    const std::string after = NowStamp(), log = ReadFileBytes(LogPath());
    EXPECT_EQ(std::regex_replace(log, std::regex(R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d)"), "T"),
              "earlier line\nT = commIO.Open\nT = " + Utf8ToCp932("--- 取り込み開始") + "\n");
    // Local time, in a format that sorts as text.
    const std::string first = log.substr(13, 19), second = log.substr(log.find('\n', 13) + 1, 19);
    EXPECT_TRUE(before <= first && first <= second && second <= after) << log;
    // An unopenable log is skipped silently, but a failed write is shown.
    app.commLogEnabled = true;
    std::filesystem::remove(LogPath());
    std::filesystem::create_directory(LogPath()); // a folder where the file should be
    EXPECT_EQ(Told([&] { WriteCommandLog(app, "DA"); }), "");
    app.exeDir = dir.File("missing/");
    EXPECT_EQ(Told([&] { WriteCommandLog(app, "DA"); }), "");
    // Every report as the user meets it, without a window title in Japanese, then with one in
    // English: some messages only reach the status bar; a failed command puts the status first and
    // check mode's own code asks for the power.
    std::string told;
    for (const auto& [title, language] : {std::pair{"", 0}, std::pair{"ABC", 1}}) {
        std::tie(app.windowTitle, app.language) = std::tuple(title, language);
        for (int id : {111, 162, 113, 114, 115, 119, 152, 164})
            told += std::to_string(id) + ": " + Told([&] { ReportMessage(app, id); }) + "\n";
        for (const std::string code : {"DA", "81"})
            told += code + ": " + Told([&] { ReportCommandError(app, code); }) + "\n";
    }
    EXPECT_EQ(told, ReadFileBytes(TestDataPath("device/reports.txt")));
    app.ui = nullptr; // nobody to tell: nothing happens
    ReportMessage(app, 164);
    ReportCommandError(app, "DA");
    app.ui = &ui;
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "needs /dev/full to make writes fail";
    app.exeDir = dir.File("full/");
    std::filesystem::create_directory(app.exeDir);
    std::filesystem::create_symlink("/dev/full", app.exeDir + "cmd_log.txt");
    EXPECT_EQ(Told([&] { WriteCommandLog(app, "DA"); }), "box:Log File Open Error | caption:ERROR");
}
