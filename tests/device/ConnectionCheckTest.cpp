#include "device/ConnectionCheck.h"
#include "app/Cp932.h"
#include "app/IniFile.h"
#include "device/CommandLog.h"
#include "support/ScriptedSerialPort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <deque>
#include <filesystem>
#include <functional>
#include <regex>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

const Texts kFullCheck{"DA", "9130", "9131", "9100", "9200FC04", "81"};

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

class ConnectionCheckTest : public ::testing::Test, public Rig {
protected:
    // The link was given back on every path.
    void TearDown() override
    {
        EXPECT_FALSE(line.portOpen);
        EXPECT_EQ(line.closes, static_cast<int>(line.opens.size()));
    }
};

TEST_F(ConnectionCheckTest, AHealthyThermometerIsCheckedInOneGo)
{
    app.deviceSerial = 815; // another thermometer was on the port before: its number goes
    ASSERT_TRUE(CheckConnection(app));
    EXPECT_EQ(std::tie(line.commands, app.deviceSerial, app.deviceSerialText, app.portRetryCount, ui.events),
              std::tuple(kFullCheck, 123456789u, "01234560789", 0, Texts{}));
    EXPECT_EQ(line.opens.at(0).device, "/dev/ttyRM0");
    // Open, then each command's pause; the register write pauses longest.
    EXPECT_EQ(clock.sleeps, (std::vector<uint32_t>{200, 40, 40, 40, 40, 500, 40}));
}

TEST(ConnectionCheckStatus0Test, Status0IsWrittenOnlyWhenTheTemplateChangesItAndBothValuesAreShown)
{
    // The INI's template (nullptr: none), STATUS0 as read, the write (nullptr: none), both boxes.
    // How a template sets bits is the wire table's; here whether it is written and how it is shown.
    // clang-format off
    const std::tuple<const char*, const char*, const char*, const char*, const char*> cases[] = {
        {nullptr, "0000", "9200FC04", "   0", "FC04"}, {nullptr, "FC04", nullptr, "FC04", "FC04"},
        {nullptr, "00A5", "9200FC05", "  A5", "FC05"}, {"0000000000000000", "FFFF", "92000000", "FFFF", "   0"}};
    // clang-format on
    for (const auto& [templ, value, write, readBox, newBox] : cases) {
        Rig r;
        if (templ != nullptr)
            WriteFileBytes(r.app.iniPath, std::string("[System]\nDefault_STATUS0=") + templ + "\n");
        r.line.Respond("9100", std::string("9100") + value + "00");
        r.app.status0Monitor = true;
        SCOPED_TRACE(testing::Message() << (templ ? templ : "default") << " " << value);
        EXPECT_TRUE(CheckConnection(r.app));
        Texts expected{"DA", "9130", "9131", "9100", "81"};
        if (write != nullptr) expected.insert(expected.begin() + 4, write);
        ASSERT_EQ(std::tuple(r.line.commands, r.ui.BoxTexts()), std::tuple(expected, Texts{readBox, newBox}));
        EXPECT_EQ(std::tuple(r.ui.boxes[0].caption, r.ui.boxes[1].caption, r.ui.boxes[1].icon),
                  std::tuple("STATUS0 設定値読み込み", "STATUS0 再設定", MsgIcon::None));
    }
}

TEST_F(ConnectionCheckTest, NoThermometerRetriesThroughTheComPortDialog)
{
    line.failOpens = 2;
    ui.answers = {MsgAnswer::Retry, MsgAnswer::Retry};
    ui.onComPortDialog = [&] {
        EXPECT_FALSE(line.portOpen);
        IniFile::WriteString(app.iniPath, "ComPort", "Port", "/dev/ttyRM7");
    };
    ASSERT_TRUE(CheckConnection(app)); // the third try opens the port chosen in the dialog
    EXPECT_EQ(std::tuple(line.opens.at(0).device, app.portRetryCount), std::tuple("/dev/ttyRM7", 2));
}

TEST_F(ConnectionCheckTest, SwitchingOnAtThePromptLetsTheCheckGoOn)
{
    line.cts = line.dsr = false;
    ui.onMessageBox = [&](const MessageBoxCall&) { line.cts = line.dsr = true; };
    ASSERT_TRUE(CheckConnection(app));
    EXPECT_EQ(ui.boxes.at(0).icon, MsgIcon::Exclamation);
    EXPECT_EQ(std::tuple(ui.BoxTexts(), app.portRetryCount, line.commands),
              std::tuple(Texts{Text(115)}, 1, kFullCheck));
}

TEST(ConnectionCheckFailureTest, ALimitOrACancelEndsTheRoundsWhateverBoxEndedThem)
{
    // One round of each kind ends in its box (text, buttons, icon), and for a port that cannot be
    // the thermometer's the port dialog; the limit of 2 allows two more rounds of that kind, then
    // the check gives up even though the OK-only box asks nothing. Without a limit the user ends it.
    using Answers = std::deque<MsgAnswer>;
    const Answers retry(3, MsgAnswer::Retry), cancel{MsgAnswer::Retry, MsgAnswer::Retry, MsgAnswer::Cancel};
    // clang-format off
    const std::tuple<const char*, std::function<void(ScriptedLine&)>, int, MsgButtons, MsgIcon, Answers, int> rounds[] = {
        {"wrong answer", [](ScriptedLine& l) { l.Respond("DA", "DANG"); }, 119, MsgButtons::Ok, MsgIcon::Exclamation, retry, 2},
        {"no port", [](ScriptedLine& l) { l.failOpens = 100; }, 114, MsgButtons::RetryCancel, MsgIcon::Stop, retry, 2},
        {"no port, cancelled", [](ScriptedLine& l) { l.failOpens = 100; }, 114, MsgButtons::RetryCancel, MsgIcon::Stop, cancel, -1},
        {"switched off", [](ScriptedLine& l) { l.cts = l.dsr = false; }, 115, MsgButtons::OkCancel, MsgIcon::Exclamation, Answers(3, MsgAnswer::Ok), 2}};
    // clang-format on
    for (const auto& [name, fail, message, buttons, icon, answers, limit] : rounds) {
        SCOPED_TRACE(name);
        Rig r;
        fail(r.line);
        std::tie(r.app.connectRetryLimit, r.ui.answers) = std::tie(limit, answers);
        EXPECT_FALSE(CheckConnection(r.app));
        const std::string box = "box:" + r.Text(message);
        const Texts events = message == 115 ? Texts(3, box) : Texts{box, "comport", box, "comport", box};
        const MessageBoxCall& first = r.ui.boxes.at(0);
        EXPECT_EQ(std::tuple(r.ui.events, first.buttons, first.icon, first.caption, r.app.portRetryCount,
                             r.line.openAttempts, r.line.portOpen),
                  std::tuple(events, buttons, icon, r.Text(165), 2, 3, false));
    }
}

TEST(ConnectionCheckFailureTest, FailuresAfterCheckModeAreReportedAndDecideTheResult)
{
    using Arrange = std::function<void(ScriptedLine&)>;
    const Texts noWrite{"DA", "9130", "9131", "9100", "81"};
    // What goes wrong, the result, the boxes (0: the command error), the commands written.
    // clang-format off
    const std::tuple<const char*, Arrange, bool, std::vector<int>, Texts> cases[] = {
        {"high half refused", [](ScriptedLine& l) { l.Respond("9130", "91NG"); }, false, {119}, kFullCheck},
        {"STATUS0 garbled", [](ScriptedLine& l) { l.Respond("9100", "9100FC"); }, false, {0}, noWrite},
        {"switched off before exit", [](ScriptedLine& l) { l.onCommand = [&l](const std::string& c) { l.cts = l.dsr = c != "9200FC04"; }; },
         true, {114}, {"DA", "9130", "9131", "9100", "9200FC04"}},
        {"cable pulled during the serial read", [](ScriptedLine& l) { l.onCommand = [&l](const std::string& c) { l.hungUp = l.hungUp || c == "9130"; }; },
         false, {119, 119, 0, 119}, {"DA", "9130"}}};
    // clang-format on
    for (const auto& [what, arrange, result, boxes, commands] : cases) {
        Rig r;
        arrange(r.line);
        const bool checked = CheckConnection(r.app);
        EXPECT_EQ(std::tuple(checked, r.ui.BoxTexts(), std::ranges::count(r.ui.events, "comport"),
                             r.line.commands, r.line.portOpen, r.line.closes),
                  std::tuple(result, r.Messages(boxes), 0, commands, false, 1))
            << what;
    }
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

TEST_F(CommandLogTest, EachEntryAppendsOneLocallyStampedLineInCp932)
{
    WriteFileBytes(LogPath(), "earlier line\n");
    const std::string before = NowStamp();
    WriteCommandLog(app, "commIO.Open");
    app.ui = nullptr; // the log needs no window
    WriteCommandLog(app, "--- 取り込み開始");
    const std::string after = NowStamp(), log = ReadFileBytes(LogPath());
    EXPECT_EQ(std::regex_replace(log, std::regex(R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d)"), "T"),
              "earlier line\nT = commIO.Open\nT = " + Utf8ToCp932("--- 取り込み開始") + "\n");
    // The format sorts as text.
    const std::string first = log.substr(13, 19), second = log.substr(log.find('\n', 13) + 1, 19);
    EXPECT_TRUE(before <= first && first <= second && second <= after && ui.events.empty()) << log;
}

TEST_F(CommandLogTest, TheNoticeNamesTheLogFileNothingIsWrittenWhileLoggingIsOffAndOnlyAFailedWriteIsShown)
{
    app.language = 1;
    ShowCommandLogNotice(app);
    app.commLogEnabled = false;
    WriteCommandLog(app, "DA");
    ShowCommandLogNotice(app);
    EXPECT_FALSE(std::filesystem::exists(LogPath()));
    EXPECT_EQ(ui.events, Texts{"box:保存パス＝" + dir.Path() + "cmd_log.txt"});
    EXPECT_TRUE(ui.boxes.at(0).caption == "ログファイル保存が有効です" &&
                ui.boxes[0].icon == MsgIcon::Exclamation);
    // An unopenable log is skipped silently, but a failed write is shown.
    app.commLogEnabled = true;
    ui.events.clear();
    std::filesystem::create_directory(LogPath()); // a folder where the file should be
    WriteCommandLog(app, "DA");
    app.exeDir = dir.File("missing/");
    WriteCommandLog(app, "DA");
    EXPECT_TRUE(ui.events.empty());
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "needs /dev/full to make writes fail";
    app.exeDir = dir.File("full/");
    std::filesystem::create_directory(app.exeDir);
    std::filesystem::create_symlink("/dev/full", app.exeDir + "cmd_log.txt");
    EXPECT_EQ(Told([&] { WriteCommandLog(app, "DA"); }), "box:Log File Open Error | caption:ERROR");
}

TEST_F(CommandLogTest, ErrorsShowABoxCaptionedWithTheWindowTitleAndPromptForPowerOnlyAtCheckMode)
{
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
}

} // namespace
