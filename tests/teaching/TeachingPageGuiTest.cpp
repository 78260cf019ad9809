// The teaching page against the in-process simulator: controls, the show-time read, teaching
// from the button, the focus rules and the emissivity list with mouse and keys.

#include <QHeaderView>
#include <QLineEdit>
#include <QTableWidget>

#include <QTabWidget>

#include <cstdlib>
#include <filesystem>

#include "app/StartUp.h"
#include "device/CommandSet.h"
#include "shell/CMeterDlg.h"
#include "support/ChildProcess.h"
#include "support/FakeClock.h"
#include "teaching/CTeachingPage.h"
#include "ui/CNumericEdit.h"
#include "ui/GuiTestSupport.h"

namespace {

// A 0.82 target at 150 degC read with 0.95 set.
SimConfig Target()
{
    SimConfig c;
    c.targetC = 150.0;
    c.trueEmissivity = 0.82;
    c.emissivityRegister = 950;
    return c;
}

class TeachingPageTest : public SimPageRig<FakeClock> {
protected:
    TeachingPageTest() : SimPageRig(Target())
    {
        WriteIni("", "[Teaching]\nReloadWaitTime=3\n");
        // Black body, water, polished aluminium, then a blank line and two equal values.
        WriteFileBytes(dir.File("emissivity_list(ENG).csv"),
                       "Black body,1.00\r\nAluminium (polished),0.05\r\nWater,0.96\r\n\r\nWood,0.90\r\n"
                       "Cloth,0.90\r\n");
        app.language = 1;
    }
    std::unique_ptr<CTeachingPage> Page()
    {
        auto page = std::make_unique<CTeachingPage>(app, nullptr);
        page->resize(900, 600);
        page->show();
        page->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(page.get()));
        return page;
    }
    template <class W> static W* Get(CTeachingPage& page, int id)
    {
        W* w = Control<W>(&page, id);
        EXPECT_NE(w, nullptr) << id;
        return w;
    }
    static QPoint RowCenter(QTableWidget& list, int row)
    {
        return list.visualRect(list.model()->index(row, 1)).center();
    }
};

// The order is EmissivityList's (the keys below walk it); the page paints the marks: odd rows
// tinted, the polished aluminium (row 4, even) red on grey, the blank entry (row 5, odd) only tinted.
TEST_F(TeachingPageTest, TheListIsTintedAndMarked)
{
    auto page = Page();
    auto* list = Get<QTableWidget>(*page, 1130);
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(boxes.shown.empty());
    ASSERT_EQ(list->rowCount(), 6);
    EXPECT_FALSE(list->horizontalHeader()->sectionsClickable());
    // Number, name and value of a row as shown, and the caption over the names.
    EXPECT_EQ(list->horizontalHeaderItem(0)->text(), QStringLiteral("No."));
    EXPECT_EQ(list->horizontalHeaderItem(1)->text(), QStringLiteral("            Target"));
    EXPECT_EQ(list->horizontalHeaderItem(2)->text(), QStringLiteral("Emissivity"));
    const char* water[] = {"  2", "           Water", "0.96"};
    for (int column = 0; column < 3; ++column)
        EXPECT_EQ(list->item(1, column)->text(), QString::fromLatin1(water[column])) << column;
    EXPECT_EQ(list->item(1, 1)->background().color(), QColor(220, 240, 220));
    EXPECT_EQ(list->item(0, 1)->background().style(), Qt::NoBrush);
    EXPECT_EQ(list->item(4, 2)->background().color(), QColor(240, 240, 240));
    EXPECT_EQ(list->item(4, 2)->foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(list->item(5, 1)->background().color(), QColor(220, 240, 220));
    EXPECT_EQ(list->item(5, 1)->foreground().style(), Qt::NoBrush);
}

TEST_F(TeachingPageTest, ClickAndArrowKeysCopyTheEmissivityIntoTheSetField)
{
    auto page = Page();
    auto* list = Get<QTableWidget>(*page, 1130);
    auto* field = Get<CNumericEdit>(*page, 1062);
    ASSERT_TRUE(list && field);

    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, RowCenter(*list, 2));
    EXPECT_EQ(page->CurrentRow(), 2);
    EXPECT_EQ(field->text(), QStringLiteral("0.90"));
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(field->text(), QStringLiteral("0.96"));
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(page->CurrentRow(), 3);
    EXPECT_EQ(field->text(), QStringLiteral("0.90"));
    // The field's own limits apply to a copied value outside them.
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(field->text(), QStringLiteral("0.30"));

    // Up stops at the first row, Down at the last; any other key copies the current row again.
    for (int i = 0; i < 8; ++i)
        QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(page->CurrentRow(), 0);
    EXPECT_EQ(field->text(), QStringLiteral("1.00"));
    for (int i = 0; i < 8; ++i)
        QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(page->CurrentRow(), 5);
    QTest::keyClick(list, Qt::Key_Up);
    QTest::keyClick(list, Qt::Key_Up);
    field->setText(QStringLiteral("0.50"));
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(page->CurrentRow(), 3);
    EXPECT_EQ(field->text(), QStringLiteral("0.90"));

    // A click below the last row changes nothing.
    field->setText(QStringLiteral("0.77"));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(5, list->viewport()->height() - 2));
    EXPECT_EQ(field->text(), QStringLiteral("0.77"));
}

// The values read and the emissivity taught are TeachingOperationsTest's; here the button hands
// it the field and the page shows what came back.
TEST_F(TeachingPageTest, TheButtonTeachesTheTemperatureInTheField)
{
    auto page = Page();
    page->PageShown();
    EXPECT_EQ(Get<CNumericEdit>(*page, 1071)->toolTip().toStdString(),
              "Enter True Temperature of Target for Teaching");
    Get<CNumericEdit>(*page, 1071)->setText(QStringLiteral("150.0"));
    QTest::mouseClick(Get<QPushButton>(*page, 1072), Qt::LeftButton);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_NEAR(Get<QLineEdit>(*page, 1045)->text().toDouble(), 0.82, 0.01);
    EXPECT_NEAR(Get<QLineEdit>(*page, 1070)->text().toDouble(), 150.0, 0.3);
    EXPECT_TRUE(Get<QPushButton>(*page, 1072)->isEnabled());
    EXPECT_FALSE(app.deviceSemaphore.load());
}

// The emissivity field however it was filled, SET pressed through the accessibility interface:
// the thermometer gets what the field shows, within the field's limits.
TEST_F(TeachingPageTest, SetWritesTheEmissivityFieldHoweverItWasFilled)
{
    auto page = Page();
    page->PageShown();
    auto* field = Get<CNumericEdit>(*page, 1062);
    ASSERT_NE(field, nullptr);
    const struct {
        const char* how;
        std::function<void()> fill;
        uint16_t written;
    } rows[] = {
        {"typed", [&] { field->clear(), QTest::keyClicks(field, QStringLiteral("0.87")); }, 870},
        {"accessible", [&] { AccessibleSetText(field, QStringLiteral("0.66")); }, 660},
        {"accessible, above the limit", [&] { AccessibleSetText(field, QStringLiteral("1.5")); }, 1200},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.how);
        row.fill();
        AccessibleAction(Get<QPushButton>(*page, 1061), QAccessibleActionInterface::pressAction());
        EXPECT_EQ(sim->Register(REG_EMISSIVITY), row.written);
    }
    EXPECT_TRUE(boxes.shown.empty());
}

// A reading between -9.9 and -0.1 is shown padded with a blank; the teaching field, which keeps a
// minus sign only in front, gets it without, so the teaching is at the reading itself.
TEST_F(TeachingPageTest, ANegativeReadingKeepsItsSignInTheTeachingField)
{
    auto page = Page();
    sim->SetTrueEmissivity(0.95);
    for (const auto& [targetC, shown] : {std::pair{-5.0, " -5.0"}, std::pair{-0.1, " -0.1"}}) {
        SCOPED_TRACE(shown);
        sim->SetTargetC(targetC);
        page->PageShown();
        EXPECT_EQ(Get<QLineEdit>(*page, 1070)->text(), QString::fromLatin1(shown));
        EXPECT_EQ(Get<QLineEdit>(*page, 1071)->text(), QString::fromLatin1(shown).trimmed());
        QTest::mouseClick(Get<QPushButton>(*page, 1072), Qt::LeftButton);
        EXPECT_EQ(Get<QLineEdit>(*page, 1045)->text(), QStringLiteral("0.95"));
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(TeachingPageTest, ReadOnlyFieldsPassTheFocusToTheTeachingTemperature)
{
    auto page = Page();
    auto* teachTemp = Get<CNumericEdit>(*page, 1071);
    auto* newEmissivity = Get<CNumericEdit>(*page, 1062);
    ASSERT_TRUE(teachTemp && newEmissivity);
    for (int id : {1044, 1070, 1045}) {
        SCOPED_TRACE(id);
        newEmissivity->setFocus();
        ASSERT_TRUE(newEmissivity->hasFocus());
        Get<QLineEdit>(*page, id)->setFocus();
        EXPECT_TRUE(teachTemp->hasFocus());
    }
}

// The whole window in both languages with the supplied lists: choosing the tab reads the values. With
// RM42_SCREENSHOT_DIR set, the window is saved there as a picture.
TEST_F(TeachingPageTest, ChoosingTheTabReadsTheValuesInBothLanguages)
{
    for (int language : {1, 0}) {
        SCOPED_TRACE(language);
        WriteIni("Langage=" + std::to_string(language) + "\nLogo=logo.jpg\nStartUpConnectCheck=Yes",
                 "[Teaching]\nReloadWaitTime=0\n");
        for (const char* name : {"emissivity_list.csv", "emissivity_list(ENG).csv", "logo.jpg"})
            WriteFileBytes(dir.File(name), ReadFileBytes(RunnableDir() + name));
        ASSERT_TRUE(FillStartUpState(app, dir.File("rm42meter")));
        CMeterDlg dlg(app, boxes);
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
        auto* page = qobject_cast<CTeachingPage*>(dlg.Page(2));
        ASSERT_NE(page, nullptr);
        auto* current = Get<QLineEdit>(*page, 1044);
        EXPECT_TRUE(current->text().isEmpty()) << "nothing is read before the tab is chosen";

        Control<QTabWidget>(&dlg, 1000)->setCurrentIndex(2);
        EXPECT_TRUE(page->isVisible());
        EXPECT_EQ(current->text(), QStringLiteral("0.95"));
        EXPECT_EQ(Get<QLineEdit>(*page, 1071)->text(), Get<QLineEdit>(*page, 1070)->text().trimmed());
        EXPECT_EQ(Control<QLabel>(&dlg, 1075)->text().toStdString(), page->Operations().StatusText());
        EXPECT_TRUE(boxes.shown.empty());

        if (const char* shots = std::getenv("RM42_SCREENSHOT_DIR")) {
            QApplication::processEvents();
            const QString path =
                QString::fromUtf8(shots) + (language == 1 ? "/teaching-en.png" : "/teaching-ja.png");
            EXPECT_TRUE(dlg.grab().save(path));
        }
    }
}

TEST_F(TeachingPageTest, AMissingListIsReportedOnceAndThePageStillWorks)
{
    std::filesystem::remove(dir.File("emissivity_list(ENG).csv"));
    WriteFileBytes(app.iniPath, "[ComPort]\nPort=SIM\nStopBit=1\n"); // 1.5 stop bits: the port refuses
    CTeachingPage page(app, nullptr);
    ASSERT_EQ(boxes.shown.size(), 1u); // its text is EmissivityList's
    auto* list = Control<QTableWidget>(&page, 1130);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->rowCount(), 0);
    QTest::keyClick(list, Qt::Key_Down); // nothing to copy, nothing breaks

    // A port that does not open: the read reports it and gives the controls back.
    page.PageShown();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].call.text, "COM-port Communication Error");
    EXPECT_TRUE(Control<QPushButton>(&page, 1074)->isEnabled());
}

} // namespace
