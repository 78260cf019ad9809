// The main window against the in-process simulator: start-up connection check, title, tabs,
// status line, keys, close confirmation and the window's menu entries.

#include <QAction>
#include <QComboBox>
#include <QPointer>
#include <QTabBar>
#include <QTabWidget>

#include "GuiTestSupport.h"
#include "SimOptions.h"
#include "app/IniFile.h"
#include "app/StartUp.h"
#include "app/Version.h"
#include "shell/CMeterDlg.h"
#include "support/FakeClock.h"

namespace {

class MeterDlgTest : public SimPageRig<FakeClock> {
protected:
    void SetUp() override
    {
        // A modal dialog no step expects would hang the test: end it and fail instead. A dialog
        // is unexpected only when it is still up on the next tick, so that a step's own handler
        // (which ends it on its first timer round) always gets to it first, however busy the
        // machine is.
        QObject::connect(&watchdog, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog != nullptr && dialog == lastModal) {
                ADD_FAILURE() << "unexpected modal dialog " << dialog->objectName().toStdString();
                dialog->reject();
                dialog = nullptr;
            }
            lastModal = dialog;
        });
        watchdog.start(50);
    }

    // Writes the INI beside a program in the temp folder, runs the start-up steps on it and
    // makes the main window.
    std::unique_ptr<CMeterDlg> Start(const std::string& system, bool shown = false,
                                     const std::string& port = "SIM")
    {
        WriteIni(system, "", port);
        EXPECT_TRUE(FillStartUpState(app, dir.File("rm42meter")));
        // The teaching page reads its reference list at set-up.
        WriteFileBytes(dir.File("emissivity_list.csv"), "Water,0.96\r\n");
        WriteFileBytes(dir.File("emissivity_list(ENG).csv"), "Water,0.96\r\n");
        auto dlg = std::make_unique<CMeterDlg>(app, boxes);
        if (shown) dlg->show();
        EXPECT_TRUE(!shown || QTest::qWaitForWindowExposed(dlg.get()));
        return dlg;
    }
    static QLabel* Status(CMeterDlg& dlg) { return Control<QLabel>(&dlg, 1075); }
    static QTabWidget* Tabs(CMeterDlg& dlg) { return Control<QTabWidget>(&dlg, 1000); }
    static void ClickTab(CMeterDlg& dlg, int tab)
    {
        QTest::mouseClick(Tabs(dlg)->tabBar(), Qt::LeftButton, {},
                          Tabs(dlg)->tabBar()->tabRect(tab).center());
    }

    QTimer watchdog;
    QPointer<QDialog> lastModal;
};

TEST_F(MeterDlgTest, StartsWithTheTitleTabsStatusAndMenuOfItsLanguage)
{
    // INI lines; then the title, first tab, status line and About entry shown.
    using Texts = std::vector<QString>;
    const std::pair<const char*, Texts> rows[] = {
        {"StartUpConnectCheck=Yes\nVisibleSerialNo=Yes\n",
         {"放射温度計アプリケーション : No.01234560789", "連続取込み", "取り込み実行可能です",
          "バージョン情報(&A)..."}},
        // Without the check the serial number in the title stays empty.
        {"StartUpConnectCheck=No\nLangage=1\nVisibleSerialNo=Yes\n",
         {"Thermometer Application : No.", "Continuous Recording", "Stand-by",
          "&About Thermometer Application"}},
        {"StartUpConnectCheck=No\nVisibleSerialNo=No\nWindowTitle=ABC\n",
         {"ABC", "連続取込み", "取り込み実行可能です", "バージョン情報(&A)..."}},
    };
    for (const auto& [system, texts] : rows) {
        SCOPED_TRACE(system);
        UseThermometer({});
        auto dlg = Start(system);
        EXPECT_FALSE(dlg->EndedAtStart());
        EXPECT_TRUE(boxes.shown.empty());
        EXPECT_EQ((Texts{dlg->windowTitle(), Tabs(*dlg)->tabText(0), Status(*dlg)->text(),
                         dlg->AboutAction()->text()}),
                  texts);
        // Only the recording page's read of the alarm limits and emissivity follows the check.
        const std::vector<std::string> read = {"DA", "9136", "9137", "9114", "81"},
                                       all = sim->ReceivedCommands();
        EXPECT_TRUE(all.size() >= 5 && std::equal(read.begin(), read.end(), all.end() - 5)) << all.size();
        EXPECT_TRUE(dlg->Page(0)->isVisibleTo(dlg.get()));
        EXPECT_EQ(dlg->size(), DialogUnits(DialogFont()).Size(451, 338));
    }
}

// The connection check's answers are the core's; here only that Retry brings up the shell's own
// port dialog and that a window ended at start is never shown and ends with zero.
TEST_F(MeterDlgTest, BusyPortOffersRetryWithThePortDialogThenCancelEnds)
{
    auto holder = ports->Create(); // another holder of the line makes every open fail
    ASSERT_TRUE(holder->Open(SerialSettings{}));
    bool portDialog = false;
    boxes.onBox = [&](const QtMessageBoxCall&) {
        if (boxes.shown.size() == 1)
            EndModalWhenShown(QStringLiteral("comPortDialog"), false, [&](QDialog&) { portDialog = true; });
    };
    boxes.answers = {MsgAnswer::Retry, MsgAnswer::Cancel};
    auto dlg = Start("StartUpConnectCheck=Yes\n");
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_TRUE(portDialog);
    EXPECT_TRUE(dlg->EndedAtStart());
    EXPECT_EQ(dlg->exec(), 0);
    EXPECT_FALSE(dlg->isVisible());
}

// Minimised and restored, the page shown is not shown again: pages that read the thermometer
// when they come up do not read it again.
TEST_F(MeterDlgTest, ChoosingATabClearsTheStatusAndShowsExactlyThatPageAlsoAfterMinimising)
{
    auto dlg = Start("StartUpConnectCheck=No\n", true);
    for (int tab : {2, 1, 3, 0}) {
        SCOPED_TRACE(tab);
        boxes.SetStatusText("something to clear");
        ClickTab(*dlg, tab);
        // The recording page shows its ready text, the others what their reading says.
        EXPECT_NE(Status(*dlg)->text(), QStringLiteral("something to clear"));
        EXPECT_TRUE(tab != 0 || Status(*dlg)->text() == QStringLiteral("取り込み実行可能です"));
        const std::size_t commands = sim->ReceivedCommands().size();
        dlg->showMinimized();
        QTest::qWait(50);
        dlg->showNormal();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
        QTest::qWait(50);
        EXPECT_EQ(sim->ReceivedCommands().size(), commands);
        for (int i = 0; i < CMeterDlg::kPageCount; ++i)
            EXPECT_EQ(dlg->Page(i)->isVisible(), i == tab) << i;
    }
}

// No tab can be chosen while a page talks to the thermometer: reading the memory, writing it
// back, reading the settings.
TEST_F(MeterDlgTest, TheTabsAreDisabledWhileAPageReadsOrWritesBack)
{
    SimConfig config;
    config.useHostClock = false;
    std::string error;
    ASSERT_TRUE(FillSimPreset("time,room,max", 5, SimDateTime{2026, 12, 7, 1, 0, 0}, config, error)) << error;
    UseThermometer(config);
    auto dlg = Start("StartUpConnectCheck=No\nLangage=1\n", true);
    std::vector<std::string> sentWithTabsOn;
    sim->SetTrafficLog([&](char direction, const std::string& line) {
        if (direction == '>' && Tabs(*dlg)->isEnabled()) sentWithTabsOn.push_back(line);
    });
    ClickTab(*dlg, 1);
    boxes.answers = {MsgAnswer::Yes};
    const std::size_t read = sim->ReceivedCommands().size();
    QTest::mouseClick(Control<QPushButton>(dlg->Page(1), 1027), Qt::LeftButton);
    EXPECT_GT(sim->ReceivedCommands().size(), read); // written back
    ClickTab(*dlg, 3);
    sim->SetTrafficLog({});
    EXPECT_EQ(sentWithTabsOn, std::vector<std::string>{});
    EXPECT_TRUE(Tabs(*dlg)->isEnabled());
}

// Enter and Escape do nothing, Enter does not press the logo button; a screen reader reads the
// status line and every label by what it shows.
TEST_F(MeterDlgTest, KeysDoNothingAndLabelsAreReadByWhatTheyShow)
{
    auto dlg = Start("StartUpConnectCheck=No\nURL=https://example.invalid/\n", true);
    QSignalSpy logo(Control<QPushButton>(dlg.get(), 1318), &QPushButton::clicked);
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
        QTest::keyClick(dlg.get(), key);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(logo.count(), 0);
    boxes.SetStatusText("測定中");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(Status(*dlg))->text(QAccessible::Name),
              QStringLiteral("測定中"));
    // A fixed name would hide what a label shows (pictures carry no text and may have one).
    for (QLabel* label : dlg->findChildren<QLabel*>())
        EXPECT_TRUE(label->text().isEmpty() || label->accessibleName().isEmpty())
            << label->objectName().toStdString();
}

TEST_F(MeterDlgTest, CloseAsksFirstCancelKeepsRunningAndOkEndsWithZero)
{
    auto dlg = Start("StartUpConnectCheck=No\n", true);
    boxes.answers = {MsgAnswer::Cancel};
    EXPECT_FALSE(dlg->close());
    EXPECT_TRUE(dlg->isVisible());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].call.text, "アプリケーションを終了しますか？");
    EXPECT_EQ(boxes.shown[0].qtDefault, QMessageBox::Cancel);
    boxes.answers = {MsgAnswer::Ok};
    QTimer::singleShot(0, dlg.get(), [&] { dlg->close(); });
    EXPECT_EQ(dlg->exec(), 0);
    EXPECT_FALSE(dlg->isVisible());
}

TEST_F(MeterDlgTest, ThePortEntrysOkWritesThePortAndAboutShowsTheVersion)
{
    auto dlg = Start("StartUpConnectCheck=No\nLangage=1\n", false, "COM2");
    app.portRetryCount = 2;
    EndModalWhenShown(QStringLiteral("comPortDialog"), true, [](QDialog& d) {
        auto* list = Control<QComboBox>(&d, 1106);
        list->setCurrentIndex(list->findText(QStringLiteral("COM6")));
    });
    dlg->ComPortAction()->trigger();
    EXPECT_EQ(IniFile::GetString(app.iniPath, "ComPort", "Port", ""), "COM6");
    // The same number every program answers to --version.
    QString version;
    EndModalWhenShown(QStringLiteral("aboutDialog"), true, [&version](QDialog& d) {
        version = d.findChild<QLabel*>(QStringLiteral("aboutVersion"))->text();
    });
    dlg->AboutAction()->trigger();
    EXPECT_EQ(version, QStringLiteral("Version " RM42_VERSION));
}

} // namespace
