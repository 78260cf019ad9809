#include "device/CommandLog.h"
#include "app/AppState.h"
#include "app/Cp932.h"
#include "app/LangString.h"
#include "support/FakeUserInterface.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

std::string NowStamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y/%m/%d %H:%M:%S", &local);
    return stamp;
}

class CommandLogTest : public ::testing::Test {
protected:
    CommandLogTest()
    {
        app.exeDir = dir.Path();
        app.ui = &ui;
        app.commLogEnabled = true;
    }

    std::string LogPath() const { return dir.File("cmd_log.txt"); }
    std::string Text(int id) const { return LoadLangString(app, id); }

    TempDir dir;
    FakeUserInterface ui;
    AppState app;
};

TEST_F(CommandLogTest, EachEntryAppendsOneStampedLine)
{
    WriteFileBytes(LogPath(), "earlier line\n");
    const std::string before = NowStamp();
    WriteCommandLog(app, "commIO.Open");
    WriteCommandLog(app, "9100");
    const std::string after = NowStamp();

    const std::string log = ReadFileBytes(LogPath());
    const std::regex pattern("earlier line\n"
                             "(\\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2}:\\d{2}) = commIO\\.Open\n"
                             "(\\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2}:\\d{2}) = 9100\n");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(log, match, pattern)) << log;
    // The stamps are the local time of writing (the format sorts as text).
    EXPECT_LE(before, match[1].str());
    EXPECT_LE(match[1].str(), match[2].str());
    EXPECT_LE(match[2].str(), after);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(CommandLogTest, EntriesAreStoredInCp932)
{
    WriteCommandLog(app, "--- 取り込み開始");
    const std::string log = ReadFileBytes(LogPath());
    const std::string expected = Utf8ToCp932(" = --- 取り込み開始\n");
    ASSERT_GE(log.size(), expected.size());
    EXPECT_EQ(log.substr(log.size() - expected.size()), expected);
    EXPECT_EQ(log.find("取"), std::string::npos); // not the UTF-8 bytes
}

TEST_F(CommandLogTest, NothingIsWrittenWhileLoggingIsOff)
{
    app.commLogEnabled = false;
    WriteCommandLog(app, "DA");
    ShowCommandLogNotice(app);
    EXPECT_FALSE(std::filesystem::exists(LogPath()));
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(CommandLogTest, AnUnopenableLogIsSkippedSilently)
{
    std::filesystem::create_directory(LogPath()); // a folder where the file should be
    WriteCommandLog(app, "DA");
    app.exeDir = dir.File("missing/");
    WriteCommandLog(app, "DA");
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_TRUE(ui.statusTexts.empty());
}

TEST_F(CommandLogTest, AFailedWriteShowsTheLogErrorOnce)
{
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "needs /dev/full to make writes fail";
    }
    std::filesystem::create_symlink("/dev/full", LogPath());
    WriteCommandLog(app, "DA");
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "Log File Open Error");
    EXPECT_EQ(ui.boxes[0].caption, "ERROR");
    EXPECT_EQ(ui.boxes[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(ui.boxes[0].buttons, MsgButtons::Ok);
}

TEST_F(CommandLogTest, TheNoticeNamesTheLogFile)
{
    app.language = 1; // the notice is the same in both languages
    ShowCommandLogNotice(app);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "保存パス＝" + dir.Path() + "cmd_log.txt");
    EXPECT_EQ(ui.boxes[0].caption, "ログファイル保存が有効です");
    EXPECT_EQ(ui.boxes[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(ui.boxes[0].buttons, MsgButtons::Ok);
}

TEST_F(CommandLogTest, ReportMessageShowsABoxOnlyForItsErrorIds)
{
    struct Case {
        int id;
        bool box;
    };
    const Case cases[] = {{111, false}, {162, false}, {113, true}, {114, true},
                          {115, true},  {119, true},  {152, true}, {164, true}};
    for (int language : {0, 1}) {
        app.language = language;
        for (const Case& c : cases) {
            FakeUserInterface caseUi;
            app.ui = &caseUi;
            ReportMessage(app, c.id);
            const std::string text = Text(c.id);
            ASSERT_FALSE(text.empty()) << c.id;
            if (c.box) {
                EXPECT_EQ(caseUi.events, (Texts{"box:" + text, "redraw", "status:" + text})) << c.id;
                ASSERT_EQ(caseUi.boxes.size(), 1u);
                EXPECT_EQ(caseUi.boxes[0].caption, Text(165));
                EXPECT_EQ(caseUi.boxes[0].icon, MsgIcon::Exclamation);
                EXPECT_EQ(caseUi.boxes[0].buttons, MsgButtons::Ok);
            } else {
                EXPECT_EQ(caseUi.events, Texts{"status:" + text}) << c.id;
            }
        }
    }
    app.language = 0;
    FakeUserInterface japanese;
    app.ui = &japanese;
    ReportMessage(app, 164);
    EXPECT_EQ(japanese.StatusText(), "COMポート I/Oエラー");
}

TEST_F(CommandLogTest, CommandErrorPromptsForPowerOnlyAfterCheckMode)
{
    struct Case {
        const char* code;
        bool prompt;
    };
    const Case cases[] = {{"DA", true}, {"81", false}, {"22", false}, {"D", false}, {"DAX", false}};
    for (const Case& c : cases) {
        FakeUserInterface caseUi;
        app.ui = &caseUi;
        ReportCommandError(app, c.code);
        const std::string boxText = c.prompt ? Text(115) : "* COMMAND ERROR";
        EXPECT_EQ(caseUi.events, (Texts{"status:* COMMAND ERROR", "box:" + boxText, "redraw"})) << c.code;
    }
}

TEST_F(CommandLogTest, RegisterErrorsAllLookTheSame)
{
    ReportRegisterError(app, "91", "00");
    ReportRegisterError(app, "92", "35");
    EXPECT_EQ(ui.events, (Texts{"status:* COMMAND ERROR", "box:* COMMAND ERROR", "redraw",
                                "status:* COMMAND ERROR", "box:* COMMAND ERROR", "redraw"}));
}

TEST_F(CommandLogTest, WindowTitleIsTheCaptionOfEveryReport)
{
    app.windowTitle = "ABC";
    for (int language : {0, 1}) {
        app.language = language;
        ReportMessage(app, 119);
        ReportCommandError(app, "DA");
        ReportRegisterError(app, "91", "00");
    }
    ASSERT_EQ(ui.boxes.size(), 6u);
    for (const MessageBoxCall& box : ui.boxes) {
        EXPECT_EQ(box.caption, "ABC");
    }
}

TEST_F(CommandLogTest, WithoutAUserInterfaceReportsDoNothing)
{
    app.ui = nullptr;
    SetStatusText(app, "x");
    ReportMessage(app, 164);
    ReportCommandError(app, "DA");
    ReportRegisterError(app, "91", "00");
    ShowCommandLogNotice(app);
    WriteCommandLog(app, "still logged");
    EXPECT_NE(ReadFileBytes(LogPath()).find(" = still logged\n"), std::string::npos);
}

TEST_F(CommandLogTest, SetStatusTextReplacesTheStatusLine)
{
    SetStatusText(app, "one");
    SetStatusText(app, "two");
    EXPECT_EQ(ui.statusTexts, (Texts{"one", "two"}));
}

} // namespace
