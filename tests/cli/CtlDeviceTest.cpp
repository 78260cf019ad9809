// rm42ctl settings, typename, memory, read, teach and emissivity end to end: the real executable
// against rm42-sim on a pseudo-terminal, checked by what it prints, what it writes and the simulator's
// traffic log.

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/CtlFixture.h"

namespace {

class CtlSettings : public CtlTest {
protected:
    // The thermometer of the export example: HIGH 100.0 on, LOW -10.0 off, clock alarm 12:00 on
    // once, ringing 3 s, hold 15 s, 1 degC; registered as "Line A".
    void SetUp() override
    {
        WriteFileBytes(dir.File("regs.txt"), "35=4200 36=0E94 37=0A48 3D=0C00 3E=0003 3F=000F\n");
        WriteFileBytes(dir.File("hardname.rm4"), "[HardName]\r\n012345678=Line A\r\n");
        StartSim(
            {"--serial", "12345678", "--clock", "2005-03-05T14:30:00", "--memory", dir.File("regs.txt")});
        WriteIni("Langage=1\r\n", "[Preference]\r\nDefault_HoldTime=0005\r\nDefault_Resolution=1\r\n");
    }
};

TEST_F(CtlSettings, EachSubCommandSendsItsGroupAndShowReadsItBack)
{
    // A state not given keeps what the thermometer holds; -17.1 degC is 256.0 K in tenths cut off.
    // The reset asks first and takes the preference defaults; a type name is kept without the
    // characters a file name cannot hold.
    // clang-format off
    Expect({
        {{"settings", "export", dir.File("out.txt")}, 0, dir.File("out.csv")},
        {{"settings", "set-alarm", "--high", "600", "--low", "-30", "--high-off", "--low-on"}, 0, "", "", "DA\n9236221C\n92370980\n9135\n92358200\n81\n"},
        {{"settings", "set-alarm", "--high", "100", "--low", "-17.1", "--high-on"}, 0, "", "", "92360E94\n92370A00\n9135\n9235C200\n"},
        {{"settings", "set-clock", "2010-06-07T08:09:10"}, 0, "", "", "DA\n230A0908\n24070607DA\n81\n"},
        {{"settings", "set-clock-alarm", "06:45", "--ring", "8", "--daily", "--off"}, 0, "", "", "DA\n923D062D\n923E0008\n9135\n9235C400\n81\n"},
        {{"settings", "set-resolution", "0.1"}, 0, "", "", "DA\n9100\n9200FC0C\n81\n"},
        {{"settings", "set-hold", "20"}, 0, "", "", "DA\n923F0014\n81\n"},
        {{"settings", "show"}, 0, "Type-Number,No.00123450678 (Line A)\nEmissivity,0.95\nAlarm-HIGH,100.0 °C, ON\n"
          "Alarm-LOW,-17.2 °C, ON\n\nClock Alarm Setting,06:45,OFF\nRinging Time,8 sec.\n"
          "Repeat,Everyday\n\nResolution (-30~200°C),0.1°C \nHold-Time,20 sec.\n"},
        {{"settings", "reset"}, 1},
        {{"--yes", "settings", "reset"}, 0, "", "", "DA\n923D0C00\n923E0003\n923F0005\n9135\n"},
        {{"typename", "set", "A:B/C"}, 0, "Serial No.: 00123450678\nType: ABC\n", "Type-No. was Registered"}});
    // clang-format on
    EXPECT_EQ(ReadFileBytes(dir.File("out.csv")), ReadFileBytes(TestDataPath("settings/settings-en.csv")));
    EXPECT_EQ(ReadFileBytes(dir.File("hardname.rm4")), "[HardName]\r\n012345678=ABC\r\n");
    EXPECT_EQ(Count(Received(), "923D"), 2u) << "the clock alarm's and the reset's after it was asked";
}

TEST_F(CtlSettings, BadValuesAreUsageErrorsAndNothingIsSent)
{
    // Every numeric option of every command, @ standing for its value, in forms the program's
    // numeric fields would not take: hexadecimal, exponent, a blank, trailing garbage.
    // clang-format off
    const std::vector<std::vector<std::string>> numeric = {
        {"settings", "set-alarm", "--low", "0", "--high", "@"}, {"settings", "set-alarm", "--high", "100", "--low", "@"},
        {"settings", "set-clock-alarm", "06:45", "--ring", "@"}, {"settings", "set-hold", "@"}, {"emissivity", "set", "@"},
        {"teach", "--temp", "@"}, {"record", "--duration", "5", "--interval", "@"},
        {"record", "--interval", "1", "--duration", "@"}, {"memory", "write", "--keep", "@"}, {"--retries", "@", "check"}};
    std::vector<std::pair<std::vector<std::string>, std::string>> cases;
    for (const auto& args : numeric)
        for (const char* text : {"0x5", "1e1", " 5", "5x"})
            cases.push_back({args, text});
    // Values out of range or order, and texts the page's own controls would not take.
    const std::vector<std::string> clock{"settings", "set-clock", "@"}, alarm{"settings", "set-clock-alarm", "@", "--ring", "5"};
    cases.insert(cases.end(), {{numeric[0], "600.1"}, {numeric[1], "100"}, {numeric[2], "11"}, {numeric[3], "21"},
        {numeric[4], "1.21"}, {numeric[5], "-30.1"}, {numeric[8], ""}, {numeric[8], "1,"}, {numeric[9], "-1"},
        {numeric[9], "1.5"}, {numeric[9], "1000001"}, {clock, "2051-01-01T00:00:00"}, {clock, "2005-02-30T00:00:00"},
        {clock, "2005-03-05T14:30: 0"}, {alarm, "24:00"}, {alarm, "+6:45"}, {{"typename", "set", "@"}, ":/*"}});
    // clang-format on
    std::vector<CtlRow> rows;
    for (auto [args, text] : cases) {
        std::replace(args.begin(), args.end(), std::string("@"), text);
        rows.push_back({args, 2, "-", "Run with --help for more information.", "-"});
    }
    Expect(rows);
}

// Three records with a time stamp and the room temperature: 25.0, 30.0 and 20.0 degC.
constexpr const char* kMemory = "35=000C 40=0003 41=0003\n"
                                "0BA6 1407 0F03 1E0A 0005 0B7A\n"
                                "0C08 1407 0F03 1F0A 0010 0B7B\n"
                                "0B44 1407 1003 0809 0020 0B7C\n";

using CtlMemory = CtlTest;

TEST_F(CtlMemory, ReadPrintsAndSavesTheRowsAndWriteKeepsTheListedOnes)
{
    WriteFileBytes(dir.File("mem.txt"), kMemory);
    WriteIni("Langage=1\r\n");
    StartSim({"--memory", dir.File("mem.txt")});
    std::filesystem::copy_file(RunnableDir() + "templete_2(ENG).html", dir.File("templete_2(ENG).html"));
    // clang-format off
    Expect({
        {{"memory", "read", "--unit", "k", "--csv", dir.File("list.txt"), "--report", dir.File("list.html")}, 0,
         "Memory Available: 30\nMemoryNo.\tTemp.(K)\tRoom(K)\tTime\tEmissivity\tMAX(K)\tMIN(K)\n"
         "1\t298.2\t293.8\t2007/03/15  10:30:05\t----\t----\t----\n2\t308.0\t293.9\t2007/03/15  10:31:16\t----\t----\t----\n"
         "3\t288.4\t294.0\t2007/03/16  09:08:32\t----\t----\t----\n", "-"},
        {{"memory", "write", "--keep", "3,1"}, 1, "", "Do You Want to Load Data to Themometer?"},
        {{"--yes", "memory", "write", "--keep", "7"}, 2, "", "row 7 holds no data"},
        {{"--yes", "memory", "write", "--keep", "31"}, 2, "", "row 31 is not in the list (1 to 30)"},
        {{"--yes", "memory", "write", "--keep", "2", "--items", "time,heat"}, 2, "", "unknown item 'heat'"},
        {{"memory", "write"}, 2},
        {{"memory", "read", "--unit", "x"}, 2}});
    EXPECT_NE(ReadFileBytes(dir.File("list.csv")).find("3,288.4,294.0,2007/03/16  09:08:32,,,\r\n"), std::string::npos);
    // Rows without data belong in the report: 30 rows on two pages.
    EXPECT_NE(ReadFileBytes(dir.File("list(PAGE02).html")).find("<tr><td align=center>30</td>"), std::string::npos);
    const std::string sent = "\n" + Received();
    EXPECT_EQ(Count(sent, "\n92"), Count(sent, "\n9200")) << "a read or a refused write writes nothing but STATUS0";
    // The item word with room and MAX (seven words a record); the rows packed from the top, the third
    // record's temperature the second one's first word.
    Expect({{{"--yes", "memory", "write", "--keep", "3,1", "--items", "time,room,max"}, 0, "", "", "9235002C\n"}});
    // clang-format on
    EXPECT_NE(Received().find("\n92490B44\n"), std::string::npos);
}

// The simulator's target has a known true temperature and emissivity.
using CtlTeaching = CtlTest;

TEST_F(CtlTeaching, TeachingFindsTheTargetsTrueEmissivityAndAFailedSetIsReported)
{
    WriteIni("Langage=1\r\n", "[Teaching]\r\nReloadWaitTime=5\r\n");
    StartSim({"--target", "150.0", "--emissivity", "0.82", "--emissivity-register", "950"});
    // With 0.95 set, a 0.82 target reads low: 136.8 degC. Teaching 150.0 finds 0.819, written cut
    // off (0333), and the read after it finds the target's temperature.
    // clang-format off
    Expect({{{"read"}, 0, "410.0(K), 296.2(K), 0.95\n", "-"},
            {{"teach", "--temp", "150.0"}, 0, "Taught emissivity: 0.82\n423.3(K), 296.2(K), 0.82\n", "-", "\n92140333\n"}});
    // clang-format on
    // The write of 0.85 (0352) goes through; the refused 2F of the read after it fails the command.
    StartSim({"--fault", "ng:2F"});
    Expect({{{"emissivity", "set", "0.85"}, 1, "0.0(K), 296.2(K), 0.85", "* COMMAND ERROR", "\n92140352\n"}});
}

} // namespace
