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

class CommandLogTest : public ::testing::Test, public LineRig {
protected:
    CommandLogTest() { app.commLogEnabled = true; }
    std::string LogPath() const { return dir.File("cmd_log.txt"); }
    static std::string NowStamp()
    {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        std::ostringstream stamp;
        stamp << std::put_time(localtime_r(&now, &local), "%Y/%m/%d %H:%M:%S");
        return stamp.str();
    }
    // A fresh user for each message; its events and the caption of its boxes.
    Texts Told(const std::function<void()>& report)
    {
        FakeUserInterface caseUi;
        app.ui = &caseUi;
        report();
        Texts told = caseUi.events;
        for (const MessageBoxCall& b : caseUi.boxes) {
            const bool plain = b.icon == MsgIcon::Exclamation && b.buttons == MsgButtons::Ok;
            told.push_back("caption:" + b.caption + (plain ? "" : " (not a plain warning)"));
        }
        return app.ui = &ui, told;
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

TEST_F(CommandLogTest, TheNoticeNamesTheLogFileAndNothingIsWrittenOrShownWhileLoggingIsOff)
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
}

TEST_F(CommandLogTest, AnUnopenableLogIsSkippedSilentlyButAFailedWriteIsShown)
{
    std::filesystem::create_directory(LogPath()); // a folder where the file should be
    WriteCommandLog(app, "DA");
    app.exeDir = dir.File("missing/");
    WriteCommandLog(app, "DA");
    EXPECT_TRUE(ui.events.empty());
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "needs /dev/full to make writes fail";
    app.exeDir = dir.File("full/");
    std::filesystem::create_directory(app.exeDir);
    std::filesystem::create_symlink("/dev/full", app.exeDir + "cmd_log.txt");
    EXPECT_EQ(Told([&] { WriteCommandLog(app, "DA"); }), (Texts{"box:Log File Open Error", "caption:ERROR"}));
}

TEST_F(CommandLogTest, ErrorsShowABoxCaptionedWithTheWindowTitleAndPromptForPowerOnlyAtCheckMode)
{
    const std::pair<int, bool> ids[] = {{111, false}, {162, false}, {113, true}, {114, true},
                                        {115, true},  {119, true},  {152, true}, {164, true}};
    for (const auto& [title, language] : {std::pair{"", 0}, std::pair{"ABC", 1}}) {
        std::tie(app.windowTitle, app.language) = std::tuple(title, language);
        const std::string caption = "caption:" + std::string(*title ? title : Text(165));
        for (const auto& [id, box] : ids) {
            const std::string text = Text(id);
            const Texts expected =
                box ? Texts{"box:" + text, "redraw", "status:" + text, caption} : Texts{"status:" + text};
            EXPECT_EQ(Told([&, id = id] { ReportMessage(app, id); }), expected) << id;
        }
    }
    app.language = 0;
    EXPECT_EQ(Text(164), "COMポート I/Oエラー");
    for (const char* code : {"DA", "81", "22", "D", "DAX"}) {
        const std::string box = std::string(code) == "DA" ? Text(115) : "* COMMAND ERROR";
        EXPECT_EQ(Told([&] { ReportCommandError(app, code); }),
                  (Texts{"status:* COMMAND ERROR", "box:" + box, "redraw", "caption:ABC"}))
            << code;
    }
    EXPECT_EQ(Told([&] { ReportRegisterError(app, "92", "35"); }),
              (Texts{"status:* COMMAND ERROR", "box:* COMMAND ERROR", "redraw", "caption:ABC"}));
    app.ui = nullptr; // nobody to tell: nothing happens
    ReportMessage(app, 164);
    ReportCommandError(app, "DA");
}

} // namespace
