// rm42ctl settings and typename end to end: the real executable against rm42-sim on a
// pseudo-terminal, checked by what it prints, what it writes and the simulator's traffic log.

#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "CtlFixture.h"

namespace {

class CtlSettings : public CtlTest {
protected:
    // The thermometer of the export example: HIGH 100.0 on, LOW -10.0 off, clock alarm 12:00 on
    // once, ringing 3 s, hold 15 s, 1 degC.
    void StartSim(const std::vector<std::string>& more = {}, const std::string& preference = "")
    {
        sim.reset();
        std::filesystem::remove(Log());
        WriteFileBytes(dir.File("regs.txt"), "35=4200 36=0E94 37=0A48 3D=0C00 3E=0003 3F=000F\n");
        std::vector<std::string> args{"--serial", "12345678",           "--clock", "2005-03-05T14:30:00",
                                      "--memory", dir.File("regs.txt"), "--log",   Log()};
        args.insert(args.end(), more.begin(), more.end());
        sim = std::make_unique<SimProcess>(Link(), args);
        ASSERT_TRUE(sim->Ready()) << sim->Error();
        WriteIni("Langage=1\r\n", preference);
    }

    std::unique_ptr<SimProcess> sim;
};

const char* const kExample = "Type-Number,No.00123450678 (Line A)\nEmissivity,0.95\nAlarm-HIGH,100.0 °C, ON\n"
                             "Alarm-LOW,-10.0 °C, OFF\n\nClock Alarm Setting,12:00,ON\nRinging Time,3 sec.\n"
                             "Repeat,Once\n\nResolution (-30~200°C),1°C \nHold-Time,15 sec.\n";

TEST_F(CtlSettings, ShowAndExportGiveTheSettingsAsTheExportWritesThem)
{
    StartSim();
    WriteFileBytes(dir.File("hardname.rm4"), "[HardName]\r\n012345678=Line A\r\n");
    const auto shown = Ctl({"settings", "show"});
    EXPECT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_EQ(shown.out, kExample);
    EXPECT_EQ(shown.err, "");

    const auto exported = Ctl({"settings", "export", dir.File("out.txt")});
    EXPECT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_EQ(exported.out, dir.File("out.csv") + "\n");
    EXPECT_EQ(ReadFileBytes(dir.File("out.csv")), ReadFileBytes(TestDataPath("settings/settings-en.csv")));

    const auto cannot = Ctl({"settings", "export", dir.File("no/such/folder/x.csv")});
    EXPECT_EQ(cannot.exitCode, 1);
    EXPECT_NE(cannot.err.find("File Not Opened by File Output Error"), std::string::npos) << cannot.err;
}

TEST_F(CtlSettings, AValueThatWasNotReadIsNeverShownOrWrittenAsOne)
{
    StartSim();
    ASSERT_EQ(Ctl({"settings", "show"}).exitCode, 0);
    const std::size_t alarmHigh = TransactionOf("9136");
    ASSERT_GT(alarmHigh, 0u);
    const auto refuseAlarmHigh = [&] {
        sim.reset();
        StartSim({"--fault", "ng-at:" + std::to_string(alarmHigh)});
    };
    refuseAlarmHigh();
    const auto shown = Ctl({"settings", "show"});
    EXPECT_EQ(shown.exitCode, 1);
    EXPECT_NE(shown.out.find("Alarm-HIGH,----, ON\nAlarm-LOW,-10.0 °C, OFF\n"), std::string::npos)
        << shown.out;

    refuseAlarmHigh();
    const auto exported = Ctl({"settings", "export", dir.File("out.csv")});
    EXPECT_EQ(exported.exitCode, 1);
    EXPECT_NE(exported.err.find("was not written"), std::string::npos) << exported.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.csv")));
}

TEST_F(CtlSettings, EachSetCommandSendsItsGroupAndShowReadsItBack)
{
    StartSim();
    const std::tuple<std::vector<std::string>, std::string> cases[] = {
        {{"set-alarm", "--high", "600", "--low", "-30", "--high-off", "--low-on"},
         "DA\n9236221C\n92370980\n9135\n92358200\n81\n"},
        // A state not given keeps what the thermometer holds.
        {{"set-alarm", "--high", "600", "--low", "-30", "--high-on"}, "9135\n9235C200\n"},
        {{"set-alarm", "--high", "100", "--low", "-17.1", "--high-on", "--low-off"},
         "92360E94\n92370A00\n9135\n92354200\n"},
        {{"set-clock", "2010-06-07T08:09:10"}, "DA\n230A0908\n24070607DA\n81\n"},
        {{"set-clock-alarm", "07:00", "--ring", "4", "--once"}, "923E0004\n9135\n92354200\n"},
        {{"set-clock-alarm", "06:45", "--ring", "8", "--daily", "--off"},
         "DA\n923D062D\n923E0008\n9135\n92354400\n81\n"},
        {{"set-resolution", "0.1"}, "DA\n9100\n9200FC0C\n81\n"},
        {{"set-hold", "20"}, "DA\n923F0014\n81\n"},
    };
    for (const auto& [args, sent] : cases) {
        std::vector<std::string> command{"settings"};
        command.insert(command.end(), args.begin(), args.end());
        const std::string before = Received();
        const auto r = Ctl(command);
        EXPECT_EQ(r.exitCode, 0) << args[0] << r.err;
        const std::string now = Received().substr(before.size());
        EXPECT_NE(now.find(sent), std::string::npos) << args[0] << ":\n" << now;
    }
    const auto shown = Ctl({"settings", "show"});
    EXPECT_EQ(shown.out, "Type-Number,No.00123450678 (no name)\nEmissivity,0.95\nAlarm-HIGH,100.0 °C, ON\n"
                         "Alarm-LOW,-17.2 °C, OFF\n\nClock Alarm Setting,06:45,OFF\nRinging Time,8 sec.\n"
                         "Repeat,Everyday\n\nResolution (-30~200°C),0.1°C \nHold-Time,20 sec.\n");
}

TEST_F(CtlSettings, BadValuesAreUsageErrorsAndNothingIsSent)
{
    StartSim();
    // Every numeric option of every command, @ standing for its value, in forms the program's
    // numeric fields would not take: hexadecimal, exponent, a blank, trailing garbage.
    const std::vector<std::vector<std::string>> numeric = {
        {"settings", "set-alarm", "--low", "0", "--high", "@"},
        {"settings", "set-alarm", "--high", "100", "--low", "@"},
        {"settings", "set-clock-alarm", "06:45", "--ring", "@"},
        {"settings", "set-hold", "@"},
        {"emissivity", "set", "@"},
        {"teach", "--temp", "@"},
        {"record", "--duration", "5", "--interval", "@"},
        {"record", "--interval", "1", "--duration", "@"},
        {"memory", "write", "--keep", "@"},
        {"--retries", "@", "check"},
    };
    std::vector<std::pair<std::vector<std::string>, std::string>> cases;
    for (const auto& args : numeric)
        for (const char* text : {"0x5", "1e1", " 5", "5x"})
            cases.push_back({args, text});
    // Values out of range or order, and texts the page's own controls would not take.
    cases.insert(cases.end(), {
                                  {numeric[0], "600.1"},
                                  {numeric[1], "100"},
                                  {numeric[2], "11"},
                                  {numeric[3], "21"},
                                  {numeric[4], "1.21"},
                                  {numeric[5], "-30.1"},
                                  {numeric[8], ""},
                                  {numeric[8], "1,"},
                                  {{"settings", "set-clock", "@"}, "2051-01-01T00:00:00"},
                                  {{"settings", "set-clock", "@"}, "2005-02-30T00:00:00"},
                                  {{"settings", "set-clock", "@"}, "2005-03-05T14:30: 0"},
                                  {{"settings", "set-clock-alarm", "@", "--ring", "5"}, "24:00"},
                                  {{"settings", "set-clock-alarm", "@", "--ring", "5"}, "+6:45"},
                                  {{"typename", "set", "@"}, ":/*"},
                              });
    for (auto [args, text] : cases) {
        for (std::string& arg : args)
            if (arg == "@") arg = text;
        const auto r = Ctl(args);
        EXPECT_EQ(r.exitCode, 2) << args[1] << " '" << text << "' " << r.err;
        EXPECT_FALSE(r.err.empty());
    }
    EXPECT_EQ(Received(), "");
}

TEST_F(CtlSettings, AFailedReadOfTheFlagWordWritesNoFlags)
{
    // The start-up sends six commands; the tenth is the read of register 35 in both.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"settings", "set-alarm", "--high", "100", "--low", "0"},
          std::vector<std::string>{"settings", "set-clock-alarm", "06:45", "--ring", "5", "--on"}}) {
        StartSim({"--fault", "ng-at:10"});
        const auto r = Ctl(args);
        EXPECT_EQ(r.exitCode, 1) << args[1];
        const std::string sent = Received();
        EXPECT_NE(sent.find("9135\n81\n"), std::string::npos) << sent;
        EXPECT_EQ(sent.find("9235"), std::string::npos) << sent;
    }
}

TEST_F(CtlSettings, ResetAsksFirstAndTakesThePreferenceDefaults)
{
    StartSim({}, "[Preference]\r\nDefault_HoldTime=0005\r\nDefault_Resolution=1\r\n");
    const auto refused = Ctl({"settings", "reset"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(Received().find("923D"), std::string::npos);

    const auto r = Ctl({"--yes", "settings", "reset"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::string sent = Received();
    EXPECT_NE(sent.find("DA\n923D0C00\n923E0003\n923F0005\n9135\n92354000\n9100\n9200FC0C\n9136\n"),
              std::string::npos)
        << sent;
}

TEST_F(CtlSettings, TypeNameIsRegisteredUnderTheSerialNumber)
{
    StartSim();
    const auto r = Ctl({"typename", "set", "A:B/C"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Serial No.: 00123450678\nType: ABC\n");
    EXPECT_NE(r.err.find("Type-No. was Registered"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(dir.File("hardname.rm4")), "[HardName]\r\n012345678=ABC\r\n");
    EXPECT_EQ(Ctl({"check"}).out, "Serial No.: 00123450678\nType: ABC\n");
}

} // namespace
