// The settings page against the in-process simulator: what the page shows of a read, the clocks
// it runs, what each kind of control hands the settings operations, and its own boxes and focus.
// The encodings, messages and the CSV export are DeviceSettingsTest's and CtlSettingsTest's.

#include "settings/CSettingsPage.h"
#include "ui/CNumericEdit.h"
#include "ui/GuiTestSupport.h"

class SettingsPageTest : public SimPageRig<FakeClock> {
protected:
    void SetUp() override
    {
        // HIGH 596.8 degC on, LOW -0.1 degC off, clock alarm 07:21 on once ringing 7 s, hold 15 s,
        // 0.1 degC, the clock at 2005/03/05 14:30:00.
        SimConfig c;
        c.useHostClock = false, c.clockStart = {2005, 3, 5, 14, 30, 0}, c.clockAlarm = 0x0715,
        c.clockAlarmRingS = 7;
        c.alarmHighK10 = 0x21FC, c.alarmLowK10 = 0x0AAB, c.flagWord = 0x421C, c.status0 = 0x0008,
        c.holdS = 15;
        UseThermometer(c);
        WriteIni("Langage=1"), app.language = 1;
        pageUnderTest = page = new CSettingsPage(app, &window);
        window.show(), window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        page->PageShown();
    }
    QLineEdit* F(int id) { return C<QLineEdit>(id); }
    QDateTime ClockNow() { return QDateTime::fromSecsSinceEpoch(clock.WallTime()); }

    QWidget window;
    CSettingsPage* page = nullptr;
};

// Tenths from -9.9 to -0.1 are padded with a blank for display; the alarm field gets them without
// one, or it would drop the minus sign with the blank and SET would write the value as positive
// (-0.1 + 273.2 is a hair below 273.1: the truncated write is 273.0). The clock alarm's controls
// follow 1092, and each SET sends the choice its buttons show. A thermometer that is off is
// reported and the fields keep their values.
TEST_F(SettingsPageTest, ShowsEverySettingReadRunsBothClocksAndFollowsItsChecksAndRadios)
{
    EXPECT_EQ(std::tuple(boxes.texts.empty(), Texts({1045, 1046, 1051, 1072, 1076, 1073, 1078, 1047}),
                         Flags("checked", {1052, 1055, 1092, 1075, 1064})),
              std::tuple(true, QStringLiteral("596.8 °C| -0.1 °C|-0.1|07|21|7|15|2005/03/05 14:30:00"),
                         std::string("11111")));
    Click(1058);
    EXPECT_EQ(std::pair(sim->Register(0x37), Texts({1051})),
              std::pair(uint16_t{0x0AAA}, QStringLiteral("-0.1")));
    // The thermometer's clock ticks on from what was read; the PC's shows the PC's.
    EXPECT_TRUE(QTest::qWaitFor([&] { return Texts({1047}) == "2005/03/05 14:30:01"; }, 5000));
    EXPECT_EQ(Texts({1057}), ClockNow().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")));
    const auto set = [this](int button, uint16_t reg, uint16_t bit) {
        return [this, button, reg, bit] { return Click(button), (sim->Register(reg) & bit) != 0; };
    };
    const auto alarmClockOff = [this] { return Flags("enabled", {1072, 1073, 1074, 1065}) == "0001"; };
    ExpectStateFollowsControls(page, {{1092, 1092, alarmClockOff},
                                      {1053, 1052, [&] { return !set(1058, 0x35, 0x4000)(); }},   // HIGH off
                                      {1074, 1075, set(1065, 0x35, 0x0400)},                      // every day
                                      {1063, 1064, [&] { return !set(1066, 0x00, 0x0008)(); }}}); // 1 degC
    page->PageHidden();
    EXPECT_EQ(std::tuple(boxes.texts.empty(), page->PcClockRunning(), page->DeviceClockRunning()),
              std::tuple(true, false, false));

    sim->SetPowered(false), sim->SetRegister(0x3F, 12);
    page->PageShown();
    EXPECT_EQ(
        std::tuple(boxes.texts.back(), Texts({1078, 1051}), page->PcClockRunning(),
                   page->DeviceClockRunning(), boxes.WaitCursorDepth()),
        std::tuple(std::string("COM-port Communication Error"), QStringLiteral("15|-0.1"), true, false, 0));
}

// Each SET sends what its fields show: the alarms' numeric fields, the clock alarm's time fields
// with the spin buttons, and the thermometer's date and time; the page shows what was sent. A wrong
// alarm order keeps the focus on HIGH and sends nothing; RESET asks first (Cancel by default) and
// shows the defaults.
TEST_F(SettingsPageTest, SetButtonsSendTheirFieldsAndTheAlarmOrderAndResetAreChecked)
{
    F(1050)->setText("100.0"), F(1051)->setText("-17.1");
    Click(1058);
    C<QTimeEdit>(1072)->setTime(QTime(6, 0)), C<QTimeEdit>(1076)->setTime(QTime(0, 45)),
        F(1073)->setText("3");
    QTest::mouseClick(C<CSpinButtons>(1088)->Up(), Qt::LeftButton);
    Click(1065);
    const QDate tomorrow = ClockNow().date().addDays(1);
    C<QDateEdit>(1048)->setDate(tomorrow), C<QTimeEdit>(1049)->setTime(QTime(9, 0, 0));
    C<QTimeEdit>(1069)->setTime(QTime(0, 8, 0)), C<QTimeEdit>(1070)->setTime(QTime(0, 0, 7));
    Click(1060);
    EXPECT_EQ(std::tuple(std::vector<int>({sim->Register(0x36), sim->Register(0x37), sim->Register(0x3D),
                                           sim->Register(0x3E)}),
                         Texts({1045, 1047}), boxes.texts.empty()),
              std::tuple(std::vector<int>({3732, 2560, 0x062D, 4}),
                         "100.0 °C|" + tomorrow.toString(QStringLiteral("yyyy/MM/dd")) + " 09:08:07", true));

    const auto sent = sim->ReceivedCommands().size();
    F(1050)->setText("50"), F(1051)->setText("50");
    Click(1058);
    EXPECT_EQ(std::tuple(sim->ReceivedCommands().size(), window.focusWidget(), F(1050)->selectedText()),
              std::tuple(sent, FindControl(page, 1050), QString("50")));
    boxes.answers = {MsgAnswer::Cancel, MsgAnswer::Ok};
    Click(1056);
    EXPECT_EQ(sim->ReceivedCommands().size(), sent);
    Click(1056);
    EXPECT_EQ(std::tuple(Texts({1072, 1073}), Flags("checked", {1092, 1063}), C(1073)->isEnabled()),
              std::tuple(QStringLiteral("12|3"), std::string("01"), false));
    EXPECT_EQ(
        std::tuple(boxes.texts.size(), boxes.texts.at(0), boxes.looks.at(1).second),
        std::tuple(3u, std::string("Invalid relation of Alarm HIGH/LOW value Entered"), QMessageBox::Cancel));
}
