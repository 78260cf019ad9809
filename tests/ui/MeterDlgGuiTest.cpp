// The main window against the in-process simulator: start-up connection check, title, tabs,
// status line, keys, close confirmation and the window's menu entries.

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QUrl>

#include <memory>

#include "GuiTestSupport.h"
#include "SimThermometer.h"
#include "app/AppState.h"
#include "app/IniFile.h"
#include "app/LangString.h"
#include "app/StartUp.h"
#include "device/CommandLog.h"
#include "image/CJpegImage.h"
#include "support/FakeClock.h"
#include "support/TestSupport.h"
#include "ui/CMeterDlg.h"
#include "ui/ControlId.h"

namespace {

// Receives what the logo button asks the desktop to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void Open(const QUrl& url) { opened.push_back(url); }
};

class MeterDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        app.clock = &clock;
        app.ports = ports.get();
        app.ui = &ui;
        // A modal dialog that no test step expects would stop the test for good: end it and
        // fail instead. Expected dialogs are ended first by EndModalWhenShown.
        watchdog.setInterval(50);
        QObject::connect(&watchdog, &QTimer::timeout, [this] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                ADD_FAILURE() << "unexpected modal dialog " << dialog->objectName().toStdString();
                dialog->reject();
            }
        });
        watchdog.start();
    }

    // Writes the INI beside a program in the temp folder and runs the start-up steps on it.
    void Start(const std::string& system, const std::string& comPort = "Port=SIM\n")
    {
        WriteFileBytes(dir.File("rm42meter.ini"), "[System]\n" + system + "\n[ComPort]\n" + comPort +
                                                      "Bps=9600\nDataBits=8\nParity=0\nStopBit=0\n"
                                                      "CommandWait1=0\nCommandWait2=0\n");
        ASSERT_TRUE(FillStartUpState(app, dir.File("rm42meter")));
    }

    std::unique_ptr<CMeterDlg> MakeDialog() { return std::make_unique<CMeterDlg>(app, ui); }

    QString Lang(int id) const { return QString::fromStdString(LoadLangString(app, id)); }

    TempDir dir;
    FakeClock clock;
    SimThermometer sim{SimConfig{}, clock};
    std::unique_ptr<SerialPortFactory> ports = MakeSimPortFactory(sim, clock);
    AppState app;
    QtUserInterface ui{app};
    ScriptedBoxes boxes;
    QTimer watchdog;
};

TEST_F(MeterDlgTest, ConnectsAtStartAndShowsTheSerialNumberInTheTitle)
{
    Start("StartUpConnectCheck=Yes\nVisibleSerialNo=Yes\n");
    WriteFileBytes(dir.File("hardname.rm4"), "[HardName]\n123456789=RM-42 bench\n");
    auto dlg = MakeDialog();

    EXPECT_FALSE(dlg->EndedAtStart());
    EXPECT_TRUE(boxes.shown.empty()) << boxes.Texts().front();
    EXPECT_EQ(dlg->windowTitle(), Lang(165) + " : No.01234560789");
    EXPECT_EQ(app.deviceSerial, 123456789u);
    EXPECT_EQ(app.typeName, "RM-42 bench");
    // The check brought STATUS0 into the default template's state.
    EXPECT_EQ(sim.Register(0x00), 0xFC04);

    auto* status = qobject_cast<QLabel*>(FindControl(dlg.get(), 1075));
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->text(), Lang(111));
    auto* tabs = qobject_cast<QTabWidget*>(FindControl(dlg.get(), 1000));
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_TRUE(dlg->Page(0)->isVisibleTo(dlg.get()));
    for (int i = 1; i < CMeterDlg::kPageCount; ++i)
        EXPECT_FALSE(dlg->Page(i)->isVisibleTo(dlg.get())) << i;
}

TEST_F(MeterDlgTest, UnregisteredThermometerGetsTheLookupDefault)
{
    Start("StartUpConnectCheck=Yes\n");
    auto dlg = MakeDialog();
    EXPECT_EQ(app.typeName, "no name");
}

TEST_F(MeterDlgTest, WithoutTheCheckTheTitleEndsInAnEmptyNumber)
{
    Start("StartUpConnectCheck=No\nVisibleSerialNo=NoYes\n");
    auto dlg = MakeDialog();
    EXPECT_FALSE(dlg->EndedAtStart());
    EXPECT_EQ(dlg->windowTitle(), Lang(165) + " : No.");
    EXPECT_TRUE(dlg->windowTitle().endsWith(" : No."));
    EXPECT_EQ(app.typeName, LoadLangString(app, 166));
    EXPECT_EQ(app.deviceSerial, 0u);
    EXPECT_TRUE(sim.ReceivedCommands().empty());
}

TEST_F(MeterDlgTest, LowerCaseYesDoesNotRunTheCheckAndHiddenSerialGivesThePlainName)
{
    Start("StartUpConnectCheck=yes\nVisibleSerialNo=No\nWindowTitle=ABC\n");
    auto dlg = MakeDialog();
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("ABC"));
    EXPECT_TRUE(sim.ReceivedCommands().empty());
}

TEST_F(MeterDlgTest, SwitchedOffThermometerAndCancelEndTheProgram)
{
    Start("StartUpConnectCheck=Yes\n");
    sim.SetPowered(false);
    boxes.answers = {MsgAnswer::Cancel};
    auto dlg = MakeDialog();

    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].call.text, LoadLangString(app, 115));
    EXPECT_EQ(boxes.shown[0].call.caption, LoadLangString(app, 165));
    EXPECT_EQ(boxes.shown[0].qtIcon, QMessageBox::Warning);
    EXPECT_EQ(boxes.shown[0].qtButtons, QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_TRUE(dlg->EndedAtStart());
    // The remaining steps still ran before the window goes.
    EXPECT_EQ(dlg->windowTitle(), Lang(165) + " : No.");
    EXPECT_EQ(dlg->exec(), 0);
    EXPECT_FALSE(dlg->isVisible());
}

TEST_F(MeterDlgTest, SwitchingTheThermometerOnAndRetryingConnects)
{
    Start("StartUpConnectCheck=Yes\n");
    sim.SetPowered(false);
    boxes.onBox = [this](const QtMessageBoxCall&) { sim.SetPowered(true); };
    boxes.answers = {MsgAnswer::Ok};
    auto dlg = MakeDialog();

    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_FALSE(dlg->EndedAtStart());
    EXPECT_EQ(app.portRetryCount, 1);
    EXPECT_EQ(dlg->windowTitle(), Lang(165) + " : No.01234560789");
}

TEST_F(MeterDlgTest, BusyPortOffersRetryWithThePortDialogThenCancelEnds)
{
    Start("StartUpConnectCheck=Yes\n");
    // Another holder of the line makes every open fail.
    auto holder = ports->Create();
    ASSERT_TRUE(holder->Open(SerialSettings{}));
    int portDialogs = 0;
    boxes.onBox = [&](const QtMessageBoxCall&) {
        if (boxes.shown.size() == 1)
            EndModalWhenShown(QStringLiteral("comPortDialog"), false, [&](QDialog&) { ++portDialogs; });
    };
    boxes.answers = {MsgAnswer::Retry, MsgAnswer::Cancel};
    const std::string iniBefore = ReadFileBytes(app.iniPath);
    auto dlg = MakeDialog();

    ASSERT_EQ(boxes.shown.size(), 2u);
    for (const auto& shown : boxes.shown) {
        EXPECT_EQ(shown.call.text, LoadLangString(app, 114));
        EXPECT_EQ(shown.qtIcon, QMessageBox::Critical);
        EXPECT_EQ(shown.qtButtons, QMessageBox::Retry | QMessageBox::Cancel);
    }
    EXPECT_EQ(portDialogs, 1);
    EXPECT_EQ(app.portRetryCount, 1);
    EXPECT_TRUE(dlg->EndedAtStart());
    EXPECT_EQ(ReadFileBytes(app.iniPath), iniBefore);
}

TEST_F(MeterDlgTest, CommandLogNoticeComesFirstWhenLoggingIsOn)
{
    Start("StartUpConnectCheck=No\nCommLog=NoYes\nSTATUS0_Monitor=Yes\n");
    auto dlg = MakeDialog();
    EXPECT_TRUE(app.commLogEnabled);
    EXPECT_TRUE(app.status0Monitor);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].call.caption, "ログファイル保存が有効です");
    EXPECT_EQ(boxes.shown[0].call.text, "保存パス＝" + dir.Path() + "cmd_log.txt");
}

TEST_F(MeterDlgTest, ChoosingATabClearsTheStatusAndShowsExactlyThatPage)
{
    Start("StartUpConnectCheck=No\n");
    auto dlg = MakeDialog();
    dlg->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    auto* tabs = qobject_cast<QTabWidget*>(FindControl(dlg.get(), 1000));
    auto* status = qobject_cast<QLabel*>(FindControl(dlg.get(), 1075));
    ASSERT_NE(tabs, nullptr);
    ASSERT_NE(status, nullptr);

    for (int tab : {2, 1, 3, 0}) {
        SetStatusText(app, "something to clear");
        ASSERT_EQ(status->text(), QStringLiteral("something to clear"));
        QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(tab).center());
        EXPECT_EQ(tabs->currentIndex(), tab);
        EXPECT_TRUE(status->text().isEmpty()) << tab;
        int visible = 0;
        for (int i = 0; i < CMeterDlg::kPageCount; ++i)
            visible += dlg->Page(i)->isVisible() ? 1 : 0;
        EXPECT_EQ(visible, 1);
        EXPECT_TRUE(dlg->Page(tab)->isVisible()) << tab;
    }
}

TEST_F(MeterDlgTest, EnterEscapeAndF1LeaveTheWindowOpen)
{
    Start("StartUpConnectCheck=No\nURL=https://example.invalid/\n");
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "Open");
    auto dlg = MakeDialog();
    dlg->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape, Qt::Key_F1}) {
        QTest::keyClick(dlg.get(), key);
        EXPECT_TRUE(dlg->isVisible()) << key;
    }
    EXPECT_TRUE(boxes.shown.empty());
    // Enter must not press the logo button either.
    EXPECT_TRUE(catcher.opened.isEmpty());
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
}

TEST_F(MeterDlgTest, CloseAsksFirstCancelKeepsRunningAndOkEndsWithZero)
{
    Start("StartUpConnectCheck=No\n");
    auto dlg = MakeDialog();
    dlg->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));

    boxes.answers = {MsgAnswer::Cancel};
    EXPECT_FALSE(dlg->close());
    EXPECT_TRUE(dlg->isVisible());
    ASSERT_EQ(boxes.shown.size(), 1u);
    const auto& asked = boxes.shown[0];
    EXPECT_EQ(asked.call.text, LoadLangString(app, 112));
    EXPECT_EQ(asked.call.caption, LoadLangString(app, 165));
    EXPECT_EQ(asked.qtIcon, QMessageBox::Question);
    EXPECT_EQ(asked.qtButtons, QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(asked.qtDefault, QMessageBox::Cancel);

    // exec runs until the close is confirmed.
    boxes.answers = {MsgAnswer::Ok};
    QTimer::singleShot(0, dlg.get(), [&] { dlg->close(); });
    EXPECT_EQ(dlg->exec(), 0);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST_F(MeterDlgTest, ControlsCarryTheirIdsNamesAndAccessibleNames)
{
    Start("StartUpConnectCheck=No\n");
    auto dlg = MakeDialog();
    const struct {
        int id;
        const char* name;
    } controls[] = {{1000, "tabControl"}, {1075, "statusLine"}, {1318, "logoButton"}};
    for (const auto& c : controls) {
        QWidget* w = FindControl(dlg.get(), c.id);
        ASSERT_NE(w, nullptr) << c.id;
        EXPECT_EQ(w->objectName(), QString::fromLatin1(c.name));
        EXPECT_FALSE(w->accessibleName().isEmpty()) << c.name;
    }
    for (int i = 0; i < CMeterDlg::kPageCount; ++i)
        EXPECT_EQ(dlg->Page(i)->accessibleName(), Lang(102 + i));
}

TEST_F(MeterDlgTest, FixedSizeInDialogUnitsWithMinimiseButNoMaximise)
{
    Start("StartUpConnectCheck=No\n");
    auto dlg = MakeDialog();
    const QSize expected = DialogUnits(DialogFont()).Size(451, 338);
    EXPECT_EQ(dlg->size(), expected);
    EXPECT_EQ(dlg->minimumSize(), expected);
    EXPECT_EQ(dlg->maximumSize(), expected);
    EXPECT_TRUE(dlg->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(dlg->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(dlg->windowIcon().isNull());
}

TEST_F(MeterDlgTest, PagesSitBelowTheTabRowInsideTheTabControl)
{
    Start("StartUpConnectCheck=No\n");
    auto dlg = MakeDialog();
    auto* tabs = qobject_cast<QTabWidget*>(FindControl(dlg.get(), 1000));
    ASSERT_NE(tabs, nullptr);
    const QRect tabRect = tabs->geometry();
    for (int i = 0; i < CMeterDlg::kPageCount; ++i) {
        const QRect page = dlg->Page(i)->geometry();
        EXPECT_EQ(page, dlg->PageArea());
        EXPECT_TRUE(tabRect.contains(page)) << i;
        EXPECT_GE(page.top(), tabRect.top() + tabs->tabBar()->sizeHint().height() + 18) << i;
    }
    // Once shown, the tab control's own display area is where the pages were put.
    dlg->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    const QWidget* display = tabs->widget(0)->parentWidget();
    const QRect shown(display->mapTo(dlg.get(), QPoint(0, 0)), display->size());
    EXPECT_EQ(dlg->PageArea(), shown.adjusted(0, 18, 0, 0));
}

TEST_F(MeterDlgTest, JapaneseUsesTheGothicFontOnStatusAndTabs)
{
    Start("StartUpConnectCheck=No\nLangage=0\n");
    auto dlg = MakeDialog();
    for (int id : {1000, 1075}) {
        QWidget* w = FindControl(dlg.get(), id);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->font().family(), QStringLiteral("MS UI Gothic"));
        EXPECT_EQ(w->font().pointSize(), 9);
        EXPECT_TRUE(QFontInfo(w->font()).family().startsWith(QStringLiteral("IPA"))) << id;
    }
}

TEST_F(MeterDlgTest, EnglishTextsEverywhere)
{
    Start("StartUpConnectCheck=No\nLangage=1\nVisibleSerialNo=No\n");
    auto dlg = MakeDialog();
    ASSERT_EQ(app.language, 1);
    auto* tabs = qobject_cast<QTabWidget*>(FindControl(dlg.get(), 1000));
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 4);
    EXPECT_EQ(tabs->tabText(0), QString::fromStdString(LoadTableString(2102)));
    EXPECT_EQ(tabs->tabText(3), QString::fromStdString(LoadTableString(2105)));
    EXPECT_EQ(qobject_cast<QLabel*>(FindControl(dlg.get(), 1075))->text(),
              QStringLiteral("Select Tab Menu by Mouse"));
    EXPECT_EQ(dlg->windowTitle(), QString::fromStdString(LoadTableString(2165)));
    EXPECT_EQ(dlg->ComPortAction()->text(), "&" + QString::fromStdString(LoadTableString(2213)));
    EXPECT_EQ(dlg->AboutAction()->text(), QStringLiteral("&About Thermometer Application"));
}

TEST_F(MeterDlgTest, MenuEntriesInJapaneseWithTheirShortcuts)
{
    Start("StartUpConnectCheck=No\n");
    auto dlg = MakeDialog();
    EXPECT_EQ(dlg->ComPortAction()->text(), QStringLiteral("COMポート設定(&C)..."));
    EXPECT_EQ(dlg->AboutAction()->text(), QStringLiteral("バージョン情報(&A)..."));
    EXPECT_EQ(dlg->ComPortAction()->shortcut(), QKeySequence(Qt::ALT | Qt::Key_C));
    EXPECT_EQ(dlg->AboutAction()->shortcut(), QKeySequence(Qt::ALT | Qt::Key_A));
    EXPECT_TRUE(dlg->actions().contains(dlg->ComPortAction()));
    EXPECT_EQ(dlg->contextMenuPolicy(), Qt::ActionsContextMenu);
}

TEST_F(MeterDlgTest, MenuEntryRunsThePortDialogWhoseOkWritesThePort)
{
    Start("StartUpConnectCheck=No\n", "Port=COM2\n");
    app.portRetryCount = 2;
    auto dlg = MakeDialog();
    EndModalWhenShown(QStringLiteral("comPortDialog"), true, [](QDialog& d) {
        auto* list = qobject_cast<QComboBox*>(FindControl(&d, 1106));
        ASSERT_NE(list, nullptr);
        list->setCurrentIndex(list->findText(QStringLiteral("COM6")));
    });
    dlg->ComPortAction()->trigger();
    EXPECT_EQ(IniFile::GetString(app.iniPath, "ComPort", "Port", ""), "COM6");
}

TEST_F(MeterDlgTest, LogoButtonShowsThePictureAndOpensTheUrl)
{
    Bitmap24 picture;
    picture.width = 12;
    picture.height = 5;
    picture.bottomUpRows.assign(static_cast<std::size_t>(12 * 3) * 5, 0x80);
    ASSERT_TRUE(CJpegImage::SaveBitmapAsJpeg(dir.File("logo.jpg"), picture));
    Start("StartUpConnectCheck=No\nLogo=logo.jpg\nURL=https://example.invalid/rm42\n");
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "Open");
    auto dlg = MakeDialog();
    auto* logo = qobject_cast<QPushButton*>(FindControl(dlg.get(), 1318));
    ASSERT_NE(logo, nullptr);
    EXPECT_FALSE(logo->icon().isNull());
    EXPECT_EQ(logo->iconSize(), QSize(12, 5));

    logo->click();
    ASSERT_EQ(catcher.opened.size(), 1);
    EXPECT_EQ(catcher.opened[0], QUrl(QStringLiteral("https://example.invalid/rm42")));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
}

TEST_F(MeterDlgTest, MissingLogoLeavesTheButtonBareAndAnEmptyUrlOpensNothing)
{
    Start("StartUpConnectCheck=No\nLogo=nowhere.jpg\n");
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "Open");
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "Open");
    auto dlg = MakeDialog();
    auto* logo = qobject_cast<QPushButton*>(FindControl(dlg.get(), 1318));
    ASSERT_NE(logo, nullptr);
    EXPECT_TRUE(logo->icon().isNull());
    logo->click();
    EXPECT_TRUE(catcher.opened.isEmpty());
    EXPECT_TRUE(boxes.shown.empty());
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
}

} // namespace

#include "MeterDlgGuiTest.moc"
