// The main window against the in-process simulator: start-up connection check, title, tabs,
// status line, keys, close confirmation and the window's menu entries.

#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QPointer>
#include <QTabBar>
#include <QTabWidget>
#include <QUrl>

#include "GuiTestSupport.h"
#include "app/IniFile.h"
#include "app/StartUp.h"
#include "app/Version.h"
#include "shell/CMeterDlg.h"
#include "support/FakeClock.h"

namespace {

// Stands in for the desktop while alive: records what the logo button asks it to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    UrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "Open"); }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); }
    QList<QUrl> opened;
public slots:
    void Open(const QUrl& url) { opened.push_back(url); }
};

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
    // The window title with the thermometer's number, and the recording page's ready text.
    const QString kTitle = QStringLiteral("放射温度計アプリケーション : No.01234560789");
    const QString kReady = QStringLiteral("取り込み実行可能です");
    static int VisiblePages(CMeterDlg& dlg)
    {
        int visible = 0;
        for (int i = 0; i < CMeterDlg::kPageCount; ++i)
            visible += dlg.Page(i)->isVisibleTo(&dlg) ? 1 : 0;
        return visible;
    }

    QTimer watchdog;
    QPointer<QDialog> lastModal;
};

TEST_F(MeterDlgTest, ConnectsAtStartAndShowsTheSerialNumberAndTheFirstPage)
{
    auto dlg = Start("StartUpConnectCheck=Yes\nVisibleSerialNo=Yes\n");
    EXPECT_FALSE(dlg->EndedAtStart());
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(dlg->windowTitle(), kTitle);
    // The recording page, shown last, reports that it is ready.
    EXPECT_EQ(Control<QLabel>(dlg.get(), 1075)->text(), kReady);
    EXPECT_TRUE(dlg->Page(0)->isVisibleTo(dlg.get()));
}

TEST_F(MeterDlgTest, SwitchedOffThermometerAsksToSwitchOnAndCancelEndsWithZero)
{
    sim->SetPowered(false);
    boxes.answers = {MsgAnswer::Cancel};
    auto ended = Start("StartUpConnectCheck=Yes\n");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(ended->EndedAtStart());
    EXPECT_EQ(ended->exec(), 0);
    EXPECT_FALSE(ended->isVisible());
}

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
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_TRUE(portDialog);
    EXPECT_TRUE(dlg->EndedAtStart());
}

// Minimised and restored, the page shown is not shown again: pages that read the thermometer
// when they come up do not read it again.
TEST_F(MeterDlgTest, ChoosingATabClearsTheStatusAndShowsExactlyThatPageAlsoAfterMinimising)
{
    auto dlg = Start("StartUpConnectCheck=No\n", true);
    QTabBar* bar = Control<QTabWidget>(dlg.get(), 1000)->tabBar();
    for (int tab : {2, 1, 3, 0}) {
        SCOPED_TRACE(tab);
        boxes.SetStatusText("something to clear");
        ASSERT_EQ(Control<QLabel>(dlg.get(), 1075)->text(), QStringLiteral("something to clear"));
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tab).center());
        // The old text is gone; the recording page then shows its ready text, the others what
        // their reading of the thermometer says.
        const QString status = Control<QLabel>(dlg.get(), 1075)->text();
        EXPECT_NE(status, QStringLiteral("something to clear"));
        if (tab == 0) {
            EXPECT_EQ(status, kReady);
        }
        ASSERT_TRUE(dlg->Page(tab)->isVisible());
        EXPECT_EQ(VisiblePages(*dlg), 1);

        const std::size_t commands = sim->ReceivedCommands().size();
        dlg->showMinimized();
        QTest::qWait(50);
        dlg->showNormal();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
        QTest::qWait(50);
        EXPECT_EQ(sim->ReceivedCommands().size(), commands);
        EXPECT_TRUE(dlg->Page(tab)->isVisible());
        EXPECT_EQ(VisiblePages(*dlg), 1);
    }
}

TEST_F(MeterDlgTest, ScreenReadersReadTheStatusLineAndEveryLabelByWhatItShows)
{
    auto dlg = Start("StartUpConnectCheck=No\n", true);
    QAccessibleInterface* status = QAccessible::queryAccessibleInterface(Control<QLabel>(dlg.get(), 1075));
    ASSERT_NE(status, nullptr);
    for (const char* text : {"Reading the memory", "測定中"}) {
        boxes.SetStatusText(text);
        EXPECT_EQ(status->text(QAccessible::Name), QString::fromUtf8(text));
    }
    // A fixed name would hide what a label shows (pictures carry no text and may have one).
    for (QLabel* label : dlg->findChildren<QLabel*>()) {
        if (label->text().isEmpty()) continue;
        EXPECT_EQ(label->accessibleName(), QString()) << label->objectName().toStdString();
    }
}

TEST_F(MeterDlgTest, EnterAndEscapeDoNothing)
{
    UrlCatcher catcher;
    auto dlg = Start("StartUpConnectCheck=No\nURL=https://example.invalid/\n", true);
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        QTest::keyClick(dlg.get(), key);
        EXPECT_TRUE(dlg->isVisible()) << key;
    }
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(catcher.opened.isEmpty()); // Enter does not press the logo button
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

// Without the check the serial number in the title stays empty.
TEST_F(MeterDlgTest, EnglishTextsControlIdsAndAnEmptyNumberWithoutTheCheck)
{
    auto dlg = Start("StartUpConnectCheck=No\nLangage=1\nVisibleSerialNo=Yes\n");
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Thermometer Application : No."));
    // Only the recording page's read of the alarm limits and emissivity talks to the thermometer.
    EXPECT_EQ(sim->ReceivedCommands(), (std::vector<std::string>{"DA", "9136", "9137", "9114", "81"}));
    EXPECT_NE(FindControl(dlg.get(), 1318), nullptr); // 1000 and 1075 are read below
    EXPECT_EQ(Control<QTabWidget>(dlg.get(), 1000)->tabText(0), QStringLiteral("Continuous Recording"));
    EXPECT_EQ(Control<QLabel>(dlg.get(), 1075)->text(), QStringLiteral("Stand-by"));
    EXPECT_EQ(dlg->AboutAction()->text(), QStringLiteral("&About Thermometer Application"));
    EXPECT_EQ(dlg->size(), DialogUnits(DialogFont()).Size(451, 338));
    // The About box shows the number every program answers to --version.
    QString version;
    EndModalWhenShown(QStringLiteral("aboutDialog"), true, [&version](QDialog& d) {
        version = d.findChild<QLabel*>(QStringLiteral("aboutVersion"))->text();
    });
    dlg->AboutAction()->trigger();
    EXPECT_EQ(version, QStringLiteral("Version " RM42_VERSION));
}

TEST_F(MeterDlgTest, WindowTitleAndPortMenuEntryWhoseOkWritesThePort)
{
    auto dlg = Start("StartUpConnectCheck=No\nVisibleSerialNo=No\nWindowTitle=ABC\n", false, "COM2");
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("ABC"));
    app.portRetryCount = 2;
    EndModalWhenShown(QStringLiteral("comPortDialog"), true, [](QDialog& d) {
        auto* list = Control<QComboBox>(&d, 1106);
        list->setCurrentIndex(list->findText(QStringLiteral("COM6")));
    });
    dlg->ComPortAction()->trigger();
    EXPECT_EQ(IniFile::GetString(app.iniPath, "ComPort", "Port", ""), "COM6");
}

} // namespace

#include "MeterDlgGuiTest.moc"
