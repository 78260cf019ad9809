// The settings page against the in-process simulator: the read when shown, the SET buttons,
// RESET, the type name and the CSV export, through the page's own controls.

#include <QCheckBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QToolButton>

#include <algorithm>
#include <iterator>

#include "app/Cp932.h"
#include "app/StartUp.h"
#include "settings/CSettingsPage.h"
#include "support/FakeClock.h"
#include "ui/CNumericEdit.h"
#include "ui/GuiTestSupport.h"

namespace {

SimConfig Thermometer()
{
    SimConfig config;
    config.useHostClock = false;
    config.clockStart = {2005, 3, 5, 14, 30, 0};
    config.alarmHighK10 = 0x21FC; // 596.8 degC
    config.alarmLowK10 = 2000;    // below the range: shown as -30.0
    config.flagWord = 0x421C;     // HIGH on, LOW off, clock alarm on, once
    config.clockAlarm = 0x0715;
    config.clockAlarmRingS = 7;
    config.holdS = 15;
    config.status0 = 0x0008;
    config.serial = 12345678;
    return config;
}

class SettingsPageTest : public SimPageRig<FakeClock> {
protected:
    SettingsPageTest() : SimPageRig(Thermometer()) {}
    void SetUp() override
    {
        WriteIni("Langage=1");
        ASSERT_TRUE(FillStartUpState(app, dir.File("rm42meter")));
        app.desktopDir = dir.Path();          // the start-up took the user's
        app.deviceSerialText = "00123450678"; // as the start-up check leaves it
        window.resize(900, 600);
        page = new CSettingsPage(app, &window);
        page->setGeometry(0, 0, 900, 600);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    template <class W> W* C(int id) { return Control<W>(page, id); }
    QString Text(int id) { return C<QLineEdit>(id)->text(); }
    void Click(int id) { QTest::mouseClick(C<QAbstractButton>(id), Qt::LeftButton); }
    QDateTime ClockNow() { return QDateTime::fromSecsSinceEpoch(clock.WallTime()); }
    // Numeric fields take their text as a whole (their filter works on every change).
    void Put(int id, const QString& text) { C<QLineEdit>(id)->setText(text); }
    void Type(int id, const QString& text)
    {
        C<QLineEdit>(id)->clear();
        QTest::keyClicks(C<QLineEdit>(id), text);
    }

    QWidget window;
    CSettingsPage* page = nullptr;
};

TEST_F(SettingsPageTest, ShowingThePageReadsEverySettingAndRunsBothClocks)
{
    page->PageShown();
    EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.front().call.text;
    EXPECT_EQ(Text(1045), QStringLiteral("596.8 °C"));
    EXPECT_EQ(Text(1046), QStringLiteral("-30.0 °C"));
    EXPECT_EQ(Text(1050), QStringLiteral("596.8"));
    for (int id : {1052, 1055, 1092, 1075, 1064}) // HIGH on, LOW off, clock alarm on, once, 0.1 degC
        EXPECT_TRUE(C<QAbstractButton>(id)->isChecked()) << id;
    EXPECT_EQ(C<QTimeEdit>(1072)->text(), QStringLiteral("07"));
    EXPECT_EQ(C<QTimeEdit>(1076)->text(), QStringLiteral("21"));
    EXPECT_EQ(Text(1073), QStringLiteral("7"));
    EXPECT_EQ(Text(1078), QStringLiteral("15"));
    EXPECT_EQ(Text(1009), QStringLiteral("no name"));
    EXPECT_EQ(boxes.WaitCursorDepth(), 0);

    // The clocks: the thermometer's estimate ticks from what was read, the PC's shows the PC's.
    EXPECT_EQ(Text(1047), QStringLiteral("2005/03/05 14:30:00"));
    EXPECT_TRUE(page->PcClockRunning() && page->DeviceClockRunning());
    EXPECT_TRUE(QTest::qWaitFor([&] { return Text(1047) != QStringLiteral("2005/03/05 14:30:00"); }, 5000));
    EXPECT_EQ(Text(1047), QStringLiteral("2005/03/05 14:30:01"));
    EXPECT_EQ(Text(1057), ClockNow().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")));
    page->PageHidden();
    EXPECT_FALSE(page->PcClockRunning() || page->DeviceClockRunning());

    // Every show reads again.
    sim->SetRegister(0x3F, 9);
    page->PageShown();
    EXPECT_EQ(Text(1078), QStringLiteral("9"));
}

// The check box and radio buttons driven by the mouse, the space key and an assistive
// technology's toggle action: the clock alarm's controls follow 1092, and each SET sends the
// choice its buttons show.
TEST_F(SettingsPageTest, ChecksAndRadiosDrivenAnyWayChangeThePage)
{
    page->PageShown();
    const auto set = [this](int button, uint16_t reg, uint16_t bit) {
        return [this, button, reg, bit] {
            Click(button);
            return (sim->Register(reg) & bit) != 0;
        };
    };
    ExpectStateFollowsControls(
        page, {{1092, 1092,
                [this] {
                    const int ids[] = {1072, 1076, 1073, 1088, 1074, 1075};
                    return C<QPushButton>(1065)->isEnabled() &&
                           std::none_of(std::begin(ids), std::end(ids),
                                        [this](int id) { return FindControl(page, id)->isEnabled(); });
                }},
               {1053, 1052, [&] { return !set(1058, 0x35, 0x4000)(); }},   // HIGH off
               {1054, 1055, set(1058, 0x35, 0x8000)},                      // LOW on
               {1074, 1075, set(1065, 0x35, 0x0400)},                      // every day
               {1063, 1064, [&] { return !set(1066, 0x00, 0x0008)(); }}}); // 1 degC
    EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.front().call.text;
}

// Each SET sends what its fields show (the flag bits are the table's above; the encodings are
// DeviceSettingsTest's): fields filled, button, register and value written.
TEST_F(SettingsPageTest, SetButtonsSendTheirFields)
{
    page->PageShown();
    const struct {
        std::function<void()> fill;
        int button;
        std::vector<std::pair<uint16_t, uint16_t>> written; // register, value
    } rows[] = {
        {[&] { Put(1050, "100.0"), Put(1051, "-17.1"); }, 1058, {{0x36, 3732}, {0x37, 2560}}},
        {[&] {
             C<QTimeEdit>(1072)->setTime(QTime(6, 0)), C<QTimeEdit>(1076)->setTime(QTime(0, 45));
             Put(1073, "3"), QTest::mouseClick(C<CSpinButtons>(1088)->Up(), Qt::LeftButton);
         },
         1065,
         {{0x3D, 0x062D}, {0x3E, 4}}},
        {[&] { Put(1078, "25"); }, 1067, {{0x3F, 20}}}, // the field holds at most 20
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.button);
        row.fill();
        Click(row.button);
        for (const auto& [reg, value] : row.written)
            EXPECT_EQ(sim->Register(reg), value) << reg;
    }
    EXPECT_EQ(Text(1045), QStringLiteral("100.0 °C"));

    // The PC's time, then a time set by hand.
    const std::time_t before = clock.WallTime();
    Click(1059);
    const SimDateTime pc = sim->Now();
    const qint64 sent =
        QDateTime(QDate(pc.year, pc.month, pc.day), QTime(pc.hour, pc.minute, pc.second)).toSecsSinceEpoch();
    EXPECT_TRUE(sent >= before && sent <= clock.WallTime()) << sent - before;
    const QDate tomorrow = ClockNow().date().addDays(1);
    C<QDateEdit>(1048)->setDate(tomorrow);
    C<QTimeEdit>(1049)->setTime(QTime(9, 0, 0));
    C<QTimeEdit>(1069)->setTime(QTime(0, 8, 0));
    C<QTimeEdit>(1070)->setTime(QTime(0, 0, 7));
    Click(1060);
    const SimDateTime now = sim->Now();
    EXPECT_EQ(QDate(now.year, now.month, now.day), tomorrow);
    EXPECT_EQ(QTime(now.hour, now.minute), QTime(9, 8));
    EXPECT_EQ(Text(1047).toStdString(),
              tomorrow.toString(QStringLiteral("yyyy/MM/dd")).toStdString() + " 09:08:07");
    EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.front().call.text;
}

// Tenths from -9.9 to -0.1 are padded with a blank for display; the alarm field must get them
// without one, or it drops the minus sign with the blank and SET writes the value as positive.
TEST_F(SettingsPageTest, ANegativeAlarmKeepsItsSignThroughReadShowAndSet)
{
    // Register read, field shown, register written, field after reading that back: the written
    // tenths are truncated, and -0.1 + 273.2 is a hair below 273.1.
    const std::tuple<uint16_t, const char*, uint16_t, const char*> cases[] = {
        {0x0A7A, "-5.0", 0x0A7A, "-5.0"}, {0x0AAB, "-0.1", 0x0AAA, "-0.2"}};
    for (const auto& [read, shown, written, reread] : cases) {
        SCOPED_TRACE(shown);
        sim->SetRegister(0x37, read);
        page->PageShown();
        EXPECT_EQ(Text(1046), QString::fromLatin1(shown).rightJustified(5) + QStringLiteral(" °C"));
        // Shown when read, shown again after SET, then the value written read back.
        for (int round = 0; round < 3; ++round) {
            if (round == 2) page->PageShown();
            EXPECT_EQ(Text(1051), QString::fromLatin1(round == 2 ? reread : shown));
            Click(1058);
            EXPECT_EQ(sim->Register(0x37), written);
        }
    }
    EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.front().call.text;
}

TEST_F(SettingsPageTest, ASwitchedOffThermometerIsReportedAndTheControlsKeepTheirValues)
{
    page->PageShown();
    page->PageHidden();
    sim->SetPowered(false);
    sim->SetRegister(0x3F, 9);
    page->PageShown();
    // The switch-on prompt, nine failed values, the failed end of check mode and the close.
    ASSERT_EQ(boxes.shown.size(), 12u);
    EXPECT_EQ(boxes.shown.back().call.text, "COM-port Communication Error");
    EXPECT_EQ(Text(1078), QStringLiteral("15"));
    EXPECT_EQ(Text(1045), QStringLiteral("596.8 °C"));
    EXPECT_TRUE(page->PcClockRunning());
    EXPECT_FALSE(page->DeviceClockRunning());
    EXPECT_EQ(boxes.WaitCursorDepth(), 0);
}

TEST_F(SettingsPageTest, AlarmOrderIsCheckedWithTheFocusOnHigh)
{
    page->PageShown();
    const auto before = sim->ReceivedCommands().size();
    Put(1050, QStringLiteral("50"));
    Put(1051, QStringLiteral("50"));
    Click(1058);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].call.text, "Invalid relation of Alarm HIGH/LOW value Entered");
    EXPECT_EQ(sim->ReceivedCommands().size(), before);
    EXPECT_EQ(window.focusWidget(), FindControl(page, 1050));
    EXPECT_EQ(C<QLineEdit>(1050)->selectedText(), QStringLiteral("50"));
}

TEST_F(SettingsPageTest, ResetAsksFirstAndRestoresTheDefaults)
{
    page->PageShown();
    const auto before = sim->ReceivedCommands().size();
    boxes.answers = {MsgAnswer::Cancel};
    Click(1056);
    EXPECT_EQ(sim->ReceivedCommands().size(), before);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].qtDefault, QMessageBox::Cancel);

    boxes.answers = {MsgAnswer::Ok};
    Click(1056);
    EXPECT_EQ(sim->Register(0x3D), 0x0C00); // the reset ran (DeviceSettingsTest checks its writes)
    EXPECT_EQ(C<QTimeEdit>(1072)->text(), QStringLiteral("12"));
    EXPECT_EQ(Text(1073), QStringLiteral("3"));
    EXPECT_FALSE(C<QCheckBox>(1092)->isChecked());
    EXPECT_FALSE(FindControl(page, 1073)->isEnabled());
    EXPECT_TRUE(C<QRadioButton>(1063)->isChecked());
    EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST_F(SettingsPageTest, TypeNameFieldFiltersAndSaveRegisters)
{
    page->PageShown();
    Type(1009, QString());
    EXPECT_FALSE(C<QPushButton>(1020)->isEnabled());
    Type(1009, QStringLiteral("A:B/C"));
    EXPECT_EQ(Text(1009), QStringLiteral("ABC"));
    EXPECT_EQ(C<QLineEdit>(1009)->cursorPosition(), 3);
    EXPECT_TRUE(C<QPushButton>(1020)->isEnabled());
    Click(1020);
    EXPECT_EQ(boxes.shown.size(), 1u); // its text and the file are DeviceSettingsTest's
    EXPECT_EQ(app.typeName, "ABC");
}

TEST_F(SettingsPageTest, CsvExportWritesTheShownSettingsUnderTheChosenNameAsCsv)
{
    page->PageShown();
    C<QTimeEdit>(1072)->setTime(QTime(23, 0)); // shown, never sent: the export takes it
    QString offered;
    EndModalWhenShown(QStringLiteral("csvSaveDialog"), true, [&](QDialog& d) {
        auto& dialog = static_cast<QFileDialog&>(d);
        offered = dialog.selectedFiles().value(0);
        dialog.selectFile(QString::fromStdString(dir.File("report.txt")));
    });
    Click(1103);
    EXPECT_TRUE(offered.contains(QStringLiteral("no name-Each Adjustment-") +
                                 ClockNow().toString(QStringLiteral("yyyyMMdd_HHmmss"))))
        << offered.toStdString();
    const std::string csv = Cp932ToUtf8(ReadFileBytes(dir.File("report.csv")));
    // The layout is SettingsCsvTest's (its golden file is Japanese); here the page hands it what
    // it shows, and the English labels.
    EXPECT_NE(csv.find("Alarm-HIGH,596.8 °C, ON\r\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find("Clock Alarm Setting,23:21,ON\r\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find("Resolution (-30~200°C),0.1°C \r\n"), std::string::npos) << csv;
    EXPECT_EQ(page->CsvFolder(), dir.Path());
    EXPECT_TRUE(boxes.shown.empty());
}

} // namespace
