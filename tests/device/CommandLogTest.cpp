#include "device/CommandLog.h"
#include "app/Cp932.h"
#include "support/ScriptedSerialPort.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <iomanip>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

std::string NowStamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    std::ostringstream stamp;
    stamp << std::put_time(localtime_r(&now, &local), "%Y/%m/%d %H:%M:%S");
    return stamp.str();
}

class CommandLogTest : public ::testing::Test, public LineRig {
protected:
    CommandLogTest() { app.commLogEnabled = true; }
    std::string LogPath() const { return dir.File("cmd_log.txt"); }
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
    EXPECT_TRUE(before <= first && first <= second && second <= after) << log;
    EXPECT_TRUE(ui.events.empty());
}

TEST_F(CommandLogTest, TheNoticeNamesTheLogFileAndNothingIsWrittenOrShownWhileLoggingIsOff)
{
    app.language = 1;
    ShowCommandLogNotice(app);
    app.commLogEnabled = false;
    WriteCommandLog(app, "DA");
    ShowCommandLogNotice(app);
    EXPECT_FALSE(std::filesystem::exists(LogPath()));
    EXPECT_EQ(ui.events, Texts{"box:保存パス＝" + dir.Path() + "cmd_log.txt"});
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_TRUE(ui.boxes[0].caption == "ログファイル保存が有効です" &&
                ui.boxes[0].icon == MsgIcon::Exclamation);
}

TEST_F(CommandLogTest, AnUnopenableLogIsSkippedSilentlyButAFailedWriteIsShown)
{
    std::filesystem::create_directory(LogPath()); // a folder where the file should be
    WriteCommandLog(app, "DA");
    app.exeDir = dir.File("missing/");
    WriteCommandLog(app, "DA");
    EXPECT_TRUE(ui.events.empty());

    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "needs /dev/full to make writes fail";
    }
    app.exeDir = dir.File("full/");
    std::filesystem::create_directory(app.exeDir);
    std::filesystem::create_symlink("/dev/full", app.exeDir + "cmd_log.txt");
    WriteCommandLog(app, "DA");
    EXPECT_EQ(ui.events, Texts{"box:Log File Open Error"});
    EXPECT_TRUE(ui.boxes.at(0).caption == "ERROR" && ui.boxes[0].icon == MsgIcon::Exclamation);
}

TEST_F(CommandLogTest, ReportMessageShowsABoxOnlyForItsErrorIdsCaptionedWithTheWindowTitle)
{
    const std::pair<int, bool> cases[] = {{111, false}, {162, false}, {113, true}, {114, true},
                                          {115, true},  {119, true},  {152, true}, {164, true}};
    for (const auto& [title, language] : {std::pair{"", 0}, std::pair{"ABC", 1}}) {
        app.windowTitle = title;
        app.language = language;
        for (const auto& [id, box] : cases) {
            FakeUserInterface caseUi;
            app.ui = &caseUi;
            ReportMessage(app, id);
            const std::string text = Text(id);
            ASSERT_FALSE(text.empty()) << id;
            const Texts expected =
                box ? Texts{"box:" + text, "redraw", "status:" + text} : Texts{"status:" + text};
            EXPECT_EQ(caseUi.events, expected) << id;
            for (const MessageBoxCall& b : caseUi.boxes) {
                EXPECT_EQ(b.caption, *title ? title : Text(165));
                EXPECT_TRUE(b.icon == MsgIcon::Exclamation && b.buttons == MsgButtons::Ok);
            }
        }
    }
    app.language = 0;
    EXPECT_EQ(Text(164), "COMポート I/Oエラー");
}

TEST_F(CommandLogTest, CommandErrorsPromptForPowerOnlyAfterCheckMode)
{
    app.windowTitle = "ABC";
    for (const char* code : {"DA", "81", "22", "D", "DAX"}) {
        FakeUserInterface caseUi;
        app.ui = &caseUi;
        ReportCommandError(app, code);
        const std::string box = std::string(code) == "DA" ? Text(115) : "* COMMAND ERROR";
        EXPECT_EQ(caseUi.events, (Texts{"status:* COMMAND ERROR", "box:" + box, "redraw"})) << code;
        EXPECT_EQ(caseUi.boxes.at(0).caption, "ABC");
    }
    app.ui = &ui;
    ReportRegisterError(app, "92", "35");
    EXPECT_EQ(ui.events, (Texts{"status:* COMMAND ERROR", "box:* COMMAND ERROR", "redraw"}));
    EXPECT_EQ(ui.boxes.at(0).caption, "ABC");
    app.ui = nullptr; // nobody to tell: nothing happens
    ReportMessage(app, 164);
    ReportCommandError(app, "DA");
}

} // namespace
