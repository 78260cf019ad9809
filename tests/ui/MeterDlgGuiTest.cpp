// The main window against the in-process simulator: start-up connection check, title, tabs,
// status line, keys, close confirmation and the window's menu entries.

#include "GuiTestSupport.h"
#include "app/IniFile.h"
#include "app/StartUp.h"
#include "shell/CMeterDlg.h"

class MeterDlgTest : public SimPageRig<FakeClock> {
protected:
    // A modal dialog no step expects would hang the test: end it and fail instead. It is
    // unexpected only when still up on the next round, so a step's own handler gets it first.
    void SetUp() override
    {
        QObject::connect(&watchdog, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog != nullptr && dialog == lastModal) {
                ADD_FAILURE() << "unexpected modal dialog " << dialog->objectName().toStdString();
                dialog->reject();
            }
            lastModal = dialog;
        });
        watchdog.start(50);
    }
    // Writes the INI beside a program in the temp folder, runs the start-up steps on it and
    // shows the main window.
    std::unique_ptr<CMeterDlg> Start(const std::string& system)
    {
        WriteIni(system);
        EXPECT_TRUE(FillStartUpState(app, dir.File("rm42meter")));
        // The teaching page reads its reference list at set-up.
        for (const char* name : {"emissivity_list.csv", "emissivity_list(ENG).csv"})
            WriteFileBytes(dir.File(name), "Water,0.96\r\n");
        auto dlg = std::make_unique<CMeterDlg>(app, boxes);
        pageUnderTest = dlg.get();
        dlg->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
        return dlg;
    }
    QTabBar* Tabs() { return C<QTabWidget>(1000)->tabBar(); }
    QTimer watchdog;
    QPointer<QDialog> lastModal;
};

TEST_F(MeterDlgTest, StartsWithTheTitleTabsStatusAndMenuOfItsLanguage)
{
    // INI lines; then the title, first tab, status line and About entry shown.
    const std::pair<const char*, QString> rows[] = {
        {"StartUpConnectCheck=Yes\nVisibleSerialNo=Yes\n",
         "放射温度計アプリケーション : No.01234560789|連続取込み|取り込み実行可能です|バージョン情報(&A)..."},
        // Without the check the serial number in the title stays empty.
        {"StartUpConnectCheck=No\nLangage=1\nVisibleSerialNo=Yes\n",
         "Thermometer Application : No.|Continuous Recording|Stand-by|&About Thermometer Application"}};
    for (const auto& [system, texts] : rows) {
        auto dlg = Start(system);
        const QStringList shown = {dlg->windowTitle(), Tabs()->tabText(0), Texts({1075}),
                                   dlg->AboutAction()->text()};
        EXPECT_EQ(std::tuple(shown.join('|'), boxes.texts.empty(), dlg->size()),
                  std::tuple(texts, true, DialogUnits(DialogFont()).Size(451, 338)));
    }
    // A busy port: Retry brings up the port dialog (its answers are the connection check's and
    // are proven with it); Cancel then ends the window at start, with zero.
    auto holder = ports->Create();
    ASSERT_TRUE(holder->Open(SerialSettings{})); // another holder of the line makes every open fail
    bool portDialog = false;
    EndModalWhenShown(QStringLiteral("comPortDialog"), false, [&](QDialog&) { portDialog = true; });
    boxes.answers = {MsgAnswer::Retry, MsgAnswer::Cancel};
    auto ended = Start("StartUpConnectCheck=Yes\n");
    EXPECT_EQ(std::tuple(portDialog, boxes.texts.size(), ended->EndedAtStart(), ended->exec()),
              std::tuple(true, 2u, true, 0));
}

// A tab shows its page and no other, and none can be chosen while a page talks to the thermometer.
// Enter and Escape do nothing (Enter does not press the logo button); a screen reader reads the
// status line by what it shows. The port dialog lists COM1..COM8 from the second retry on with the
// configured port chosen, and only OK with a port chosen writes it (what the list holds otherwise
// is BuildComPortList's). Closing asks first and Cancel keeps the window.
TEST_F(MeterDlgTest, TabsKeysPortDialogAndClose)
{
    auto dlg = Start("StartUpConnectCheck=No\nURL=https://example.invalid/\n");
    for (int tab : {2, 1, 3, 0}) {
        boxes.SetStatusText("something to clear");
        QTest::mouseClick(Tabs(), Qt::LeftButton, {}, Tabs()->tabRect(tab).center());
        // The recording page shows its ready text, the others what their reading says.
        EXPECT_NE(Texts({1075}), QStringLiteral("something to clear")) << tab;
        for (int i = 0; i < CMeterDlg::kPageCount; ++i)
            EXPECT_EQ(dlg->Page(i)->isVisible(), i == tab) << "page " << i << " on tab " << tab;
    }
    boxes.EnableTabs(false);
    EXPECT_EQ(std::pair(C(1000)->isEnabled(), Texts({1075})),
              std::pair(false, QStringLiteral("取り込み実行可能です")));
    boxes.EnableTabs(true);

    QSignalSpy logo(C<QPushButton>(1318), &QPushButton::clicked);
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
        QTest::keyClick(dlg.get(), key);
    boxes.SetStatusText("測定中");
    EXPECT_EQ(std::tuple(dlg->isVisible(), boxes.texts.size(), logo.size(),
                         QAccessible::queryAccessibleInterface(C(1075))->text(QAccessible::Name)),
              std::tuple(true, 0u, 0, QStringLiteral("測定中")));

    IniFile::WriteString(app.iniPath, "ComPort", "Port", "COM2");
    app.portRetryCount = 2;
    for (const auto& [accept, pick, written] :
         {std::tuple{false, 5, "COM2"}, {true, -1, "COM2"}, {true, 5, "COM6"}}) {
        EndModalWhenShown(QStringLiteral("comPortDialog"), accept, [pick](QDialog& d) {
            auto* list = Control<QComboBox>(&d, 1106);
            EXPECT_EQ(list->currentText() + QString::number(list->count()), QStringLiteral("COM28"));
            list->setCurrentIndex(pick);
        });
        dlg->ComPortAction()->trigger();
        EXPECT_EQ(IniFile::GetString(app.iniPath, "ComPort", "Port", ""), written) << accept << pick;
    }

    boxes.answers = {MsgAnswer::Cancel, MsgAnswer::Ok};
    EXPECT_FALSE(dlg->close());
    EXPECT_EQ(std::pair(boxes.texts, boxes.looks.at(0).second),
              std::pair(std::vector<std::string>{"アプリケーションを終了しますか？"}, QMessageBox::Cancel));
    QTimer::singleShot(0, dlg.get(), [&] { dlg->close(); });
    EXPECT_EQ(dlg->exec(), 0);
}
