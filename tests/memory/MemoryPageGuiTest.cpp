// The memory data page against the in-process simulator: what the page does with the read, its
// check boxes and buttons, the write-back it asks about, the unit and item controls and saving.

#include "SimOptions.h"
#include "memory/CMemoryPage.h"
#include "ui/GuiTestSupport.h"

class MemoryPageTest : public SimPageRig<FakeClock> {
protected:
    void SetUp() override
    {
        SimConfig config;
        std::string error;
        ASSERT_TRUE(FillSimPreset("time,room,max", 5, SimDateTime{2026, 12, 7, 1, 0, 0}, config, error))
            << error;
        UseThermometer(config);
        WriteIni(""), app.language = 1;
        page = std::make_unique<CMemoryPage>(app, nullptr);
        pageUnderTest = page.get();
        page->show(), page->PageShown();
    }
    QTableWidget* List() { return C<QTableWidget>(1010); }
    std::vector<int> CheckedNumbers()
    {
        std::vector<int> numbers;
        for (int r = 0; r < List()->rowCount(); ++r)
            if (List()->item(r, 0)->checkState() == Qt::Checked) numbers.push_back(r + 1);
        return numbers;
    }
    QString Cell(int row) { return List()->item(row - 1, 1)->text(); }
    void Check(int row, Qt::CheckState state) { List()->item(row - 1, 0)->setCheckState(state); }

    std::unique_ptr<CMemoryPage> page;
};

// SAVE offers the default name in the desktop folder and writes the format chosen under the name
// typed. An item box changes that item only (it is what Write packs), and the list, the capacity shown
// and the check of every row with data follow; the unit buttons change the caption. A row without
// data never stays checked; none and all, and Write, follow the check boxes.
TEST_F(MemoryPageTest, ReadsSavesUnchecksWritesBackAndReadsThePackedResult)
{
    QString offered;
    AnswerFileDialog(QStringLiteral("memorySaveDialog"), 1, dir.File("memo.html"), &offered); // CSV
    Click(1026);
    EXPECT_EQ(offered, QString::fromStdString(dir.Path() + "No Type-Number entered-") +
                           QDateTime::fromSecsSinceEpoch(clock.WallTime()).toString("yyyyMMdd_HHmmss'.csv'"));
    const std::string csv = ReadFileBytes(dir.File("memo.csv"));
    EXPECT_EQ(std::tuple(std::count(csv.begin(), csv.end(), '\n'), List()->rowCount(), Texts({1043}),
                         C<QAbstractButton>(1023)->isChecked(), CheckedNumbers()),
              std::tuple(6, 25, QString("25"), true, std::vector<int>{1, 2, 3, 4, 5})); // 3 items
    const uint16_t items = page->Data().memoryItems;
    Check(2, Qt::Unchecked);
    const auto emissivityAdded = [&] {
        return (page->Data().memoryItems ^ items) == ITEM_EMISSIVITY && page->Data().capacity == 20 &&
               List()->rowCount() == 20 && CheckedNumbers().size() == 5u && Texts({1043}) == "20";
    };
    ExpectStateFollowsControls(
        page.get(), {{1022, 1022, emissivityAdded},
                     {1040, 1039, [&] { return List()->horizontalHeaderItem(1)->text() == "Temp.(°F)"; }}});
    const QString third = Cell(3), fifth = Cell(5);
    Check(9, Qt::Checked);
    EXPECT_EQ(CheckedNumbers().size(), 5u);
    Click(1097);
    EXPECT_TRUE(CheckedNumbers().empty() && !C(1027)->isEnabled());
    Click(1096);
    Check(1, Qt::Unchecked), Check(2, Qt::Unchecked), Check(4, Qt::Unchecked);
    boxes.answers = {MsgAnswer::Yes, MsgAnswer::Yes};
    Click(1027);
    EXPECT_EQ(std::tuple(boxes.looks.at(0).second, sim->Register(0x40), Cell(3)),
              std::tuple(QMessageBox::No, uint16_t{2}, third)); // the list keeps its rows until read again
    Click(1030);
    EXPECT_EQ(
        std::tuple(CheckedNumbers(), QStringList({Cell(1), Cell(2), Cell(3)}), app.deviceSemaphore.load()),
        std::tuple(std::vector<int>{1, 2}, QStringList({third, fifth, QString()}), false));
}
