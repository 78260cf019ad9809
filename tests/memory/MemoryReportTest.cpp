#include "memory/MemoryReport.h"
#include "app/AppState.h"
#include "app/Cp932.h"
#include "memory/MemoryList.h"
#include "support/FakeUserInterface.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

const MemoryRecord kFull{"0BA6", {"1407", "0F03", "1E0A", "0005"}, "0B7A", "03B6", "0C10", "0B40"};
const MemoryRecord kBare{"0BA6", {"FFFF", "FFFF", "FFFF", "FFFF"}, "FFFF", "FFFF", "FFFF", "FFFF"};

TEST(MemoryListTest, CellsShowEachWordInTheUnitAndFormat)
{
    // 949 thousandths round to 0.95. Time words are bytes, not BCD; the second word's high byte
    // carries nothing.
    const MemoryRecord bytes{"0BA6", {"0000", "0101", "0000", "FF3B"}, "", "03B5", "", "FFFF"};
    // clang-format off
    const std::tuple<MemoryRecord, int, Texts> cases[] = {
        {kFull, UNIT_CELSIUS, {"    8", "25.0", "20.6", "2007/03/15  10:30:05", "0.95", "35.6", "14.8"}},
        {kFull, UNIT_FAHRENHEIT, {"    8", "77.0", "69.1", "2007/03/15  10:30:05", "0.95", "96.1", "58.6"}},
        {kFull, UNIT_KELVIN, {"    8", "298.2", "293.8", "2007/03/15  10:30:05", "0.95", "308.8", "288.0"}},
        {kBare, UNIT_CELSIUS, {"    8", "25.0", "----", "----", "----", "----", "----"}},
        {bytes, UNIT_CELSIUS, {"    8", "25.0", "----", "0000/01/01  00:00:59", "0.95", "----", "----"}},
        {MemoryRecord{"FFFF", {}, "0B7A", "", "", ""}, UNIT_CELSIUS, {"    8", "", "", "", "", "", ""}},
        {MemoryRecord{}, UNIT_KELVIN, {"    8", "", "", "", "", "", ""}},
        {MemoryRecord{"0000", {"FFFF"}, "FFFF", "FFFF", "FFFF", "FFFF"}, UNIT_CELSIUS,
         {"    8", "-273.2", "----", "----", "----", "----", "----"}}};
    // clang-format on
    for (const auto& [record, unit, cells] : cases) {
        SCOPED_TRACE(cells[1] + " unit " + std::to_string(unit));
        const MemoryListRow row = MakeListRow(record, 7, unit);
        EXPECT_EQ(Texts(row.cells.begin(), row.cells.end()), cells);
        EXPECT_EQ(row.hasData, !cells[1].empty());
    }
    // Kelvin and Celsius captions are in the golden files.
    AppState app;
    app.language = 1;
    EXPECT_EQ(ColumnCaptions(app, UNIT_FAHRENHEIT)[5], "MAX(°F)");
    app.language = 0;
    EXPECT_EQ(UnitText(app, UNIT_FAHRENHEIT), "゜Ｆ");
}

// Saving the list: report pages from the template, or CSV, under a chosen name.
class MemoryReportTest : public ::testing::Test {
protected:
    MemoryReportTest()
    {
        app.exeDir = dir.Path();
        app.ui = &ui;
        app.language = 1;
        app.typeName = "RM42-A";
    }
    // rows list rows, those in withData holding kFull, the others without data.
    MemoryListSnapshot List(int rows, int unit, std::vector<int> withData) const
    {
        std::vector<MemoryRecord> records(static_cast<std::size_t>(rows));
        for (int i : withData) {
            if (i < rows) records[static_cast<std::size_t>(i)] = i % 2 ? kBare : kFull;
        }
        return {MakeListRows(records, rows, unit), ColumnCaptions(app, unit), UnitText(app, unit),
                app.typeName};
    }
    void UseTemplate(const std::string& text) { WriteFileBytes(dir.File("templete_2(ENG).html"), text); }
    bool Save(const std::string& name, bool asReport, const MemoryListSnapshot& list)
    {
        std::string saveDir;
        const bool ok = SaveMemoryList(app, dir.File(name), asReport, list, saveDir);
        EXPECT_EQ(saveDir, dir.Path());
        return ok;
    }
    bool Exists(const std::string& name) const { return std::filesystem::exists(dir.File(name)); }
    static int Count(const std::string& text, const std::string& what)
    {
        int n = 0;
        for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    }

    TempDir dir;
    FakeUserInterface ui;
    AppState app;
};

TEST_F(MemoryReportTest, PagesAndCsvMatchTheGoldenFiles)
{
    for (int language : {0, 1}) {
        SCOPED_TRACE(language);
        app.language = language;
        const MemoryListSnapshot list = List(4, UNIT_CELSIUS, {0, 1, 3});
        const std::string suffix = language ? "-en" : "-ja", templ = language ? "(ENG)" : "";
        std::ostringstream page, csv;
        int next = 0;
        bool complete = false;
        const auto golden = [](const std::string& name) {
            return ReadFileBytes(TestDataPath("memory/" + name));
        };
        WriteMemoryReportPage(page, SplitTemplateLines(golden("templete_2" + templ + ".html")), list, next,
                              complete);
        WriteMemoryCsv(csv, list);
        EXPECT_EQ(std::tuple(complete, next, page.str(), Utf8ToCp932(csv.str())),
                  std::tuple(true, 4, golden("report" + suffix + ".html"), golden("list" + suffix + ".csv")));
    }
}

TEST_F(MemoryReportTest, ReportPagesHoldTwentyRowsEach)
{
    UseTemplate("<p>__HARDNAME__ / __HARDNAME__ __SUFIX__</p>\n<table>\n__LIST__\n</table>\n");
    const std::pair<int, std::vector<int>> cases[] = {
        {20, {20}}, {21, {20, 1}}, {150, {20, 20, 20, 20, 20, 20, 20, 10}}, {0, {0}}};
    for (const auto& [rows, rowsPerPage] : cases) {
        SCOPED_TRACE(rows);
        const std::string base = "memo" + std::to_string(rows);
        ASSERT_TRUE(Save(base + ".txt", true, List(rows, UNIT_KELVIN, {0})));
        std::vector<int> counted;
        for (int p = 1; Exists(base + "(PAGE0" + std::to_string(p) + ").html"); ++p) {
            const std::string page = ReadFileBytes(dir.File(base + "(PAGE0" + std::to_string(p) + ").html"));
            counted.push_back(Count(page, "<tr>"));
            EXPECT_TRUE(page.starts_with("<p>RM42-A / RM42-A __SUFIX__</p>\r\n<table>\r\n")) << page;
        }
        EXPECT_EQ(std::pair(counted, Exists(base + ".csv")), std::pair(rowsPerPage, false));
    }
    EXPECT_TRUE(ui.boxes.empty());
    // Rows continue from one page to the next, numbered by their list row.
    EXPECT_NE(ReadFileBytes(dir.File("memo21(PAGE02).html")).find("<tr><td align=center>21</td>"),
              std::string::npos);
}

// An edited template keeps what its editor wrote: NEC and IBM extension characters, bytes that
// CP932 does not map, even on a placeholder line; only the inserted texts are converted.
TEST_F(MemoryReportTest, TemplateBytesAreCopiedAsTheyAre)
{
    const std::string odd = "\x87\x90\xED\x40\x80\xA0\xFD\xFE\xFF";
    UseTemplate(odd + "\r\n" + odd + "__HARDNAME__\r\n__LIST__\r\n");
    app.language = 1;
    app.typeName = "炉";
    ASSERT_TRUE(Save("odd.html", true, List(1, UNIT_KELVIN, {})));
    const std::string page = ReadFileBytes(dir.File("odd(PAGE01).html"));
    EXPECT_TRUE(page.starts_with(odd + "\r\n" + odd + "\x98\x46\r\n<tr>")) << page;
}

TEST_F(MemoryReportTest, TemplatesWithoutOrWithTwoListLinesEnd)
{
    // Without a list line (an empty template too) the report would lose every row: it is told
    // by name and nothing is written.
    app.language = 1;
    for (const char* text : {"<h1>__SUFIX__</h1>\r\nno rows here\r\n", ""}) {
        UseTemplate(text);
        EXPECT_FALSE(Save("none.html", true, List(45, UNIT_KELVIN, {0, 1})));
        EXPECT_FALSE(Exists("none(PAGE01).html"));
        EXPECT_EQ(ui.boxes.empty() ? "" : ui.boxes.back().text,
                  "The template " + dir.File("templete_2(ENG).html") +
                      " has no __LIST__ line: no report was written");
    }

    UseTemplate("a\n__LIST__\nb\n__LIST__\n");
    ASSERT_TRUE(Save("two.html", true, List(45, UNIT_KELVIN, {0})));
    const std::string first = ReadFileBytes(dir.File("two(PAGE01).html"));
    EXPECT_EQ(Count(first, "<tr>"), 40);
    EXPECT_NE(first.find("b\r\n<tr><td align=center>21</td>"), std::string::npos);
    EXPECT_EQ(Count(ReadFileBytes(dir.File("two(PAGE02).html")), "<tr>"), 5);
    EXPECT_FALSE(Exists("two(PAGE03).html"));
}

TEST_F(MemoryReportTest, AMissingTemplateOrFolderShowsTheFileMessage)
{
    const MemoryListSnapshot list = List(25, UNIT_CELSIUS, {0});
    EXPECT_FALSE(Save("memo.html", true, list)); // no template beside the program
    EXPECT_FALSE(Exists("memo(PAGE01).html"));
    UseTemplate("__LIST__\n");
    std::string saveDir;
    EXPECT_FALSE(SaveMemoryList(app, dir.File("gone/memo.html"), true, list, saveDir));
    EXPECT_FALSE(SaveMemoryList(app, dir.File("gone/memo.csv"), false, list, saveDir));
    EXPECT_EQ(ui.BoxTexts(),
              (Texts{"Could not read the file " + dir.File("templete_2(ENG).html"),
                     "File Not Opened by File Output Error", "File Not Opened by File Output Error"}));
    EXPECT_TRUE(ui.boxes[2].caption == "Thermometer Application" && ui.boxes[2].icon == MsgIcon::Exclamation);
}

TEST_F(MemoryReportTest, TheNameIsTheTypeNameAndTheTimeAndSaysWhenTheListIsPartial)
{
    std::tm time{};
    time.tm_year = 107, time.tm_mon = 2, time.tm_mday = 15, time.tm_hour = 10, time.tm_min = 30,
    time.tm_sec = 5;
    // clang-format off
    const std::tuple<int, const char*, const char*> cases[] = {{1, "RM42-A", "RM42-A-20070315_103005"},
        {1, "", "No Type-Number entered-20070315_103005"}, {0, "", "機種名未登録-20070315_103005"}};
    // clang-format on
    // A read that stopped part-way is saved under a name that says so, and the user is told.
    MemoryListSnapshot partial = List(2, UNIT_CELSIUS, {0, 1});
    partial.storedCount = 5, partial.recordsRead = 2;
    ASSERT_TRUE(Save("memo.html", false, partial));
    EXPECT_EQ(
        std::pair(Exists("memo-partial.csv"), ui.BoxTexts()),
        std::pair(true,
                  Texts{"Only 2 of the thermometer's 5 records were read, so the list was saved under a "
                        "name that says it is partial: " +
                        dir.File("memo-partial.csv")}));
    for (const auto& [language, typeName, name] : cases)
        EXPECT_EQ((app.language = language, app.typeName = typeName, DefaultMemoryFileName(app, time)), name);
    EXPECT_EQ(SaveBasePath("/a.b/memo") + " " + SaveBasePath("/a/memo.txt"), "/a.b/memo /a/memo");
}

} // namespace
