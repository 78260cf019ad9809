// The teaching page against the in-process simulator: the list driven by mouse and keys, and what
// the TEACH and SET buttons hand the thermometer.
// The values read and taught are TeachingOperationsTest's; the list's order is EmissivityList's.

#include "device/CommandSet.h"
#include "teaching/CTeachingPage.h"
#include "ui/GuiTestSupport.h"

class TeachingPageTest : public SimPageRig<FakeClock> {
protected:
    TeachingPageTest()
    {
        SimConfig c; // a 0.82 target at 150 degC read with 0.95 set
        c.targetC = 150.0, c.trueEmissivity = 0.82, c.emissivityRegister = 950;
        UseThermometer(c);
        WriteIni("", "[Teaching]\nReloadWaitTime=3\n");
        // Black body, water, polished aluminium, then a blank line and two equal values.
        WriteFileBytes(
            dir.File("emissivity_list(ENG).csv"),
            "Black body,1.00\r\nAluminium (polished),0.05\r\nWater,0.96\r\n\r\nWood,0.90\r\nCloth,0.90\r\n");
        app.language = 1;
        page = std::make_unique<CTeachingPage>(app, nullptr);
        pageUnderTest = page.get();
        page->resize(900, 600), page->show();
    }
    QTableWidget* List() { return C<QTableWidget>(1130); }
    void Type(int id, const char* text) { C<QLineEdit>(id)->setText(text); }

    std::unique_ptr<CTeachingPage> page;
};

// A click or a key copies the row's value into the set field, within the field's limits. The button teaches
// the temperature in its field and the page shows what came back; a reading between -9.9 and -0.1, shown
// padded with a blank, reaches the teaching field without it.
TEST_F(TeachingPageTest, TheListTeachAndSetHandTheirFieldsToTheThermometer)
{
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {},
                      List()->visualRect(List()->model()->index(2, 1)).center());
    EXPECT_EQ(std::pair(page->CurrentRow(), Texts({1062})), std::pair(2, QStringLiteral("0.90")));
    // Key, presses, and the row then current and the value then in the field; a key that does not
    // move copies the value again.
    const std::tuple<Qt::Key, int, int, const char*> rows[] = {
        {Qt::Key_Up, 1, 1, "0.96"}, {Qt::Key_Down, 3, 4, "0.30"}, {Qt::Key_Space, 1, 4, "0.30"}};
    for (const auto& [key, times, row, field] : rows) {
        Type(1062, "0.50");
        for (int i = 0; i < times; ++i)
            QTest::keyClick(List(), key);
        EXPECT_EQ(std::pair(page->CurrentRow(), Texts({1062})), std::pair(row, QString(field)));
    }

    page->PageShown();
    Type(1071, "150.0");
    Click(1072);
    EXPECT_NEAR(Texts({1045}).toDouble(), 0.82, 0.01);
    EXPECT_NEAR(Texts({1070}).toDouble(), 150.0, 0.3);
    EXPECT_TRUE(C(1072)->isEnabled() && !app.deviceSemaphore.load());

    sim->SetTrueEmissivity(0.95), sim->SetRegister(REG_EMISSIVITY, 950), sim->SetTargetC(-0.1);
    page->PageShown();
    EXPECT_EQ(Texts({1070, 1071}), QStringLiteral(" -0.1|-0.1"));
    Click(1072);
    EXPECT_EQ(Texts({1045}), QStringLiteral("0.95"));

    // SET pressed through the accessibility interface after assistive input: the thermometer gets
    // what the field shows, within the field's limits.
    QAccessible::queryAccessibleInterface(C(1062))->setText(QAccessible::Value, QStringLiteral("1.5"));
    AccessibleAction(C(1061), QAccessibleActionInterface::pressAction());
    EXPECT_EQ(std::pair(sim->Register(REG_EMISSIVITY), Texts({1062})),
              std::pair(uint16_t{1200}, QString("1.20")));
    EXPECT_TRUE(boxes.texts.empty());
}
