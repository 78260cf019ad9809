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

TEST_F(CommandLogTest, EachEntryAppendsOneLocallyStampedLineInCp932)
{
    WriteFileBytes(LogPath(), "earlier line\n");
    const std::string before = NowStamp();
    WriteCommandLog(app, "commIO.Open");
    WriteCommandLog(app, "--- 取り込み開始");
    const std::string after = NowStamp();

    const std::string stamp = "(\\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2}:\\d{2})";
    const std::string log = ReadFileBytes(LogPath());
    std::smatch m;
    ASSERT_TRUE(std::regex_match(
        log, m, std::regex("earlier line\n" + stamp + " = commIO\\.Open\n" + stamp + " = ([^\n]*)\n")))
        << log;
    EXPECT_EQ(m[3].str(), Utf8ToCp932("--- 取り込み開始"));
    // The format sorts as text.
    EXPECT_LE(before, m[1].str());
    EXPECT_LE(m[1].str(), m[2].str());
    EXPECT_LE(m[2].str(), after);
    EXPECT_TRUE(ui.events.empty());
}

TEST_F(CommandLogTest, NothingIsWrittenOrShownWhileLoggingIsOff)
{
    app.commLogEnabled = false;
    WriteCommandLog(app, "DA");
    ShowCommandLogNotice(app);
    EXPECT_FALSE(std::filesystem::exists(LogPath()));
    EXPECT_TRUE(ui.events.empty());
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
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "Log File Open Error");
    EXPECT_EQ(ui.boxes[0].caption, "ERROR");
    EXPECT_EQ(ui.boxes[0].icon, MsgIcon::Exclamation);
}

TEST_F(CommandLogTest, TheNoticeNamesTheLogFileInEitherLanguage)
{
    app.language = 1;
    ShowCommandLogNotice(app);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "保存パス＝" + dir.Path() + "cmd_log.txt");
    EXPECT_EQ(ui.boxes[0].caption, "ログファイル保存が有効です");
    EXPECT_EQ(ui.boxes[0].icon, MsgIcon::Exclamation);
}

TEST_F(CommandLogTest, ReportMessageShowsABoxOnlyForItsErrorIdsCaptionedWithTheWindowTitle)
{
    const std::pair<int, bool> cases[] = {{111, false}, {162, false}, {113, true}, {114, true},
                                          {115, true},  {119, true},  {152, true}, {164, true}};
    for (const char* title : {"", "ABC"}) {
        app.windowTitle = title;
        for (int language : {0, 1}) {
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
                    EXPECT_EQ(b.icon, MsgIcon::Exclamation);
                    EXPECT_EQ(b.buttons, MsgButtons::Ok);
                }
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
}

TEST_F(CommandLogTest, WithoutAUserInterfaceReportsDoNothingButTheLogIsKept)
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

} // namespace
