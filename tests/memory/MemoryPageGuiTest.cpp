// The memory data page against the in-process simulator: read, list, uncheck, write back,
// read again, units, items and saving.

#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QRadioButton>
#include <QTableWidget>

#include <algorithm>
#include <filesystem>

#include "SimOptions.h"
#include "memory/CMemoryPage.h"
#include "support/FakeClock.h"
#include "ui/GuiTestSupport.h"

namespace {

class MemoryPageTest : public SimPageRig<FakeClock> {
protected:
    void Start(int language, const std::string& items = "time,room,max", int records = 5,
               const std::string& fault = "")
    {
        SimConfig config;
        config.useHostClock = false;
        std::string error;
        ASSERT_TRUE(FillSimPreset(items, records, SimDateTime{2026, 12, 7, 1, 0, 0}, config, error)) << error;
        ASSERT_TRUE(fault.empty() || ParseSimFault(fault, config, error)) << error;
        UseThermometer(config);
        WriteIni("");
        app.language = language;
        page = std::make_unique<CMemoryPage>(app, nullptr);
        page->resize(700, 440);
        page->show();
        page->PageShown();
    }
    QTableWidget* List() const { return Control<QTableWidget>(page.get(), 1010); }
    QPushButton* Button(int id) const { return Control<QPushButton>(page.get(), id); }
    std::vector<int> CheckedNumbers() const
    {
        std::vector<int> numbers;
        for (int r = 0; r < List()->rowCount(); ++r)
            if (List()->item(r, 0)->checkState() == Qt::Checked) numbers.push_back(r + 1);
        return numbers;
    }
    QString Cell(int row, int column) const { return List()->item(row - 1, column)->text(); }
    void SetChecked(int row, bool on) const
    {
        List()->item(row - 1, 0)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
    QString Caption(int column) const { return List()->horizontalHeaderItem(column)->text(); }

    std::unique_ptr<CMemoryPage> page;
};

TEST_F(MemoryPageTest, ReadsUnchecksWritesBackAndReadsThePackedResult)
{
    Start(1);
    ASSERT_TRUE(boxes.shown.empty());
    ASSERT_EQ(List()->rowCount(), 25); // time and two more items
    EXPECT_EQ(Control<QLabel>(page.get(), 1043)->text(), QStringLiteral("25"));
    for (int id : {1021, 1044, 1023})
        EXPECT_TRUE(Control<QCheckBox>(page.get(), id)->isChecked()) << id;
    for (int id : {1022, 1024})
        EXPECT_FALSE(Control<QCheckBox>(page.get(), id)->isChecked()) << id;
    EXPECT_EQ(CheckedNumbers(), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(Cell(1, 3).startsWith(QStringLiteral("2026/12/07  00:")));
    EXPECT_EQ(List()->item(1, 2)->background().color(), QColor(220, 240, 220));
    EXPECT_NE(List()->item(2, 2)->background().color(), QColor(220, 240, 220));
    EXPECT_TRUE(Button(1027)->isEnabled());
    const QString third = Cell(3, 1), fifth = Cell(5, 1);

    // A row without data never stays checked; Write follows the check boxes.
    SetChecked(9, true);
    EXPECT_EQ(CheckedNumbers().size(), 5u);
    QTest::mouseClick(Button(1097), Qt::LeftButton);
    EXPECT_TRUE(CheckedNumbers().empty());
    EXPECT_FALSE(Button(1027)->isEnabled());
    QTest::mouseClick(Button(1096), Qt::LeftButton);
    EXPECT_EQ(CheckedNumbers(), (std::vector<int>{1, 2, 3, 4, 5}));
    SetChecked(1, false);
    SetChecked(2, false);
    SetChecked(4, false);

    boxes.answers = {MsgAnswer::Yes};
    QTest::mouseClick(Button(1027), Qt::LeftButton);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].qtDefault, QMessageBox::No);
    EXPECT_EQ(sim->Register(0x40), 2);
    EXPECT_EQ(Cell(3, 1), third) << "the list keeps its rows until it is read again";

    boxes.answers = {MsgAnswer::Yes};
    QTest::mouseClick(Button(1030), Qt::LeftButton);
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(CheckedNumbers(), (std::vector<int>{1, 2}));
    EXPECT_EQ(Cell(1, 1), third);
    EXPECT_EQ(Cell(2, 1), fifth);
    EXPECT_EQ(Cell(3, 1), QString());
    EXPECT_FALSE(app.deviceSemaphore);
}

// The Japanese page shows Celsius and Kelvin only; without items every record is one row.
TEST_F(MemoryPageTest, TheJapanesePageOffersNoFahrenheit)
{
    Start(0, "none", 3);
    EXPECT_FALSE(Control<QRadioButton>(page.get(), 1040)->isEnabled());
    EXPECT_EQ(List()->rowCount(), 150);
    EXPECT_EQ(Control<QGroupBox>(page.get(), 1157)->title().toStdString(), "メモリ項目選択");
}

TEST_F(MemoryPageTest, ItemAndUnitButtonsDrivenAnyWayChangeThePage)
{
    Start(1);
    const uint16_t items = page->Data().memoryItems;
    // Only this item differs from what was read (it is what Write packs), and the list, the
    // capacity shown and the check of every row with data (one is cleared here) follow.
    SetChecked(2, false);
    const auto itemChanged = [&](uint16_t bit) -> std::function<bool()> {
        return [this, items, bit] {
            const int capacity = page->Data().capacity;
            return (page->Data().memoryItems ^ items) == bit && List()->rowCount() == capacity &&
                   CheckedNumbers().size() == 5u &&
                   Control<QLabel>(page.get(), 1043)->text() == QString::number(capacity);
        };
    };
    ExpectStateFollowsControls(page.get(), {{1044, 1044, itemChanged(ITEM_ROOM)},
                                            {1021, 1021, itemChanged(ITEM_TIME)},
                                            {1022, 1022, itemChanged(ITEM_EMISSIVITY)},
                                            {1023, 1023, itemChanged(ITEM_MAX)},
                                            {1024, 1024, itemChanged(ITEM_MIN)},
                                            {1040, 1039, [this] { return Caption(1) == "Temp.(°F)"; }},
                                            {1041, 1039, [this] { return Caption(1) == "Temp.(K)"; }}});
}

// A whole read saves under the chosen name without a word; a read that stopped part-way saves
// under a name that says so, and tells the user.
TEST_F(MemoryPageTest, SaveWritesTheListAsShown)
{
    const struct {
        const char* fault;
        const char* file;
        int lines;
    } rows[] = {{"", "memo.csv", 6}, {"silent-at:20", "memo-partial.csv", 3}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.fault);
        Start(1, "time,room,max", 5, row.fault);
        boxes.shown.clear();
        QString offered;
        EndModalWhenShown(QStringLiteral("memorySaveDialog"), true, [&](QDialog& d) {
            auto& dialog = static_cast<QFileDialog&>(d);
            offered = dialog.selectedFiles().value(0);
            dialog.selectNameFilter(dialog.nameFilters().value(1)); // CSV
            dialog.selectFile(QString::fromStdString(dir.File("memo.html")));
        });
        QTest::mouseClick(Button(1026), Qt::LeftButton);
        EXPECT_EQ(offered,
                  QString::fromStdString(dir.Path() + "No Type-Number entered-") +
                      QDateTime::fromSecsSinceEpoch(clock.WallTime()).toString("yyyyMMdd_HHmmss'.csv'"));
        const std::string csv = ReadFileBytes(dir.File(row.file));
        EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), row.lines);
        if (row.lines == 6) {
            EXPECT_TRUE(boxes.shown.empty());
        } else {
            ASSERT_EQ(boxes.shown.size(), 1u);
            EXPECT_EQ(boxes.shown[0].call.text,
                      "Only 2 of the thermometer's 5 records were read, so the list "
                      "was saved under a name that says it is partial: " +
                          dir.File("memo-partial.csv"));
        }
    }
}

} // namespace
