#include "device/ConnectionCheck.h"
#include "app/AppState.h"
#include "app/IniFile.h"
#include "app/LangString.h"
#include "support/FakeClock.h"
#include "support/FakeUserInterface.h"
#include "support/ScriptedSerialPort.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

constexpr const char* kCommandError = "* COMMAND ERROR";

// A thermometer with serial number 123456789 (0x075BCD15) that accepts everything.
class ConnectionCheckTest : public ::testing::Test {
protected:
    ConnectionCheckTest()
    {
        app.iniPath = dir.File("rm42meter.ini");
        app.exeDir = dir.Path();
        app.clock = &clock;
        app.ports = &line;
        app.ui = &ui;
        WriteFileBytes(app.iniPath, "[ComPort]\nPort=/dev/ttyRM0\n");
        line.Respond("DA", "DAOK");
        line.Respond("9130", "9130075B12");
        line.Respond("9131", "9131CD1534");
        SetStatus0(0x0000);
        line.Respond("92", "92");
        line.Respond("81", "81");
    }

    void SetStatus0(uint16_t value)
    {
        char text[16];
        std::snprintf(text, sizeof text, "9100%04X00", static_cast<unsigned>(value));
        line.Respond("9100", text);
    }

    std::string Text(int id) const { return LoadLangString(app, id); }

    // The link was given back on every path.
    void ExpectClosed() const
    {
        EXPECT_FALSE(line.AnyPortOpen());
        EXPECT_EQ(line.Closes(), static_cast<int>(line.Opens().size()));
    }

    TempDir dir;
    FakeClock clock;
    ScriptedLine line{clock};
    FakeUserInterface ui;
    AppState app;
};

TEST_F(ConnectionCheckTest, AHealthyThermometerIsCheckedInOneGo)
{
    ASSERT_TRUE(CheckConnection(app));
    EXPECT_EQ(line.Commands(), (Texts{"DA", "9130", "9131", "9100", "9200FC04", "81"}));
    EXPECT_EQ(app.deviceSerial, 123456789u);
    EXPECT_EQ(app.deviceSerialText, "01234560789");
    EXPECT_EQ(app.portRetryCount, 0);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(line.Opens().at(0).device, "/dev/ttyRM0");
    // Open, then each command's pause; the register write pauses longest.
    EXPECT_EQ(clock.sleeps, (std::vector<uint32_t>{200, 40, 40, 40, 40, 500, 40}));
    ExpectClosed();
}

TEST_F(ConnectionCheckTest, Status0IsWrittenOnlyWhenTheTemplateChangesIt)
{
    struct Case {
        uint16_t value;
        const char* write; // nullptr: no write
        const char* readBox;
        const char* newBox;
    };
    const Case cases[] = {
        {0x0000, "9200FC04", "   0", "FC04"},
        {0xFC04, nullptr, "FC04", "FC04"},
        {0xFFFF, "9200FE1F", "FFFF", "FE1F"},
        {0x00A5, "9200FC05", "  A5", "FC05"},
    };
    for (const Case& c : cases) {
        FakeClock caseClock;
        ScriptedLine caseLine(caseClock);
        FakeUserInterface caseUi;
        caseLine.Respond("DA", "DAOK");
        caseLine.Respond("9130", "9130075B12");
        caseLine.Respond("9131", "9131CD1534");
        char status0[16];
        std::snprintf(status0, sizeof status0, "9100%04X00", static_cast<unsigned>(c.value));
        caseLine.Respond("9100", status0);
        caseLine.Respond("92", "92");
        caseLine.Respond("81", "81");
        app.clock = &caseClock;
        app.ports = &caseLine;
        app.ui = &caseUi;
        app.status0Monitor = true;

        EXPECT_TRUE(CheckConnection(app)) << c.value;
        Texts expected{"DA", "9130", "9131", "9100"};
        if (c.write != nullptr) {
            expected.emplace_back(c.write);
        }
        expected.emplace_back("81");
        EXPECT_EQ(caseLine.Commands(), expected) << c.value;

        // Both monitor boxes, also when nothing is written.
        ASSERT_EQ(caseUi.boxes.size(), 2u) << c.value;
        EXPECT_EQ(caseUi.boxes[0].text, c.readBox);
        EXPECT_EQ(caseUi.boxes[0].caption, "STATUS0 設定値読み込み");
        EXPECT_EQ(caseUi.boxes[1].text, c.newBox);
        EXPECT_EQ(caseUi.boxes[1].caption, "STATUS0 再設定");
        for (const MessageBoxCall& box : caseUi.boxes) {
            EXPECT_EQ(box.icon, MsgIcon::None);
            EXPECT_EQ(box.buttons, MsgButtons::Ok);
        }
        EXPECT_FALSE(caseLine.AnyPortOpen());
    }
}

TEST_F(ConnectionCheckTest, TheTemplateComesFromTheIni)
{
    struct Case {
        const char* templ;
        uint16_t value;
        const char* write;
    };
    const Case cases[] = {
        {"0000000000000000", 0xFFFF, "92000000"},
        {"1", 0x0000, "92008000"}, // the missing characters leave bits alone
        {"________________", 0x1234, nullptr},
        {"000000000000000x", 0x0001, nullptr}, // anything but 0 and 1 keeps the bit
    };
    for (const Case& c : cases) {
        WriteFileBytes(app.iniPath, std::string("[System]\nDefault_STATUS0=") + c.templ + "\n");
        ScriptedLine caseLine(clock);
        caseLine.Respond("DA", "DAOK");
        caseLine.Respond("91", "9100000000");
        char status0[16];
        std::snprintf(status0, sizeof status0, "9100%04X00", static_cast<unsigned>(c.value));
        caseLine.Respond("9100", status0);
        caseLine.Respond("92", "92");
        caseLine.Respond("81", "81");
        app.ports = &caseLine;
        EXPECT_TRUE(CheckConnection(app)) << c.templ;
        const Texts commands = caseLine.Commands();
        ASSERT_GE(commands.size(), 5u);
        if (c.write != nullptr) {
            EXPECT_EQ(commands[4], c.write) << c.templ;
        } else {
            EXPECT_EQ(commands[4], "81") << c.templ;
        }
    }
}

TEST_F(ConnectionCheckTest, NoThermometerRetriesThroughTheComPortDialogUntilCancel)
{
    line.failOpens = 100;
    ui.answers = {MsgAnswer::Retry, MsgAnswer::Retry, MsgAnswer::Cancel};
    int openWhileDialog = 0;
    ui.onComPortDialog = [&] { openWhileDialog += line.AnyPortOpen() ? 1 : 0; };

    EXPECT_FALSE(CheckConnection(app));
    ASSERT_EQ(ui.boxes.size(), 3u);
    for (const MessageBoxCall& box : ui.boxes) {
        EXPECT_EQ(box.text, Text(114));
        EXPECT_EQ(box.caption, Text(165));
        EXPECT_EQ(box.icon, MsgIcon::Stop);
        EXPECT_EQ(box.buttons, MsgButtons::RetryCancel);
    }
    EXPECT_EQ(ui.events,
              (Texts{"box:" + Text(114), "comport", "box:" + Text(114), "comport", "box:" + Text(114)}));
    EXPECT_EQ(app.portRetryCount, 2);
    EXPECT_EQ(line.OpenAttempts(), 3);
    EXPECT_EQ(openWhileDialog, 0);
    EXPECT_TRUE(line.Commands().empty());
}

TEST_F(ConnectionCheckTest, RetryOpensThePortChosenInTheDialog)
{
    line.failOpens = 1;
    ui.answers = {MsgAnswer::Retry};
    ui.onComPortDialog = [&] { IniFile::WriteString(app.iniPath, "ComPort", "Port", "/dev/ttyRM7"); };
    EXPECT_TRUE(CheckConnection(app));
    ASSERT_EQ(line.Opens().size(), 1u);
    EXPECT_EQ(line.Opens()[0].device, "/dev/ttyRM7");
    EXPECT_EQ(app.portRetryCount, 1);
    ExpectClosed();
}

TEST_F(ConnectionCheckTest, ASwitchedOffThermometerIsPromptedAndOkRetriesFromOpening)
{
    line.cts = line.dsr = false;
    ui.onMessageBox = [&](const MessageBoxCall&) { line.cts = line.dsr = true; }; // the user switches on
    EXPECT_TRUE(CheckConnection(app));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, Text(115));
    EXPECT_EQ(ui.boxes[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(ui.boxes[0].buttons, MsgButtons::OkCancel);
    EXPECT_EQ(line.Opens().size(), 2u);
    EXPECT_EQ(ui.comPortDialogRuns, 0);
    EXPECT_EQ(app.portRetryCount, 1);
    EXPECT_EQ(line.Commands(), (Texts{"DA", "9130", "9131", "9100", "9200FC04", "81"}));
    ExpectClosed();
}

TEST_F(ConnectionCheckTest, AnyLinkFailureOnCheckModeOffersTheSwitchOnPrompt)
{
    struct Case {
        const char* what;
        std::function<void(ScriptedLine&)> arrange;
    };
    const Case cases[] = {
        {"switched off", [](ScriptedLine& l) { l.cts = l.dsr = false; }},
        {"silent", [](ScriptedLine& l) { l.Silence("DA"); }},
        {"write fails", [](ScriptedLine& l) { l.failWrite = true; }},
        {"hang-up",
         [](ScriptedLine& l) {
             l.RespondWith("DA", {{"DA", 0}, {"", 100, true}});
         }},
    };
    for (const Case& c : cases) {
        ScriptedLine caseLine(clock);
        FakeUserInterface caseUi;
        caseLine.Respond("DA", "DAOK");
        c.arrange(caseLine);
        caseUi.answers = {MsgAnswer::Ok, MsgAnswer::Cancel};
        app.ports = &caseLine;
        app.ui = &caseUi;
        app.portRetryCount = 0;
        EXPECT_FALSE(CheckConnection(app)) << c.what;
        EXPECT_EQ(caseUi.BoxTexts(), (Texts{Text(115), Text(115)})) << c.what;
        EXPECT_EQ(app.portRetryCount, 1) << c.what;
        EXPECT_EQ(caseLine.Opens().size(), 2u) << c.what;
        EXPECT_EQ(caseLine.Closes(), 2) << c.what;
        EXPECT_FALSE(caseLine.AnyPortOpen()) << c.what;
    }
}

TEST_F(ConnectionCheckTest, AnAnswerOtherThanOkLetsTheUserPickAnotherPort)
{
    line.RespondOnce("DA", "DANG");
    bool openDuringDialog = true;
    ui.onComPortDialog = [&] { openDuringDialog = line.AnyPortOpen(); };
    EXPECT_TRUE(CheckConnection(app));
    EXPECT_EQ(ui.events.at(0), "box:" + Text(119));
    EXPECT_EQ(ui.events.at(1), "comport");
    EXPECT_EQ(ui.boxes[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(ui.boxes[0].buttons, MsgButtons::Ok);
    EXPECT_FALSE(openDuringDialog);
    EXPECT_EQ(app.portRetryCount, 1);
    EXPECT_EQ(line.Commands(), (Texts{"DA", "DA", "9130", "9131", "9100", "9200FC04", "81"}));
    ExpectClosed();
}

TEST_F(ConnectionCheckTest, FailuresAfterCheckModeAreReportedAndDecideTheResult)
{
    struct Case {
        const char* what;
        std::function<void(ScriptedLine&)> arrange;
        bool result;
        Texts boxes; // 114 / 119 stand for their texts
        Texts commands;
    };
    const Texts all{"DA", "9130", "9131", "9100", "9200FC04", "81"};
    const Texts noWrite{"DA", "9130", "9131", "9100", "81"};
    const Case cases[] = {
        {"high half refused", [](ScriptedLine& l) { l.Respond("9130", "91NG"); }, false, {"119"}, all},
        {"low half refused", [](ScriptedLine& l) { l.Respond("9131", "91NG"); }, false, {"119"}, all},
        {"high half silent", [](ScriptedLine& l) { l.Silence("9130"); }, true, {"119"}, all},
        {"high half garbled", [](ScriptedLine& l) { l.Respond("9130", "9130XY"); }, true, {"119"}, all},
        {"STATUS0 refused",
         [](ScriptedLine& l) { l.Respond("9100", "91NG"); },
         false,
         {kCommandError},
         noWrite},
        {"STATUS0 silent", [](ScriptedLine& l) { l.Silence("9100"); }, false, {kCommandError}, noWrite},
        {"STATUS0 garbled",
         [](ScriptedLine& l) { l.Respond("9100", "9100FC"); },
         false,
         {kCommandError},
         noWrite},
        {"STATUS0 write refused",
         [](ScriptedLine& l) { l.Respond("92", "92NG"); },
         true,
         {kCommandError},
         all},
        {"exit refused", [](ScriptedLine& l) { l.Respond("81", "81NG"); }, false, {"119"}, all},
        {"exit silent", [](ScriptedLine& l) { l.Silence("81"); }, true, {"119"}, all},
        {"switched off before exit",
         [](ScriptedLine& l) {
             l.onCommand = [&l](const std::string& command) {
                 if (command == "9200FC04") {
                     l.cts = l.dsr = false;
                 }
             };
         },
         true,
         {"114"},
         {"DA", "9130", "9131", "9100", "9200FC04"}},
        {"cable pulled during the serial read",
         [](ScriptedLine& l) {
             l.onCommand = [&l](const std::string& command) {
                 if (command == "9130") {
                     l.HangUp();
                 }
             };
         },
         false,
         {"119", "119", kCommandError, "119"},
         {"DA", "9130"}},
    };
    for (const Case& c : cases) {
        ScriptedLine caseLine(clock);
        FakeUserInterface caseUi;
        caseLine.Respond("DA", "DAOK");
        caseLine.Respond("9130", "9130075B12");
        caseLine.Respond("9131", "9131CD1534");
        caseLine.Respond("9100", "9100000000");
        caseLine.Respond("92", "92");
        caseLine.Respond("81", "81");
        c.arrange(caseLine);
        app.ports = &caseLine;
        app.ui = &caseUi;
        app.deviceSerial = 0;
        app.deviceSerialText.clear();

        EXPECT_EQ(CheckConnection(app), c.result) << c.what;
        Texts boxes;
        for (const std::string& box : c.boxes) {
            boxes.push_back(box == "114" ? Text(114) : box == "119" ? Text(119) : box);
        }
        EXPECT_EQ(caseUi.BoxTexts(), boxes) << c.what;
        EXPECT_EQ(caseLine.Commands(), c.commands) << c.what;
        EXPECT_EQ(caseUi.comPortDialogRuns, 0) << c.what;
        EXPECT_FALSE(caseLine.AnyPortOpen()) << c.what;
        EXPECT_EQ(caseLine.Closes(), 1) << c.what;
    }
}

TEST_F(ConnectionCheckTest, ASerialHalfThatFailsLeavesTheSerialAsTheOtherHalfMakesIt)
{
    line.Respond("9131", "91NG");
    app.deviceSerial = 42;
    app.deviceSerialText = "keep";
    EXPECT_FALSE(CheckConnection(app));
    EXPECT_EQ(app.deviceSerial, 42u); // no low half: the number is not replaced
    EXPECT_EQ(app.deviceSerialText, "keep");
}

TEST_F(ConnectionCheckTest, EnglishTextsAndTheWindowTitleCaption)
{
    app.language = 1;
    app.windowTitle = "ABC";
    line.failOpens = 1;
    ui.answers = {MsgAnswer::Cancel};
    EXPECT_FALSE(CheckConnection(app));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "No Themometer Connected");
    EXPECT_EQ(ui.boxes[0].caption, "ABC");
}

TEST_F(ConnectionCheckTest, WithoutAUserInterfaceNobodyCanRetry)
{
    app.ui = nullptr;
    line.failOpens = 1;
    EXPECT_FALSE(CheckConnection(app));

    line.Respond("DA", "DANG");
    EXPECT_FALSE(CheckConnection(app));
    ExpectClosed();
}

} // namespace
