// The memory data page against the in-process simulator: what the page does with the read, its
// check boxes and buttons, the write-back it asks about, the unit and item controls and saving.

#include "SimOptions.h"
#include "memory/CMemoryPage.h"
#include "support/FakeClock.h"
#include "ui/GuiTestSupport.h"

namespace {

class MemoryPageTest : public SimPageRig<FakeClock> {
protected:
    void Start(const std::string& fault = "")
    {
        SimConfig config;
        std::string error;
        ASSERT_TRUE(FillSimPreset("time,room,max", 5, SimDateTime{2026, 12, 7, 1, 0, 0}, config, error))
            << error;
        ASSERT_TRUE(fault.empty() || ParseSimFault(fault, config, error)) << error;
        UseThermometer(config);
        WriteIni("");
        app.language = 1;
        page = std::make_unique<CMemoryPage>(app, nullptr);
        pageUnderTest = page.get();
        page->show();
        page->PageShown();
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

// An item box changes that item only (it is what Write packs), and the list, the capacity shown
// and the check of every row with data follow; the unit buttons change the caption. A row without
// data never stays checked; none and all, and Write, follow the check boxes.
TEST_F(MemoryPageTest, ReadsUnchecksWritesBackAndReadsThePackedResult)
{
    Start();
    EXPECT_EQ(std::pair(List()->rowCount(), C<QLabel>(1043)->text()),
              std::pair(25, QString("25"))); // 3 items
    EXPECT_TRUE(C<QAbstractButton>(1023)->isChecked() && !C<QAbstractButton>(1024)->isChecked());
    EXPECT_EQ(CheckedNumbers(), (std::vector<int>{1, 2, 3, 4, 5}));
    const uint16_t items = page->Data().memoryItems;
    Check(2, Qt::Unchecked);
    const auto emissivityAdded = [&] {
        const int capacity = page->Data().capacity;
        return (page->Data().memoryItems ^ items) == ITEM_EMISSIVITY && capacity == 20 &&
               List()->rowCount() == capacity && CheckedNumbers().size() == 5u &&
               C<QLabel>(1043)->text() == QStringLiteral("20");
    };
    ExpectStateFollowsControls(
        page.get(), {{1022, 1022, emissivityAdded},
                     {1040, 1039, [&] { return List()->horizontalHeaderItem(1)->text() == "Temp.(°F)"; }}});
    const QString third = Cell(3), fifth = Cell(5);
    Check(9, Qt::Checked);
    EXPECT_EQ(CheckedNumbers().size(), 5u);
    Click(1097);
    EXPECT_TRUE(CheckedNumbers().empty());
    EXPECT_FALSE(C(1027)->isEnabled());
    Click(1096);
    Check(1, Qt::Unchecked), Check(2, Qt::Unchecked), Check(4, Qt::Unchecked);
    boxes.answers = {MsgAnswer::Yes};
    Click(1027);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].qtDefault, QMessageBox::No);
    EXPECT_EQ(sim->Register(0x40), 2);
    EXPECT_EQ(Cell(3), third) << "the list keeps its rows until it is read again";

    boxes.answers = {MsgAnswer::Yes};
    Click(1030);
    EXPECT_EQ(CheckedNumbers(), (std::vector<int>{1, 2}));
    EXPECT_EQ(std::vector<QString>({Cell(1), Cell(2), Cell(3)}),
              std::vector<QString>({third, fifth, QString()}));
    EXPECT_FALSE(app.deviceSemaphore);
}

// The page offers the default name in its dialog and saves under the name chosen; a read that
// stopped part-way saves under a name that says so, and tells the user.
TEST_F(MemoryPageTest, SaveWritesTheListUnderTheChosenNameAndSaysWhenItIsPartial)
{
    Start("silent-at:20");
    QString offered;
    EndModalWhenShown(QStringLiteral("memorySaveDialog"), true, [&](QDialog& d) {
        auto& dialog = static_cast<QFileDialog&>(d);
        offered = dialog.selectedFiles().value(0);
        dialog.selectNameFilter(dialog.nameFilters().value(1)); // CSV
        dialog.selectFile(QString::fromStdString(dir.File("memo.html")));
    });
    Click(1026);
    EXPECT_EQ(offered, QString::fromStdString(dir.Path() + "No Type-Number entered-") +
                           QDateTime::fromSecsSinceEpoch(clock.WallTime()).toString("yyyyMMdd_HHmmss'.csv'"));
    const std::string csv = ReadFileBytes(dir.File("memo-partial.csv"));
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 3);
    EXPECT_EQ(boxes.shown.back().call.text,
              "Only 2 of the thermometer's 5 records were read, so the list was saved "
              "under a name that says it is partial: " +
                  dir.File("memo-partial.csv"));
}

} // namespace
