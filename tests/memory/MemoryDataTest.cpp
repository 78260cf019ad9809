#include "memory/MemoryData.h"
#include "app/Cp932.h"
#include "app/LangString.h"
#include "memory/MemoryList.h"
#include "memory/MemoryReport.h"
#include "sim/SimThermometer.h"
#include "support/ScriptedSerialPort.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

namespace {

using Texts = std::vector<std::string>;

std::string Printed(const char* format, unsigned value)
{
    char text[64];
    return std::string(text, static_cast<std::size_t>(std::snprintf(text, sizeof text, format, value)));
}
const auto Hex4 = [](unsigned value) { return Printed("%04X", value & 0xFFFFu); };

// The memory operations run in-process against the simulated thermometer, in virtual time.
class MemoryDataTest : public ::testing::Test, public LineRig {
protected:
    // n records of the given item bits, each word telling its record and position apart:
    // temperature 0x0B00 + record, other words 0x0100 * (word + 1) + record.
    void Start(int records, uint16_t items, const std::string& memSet = "", int count = -1)
    {
        SimConfig config;
        config.useHostClock = false;
        config.flagWord = static_cast<uint16_t>(0xFC83 | items); // settings bits the page must keep
        for (int r = 0; r < records; ++r)
            for (int w = 0; w < RecordWords(items); ++w)
                config.memoryWords.push_back(static_cast<uint16_t>((w ? 0x0100 * (w + 1) : 0x0B00) + r));
        config.recordCount = static_cast<uint16_t>(count < 0 ? records : count);
        ports.reset();
        sim = std::make_unique<SimThermometer>(config, clock);
        ports = MakeSimPortFactory(*sim, clock);
        app.ports = ports.get();
        WriteFileBytes(app.iniPath, "[ComPort]\nPort=COM1\nStopBit=0\n[MemSet]\n" + memSet);
        data = std::make_unique<MemoryData>(app);
    }
    std::unique_ptr<SimThermometer> sim;
    std::unique_ptr<SerialPortFactory> ports;
    std::unique_ptr<MemoryData> data;
};

TEST_F(MemoryDataTest, ReadsEveryStoredRecordWithinTheBuffer)
{
    // Records in the simulator's memory and register 40, the item bits, the [MemSet] lines; the
    // records the program reads and the list's length; the [MemSet] key a message says disagrees
    // with the count ("": none).
    // The list holds every record the thermometer has, whatever the table says: hidden records
    // would be erased by the next write-back.
    // clang-format off
    const std::tuple<const char*, int, int, uint16_t, std::string, int, int, std::string> cases[] = {
        {"no records", 0, 0, ITEM_TIME, "", 0, 35, ""},
        {"more than the buffer", 30, 30, 0, "DataMax_TEMP=5\n", 30, 30, "DataMax_TEMP"},
        {"more than the capacity", 40, 40, ITEM_TIME, "", 40, 40, "DataMax_TEMP_TM"},
        {"no item bits", 10, 10, 0, "", 10, 150, ""},
        {"every item", 3, 3, ITEM_MASK, "", 3, 20, ""}};
    // clang-format on
    for (const auto& [name, records, count, items, memSet, read, capacity, told] : cases) {
        SCOPED_TRACE(name);
        Start(records, items, memSet, count);
        ui = FakeUserInterface{};
        app.deviceSerial = 42; // another thermometer read before: every read takes the new one
        data->ReadMemory();
        const std::string box = ui.boxes.empty() ? "" : ui.boxes[0].text;
        EXPECT_EQ(std::tuple(ui.boxes.size(), box.find(" " + told + " ") != std::string::npos, data->ioError,
                             data->capacity, data->memoryItems, app.deviceSerialText, app.deviceSerial),
                  std::tuple(told.empty() ? 0u : 1u, !told.empty(), false, capacity, 0xFC83 | items,
                             std::string("01234560789"), 123456789u));
        Texts expected{"DA", "9130", "9131", "9135", "9140"};
        for (int a = 0x42; a < 0x42 + read * RecordWords(items); ++a)
            expected.push_back(Printed("91%02X", static_cast<unsigned>(a))); // three digits past 0xFF
        expected.push_back("81");
        EXPECT_EQ(sim->ReceivedCommands(), expected);
        for (int r = 0; r < static_cast<int>(data->records.size()); ++r) {
            const MemoryRecord& record = data->records[static_cast<std::size_t>(r)];
            const auto word = [&](uint16_t bit, unsigned w) -> std::string {
                return r >= read ? "" : (items & bit) ? Hex4(0x0100u * w + static_cast<unsigned>(r)) : "FFFF";
            };
            ASSERT_EQ(std::tuple(record.temp, record.time[3], record.room, record.emissivity, record.max,
                                 record.min),
                      std::tuple(r < read ? Hex4(0x0B00u + static_cast<unsigned>(r)) : "", word(ITEM_TIME, 5),
                                 word(ITEM_ROOM, 6), word(ITEM_EMISSIVITY, 7), word(ITEM_MAX, 8),
                                 word(ITEM_MIN, 9)))
                << r;
        }
        // The bar runs through every slot of the list, or through every record read if more.
        EXPECT_EQ(
            std::tuple(ui.progressRanges, ui.progressSteps.size(), clock.sleeps.back()),
            std::tuple(std::vector<int>{capacity}, static_cast<std::size_t>(std::max(capacity, read)), 500u));
    }
}

TEST_F(MemoryDataTest, ARefusedOrFailedReadKeepsWhatCameBeforeAndAWriteThatWouldLoseTheRestIsRefused)
{
    // Refused, not run, or failed before the first record: the list of an earlier read stays as it was.
    Start(3, 0);
    data->records[0].temp = "0B55";
    ui.answers = {MsgAnswer::No};
    EXPECT_FALSE(data->Read(true, [] { FAIL() << "filled after No"; }));
    EXPECT_EQ(std::pair(ui.BoxTexts(), ui.boxes.at(0).buttons),
              std::pair(Texts{Text(215)}, MsgButtons::YesNo));
    {
        DeviceGuard other(app);
        EXPECT_FALSE(data->Read(false, nullptr) || data->Write({true}, false));
        EXPECT_TRUE(sim->ReceivedCommands().empty() && app.deviceSemaphore)
            << "the running one's guard is kept";
    }
    sim->AddFault({SimFault::Kind::Ng, "91", 0});
    EXPECT_TRUE(data->Read(false, nullptr) && data->ioError && data->records[0].temp == "0B55");

    // A failure in the third record's third word: after DA, 30, 31, 35, 40 and two whole records.
    Start(5, ITEM_TIME | ITEM_ROOM); // six words a record
    ui = FakeUserInterface{};
    sim->AddFault({SimFault::Kind::Ng, "", 5 + 12 + 3});
    int fills = 0;
    EXPECT_TRUE(data->Read(false, [&] { ++fills; }) && fills == 1 && data->ioError);
    const MemoryRecord* r = data->records.data();
    EXPECT_EQ((Texts{r[1].room, r[2].temp, r[2].time[0], r[2].time[1], r[3].temp}),
              (Texts{"0601", "0B02", "0202", "", ""}));
    // 2 records, then the rest of the 30 slots; the tabs are back before the message.
    EXPECT_EQ(std::tuple(ui.progressSteps.size(), ui.events.end()[-2], app.deviceSemaphore.load()),
              std::tuple(30u, "tabs:1", false));

    // Packing the checked rows would clear the three records never read: refused, nothing sent.
    const std::size_t sent = (ui.boxes.clear(), sim->ReceivedCommands().size());
    EXPECT_FALSE(data->Write({true}, false));
    EXPECT_EQ(std::pair(ui.BoxTexts(), sim->ReceivedCommands().size()),
              std::pair(Texts{FormatLangString(app, 329, {"2", "5"})}, sent));
}

TEST_F(MemoryDataTest, CapacityFollowsTheItemCountFromTheMemSetTable)
{
    // clang-format off
    const std::tuple<uint16_t, std::string, int> cases[] = {
        {0, "", 150}, {ITEM_TIME, "", 35}, {ITEM_TIME | ITEM_MIN, "", 30}, {ITEM_TIME | ITEM_ROOM | ITEM_MAX, "", 25},
        {ITEM_MASK, "", 20}, {ITEM_EMISSIVITY, "", 90}, {ITEM_ROOM | ITEM_EMISSIVITY | ITEM_MAX | ITEM_MIN, "", 35},
        {ITEM_MAX, "DataMax_TEMP_ADD1=100\n", 100},
        {ITEM_MAX, "DataMax_TEMP=40\nDataMax_TEMP_ADD1=90\n", 40}, // never more than the buffer
        {ITEM_TIME, "DataMax_TEMP_TM=many\n", 35}, {ITEM_TIME, "DataMax_TEMP_TM=-5\n", 35}}; // bad: the default
    // clang-format on
    for (const auto& [items, memSet, capacity] : cases) {
        SCOPED_TRACE(memSet + std::to_string(items));
        Start(0, 0, memSet);
        data->memoryItems = 0xFF80; // bits outside the items do not count
        for (uint16_t bit : {ITEM_TIME, ITEM_ROOM, ITEM_EMISSIVITY, ITEM_MAX, ITEM_MIN})
            data->SetItem(bit, (items & bit) != 0);
        EXPECT_EQ(std::tuple(data->capacity, data->memoryItems), std::tuple(capacity, 0xFF80 | items));
    }
}

TEST_F(MemoryDataTest,
       WriteBackPacksTheCheckedRowsClearsTheRestAndCountsWithinTheRecordAreaWithTheLinksPauses)
{
    // Records read, their item bits, the rows checked; the faulted transaction of the write (0: none);
    // the serial number the list was read from (0: this thermometer's); whether the room temperature
    // item is turned on after the read; memory from 0x42 on (the rest to the end of the list "FFFF");
    // the boxes; the last commands.
    const std::string asked = Text(214), error = "* COMMAND ERROR", written = Text(219);
    // The header is DA, 30, 31 and 35; after it a failure in the third checked record's first word,
    // in the third word of a five-word record, and in the count after the 150 slots.
    // clang-format off
    const std::tuple<const char*, int, uint16_t, std::vector<int>, int, int, bool, Texts, Texts, Texts> cases[] = {
        {"packed", 10, 0, {2, 5}, 0, 0, false, {"0B01", "0B04"}, {asked}, {"92D7FFFF", "92400002", "92410002", "81"}},
        {"every item in record order", 3, ITEM_MASK, {3}, 0, 0, false, {"0B02", "0202", "0302", "0402", "0502", "0602", "0702", "0802", "0902"}, {asked}, {"92400001", "92410001", "81"}},
        {"failed record start", 5, 0, {1, 2, 3, 4}, 4 + 3, 0, false, {"0B00", "0B01"}, {asked, error, written}, {"92400002", "92410002", "81"}},
        {"failed inside a record", 5, ITEM_TIME, {1, 2, 3, 4}, 4 + 2 * 5 + 3, 0, false, {"0B00", "0200", "0300", "0400", "0500", "0B01", "0201", "0301", "0401", "0501"}, {asked, error, written}, {"92400002", "92410002", "81"}},
        {"failed count", 2, 0, {1}, 4 + 150 + 1, 0, false, {"0B00"}, {asked, error, written}, {"92400001", "81"}},
        {"item word changed", 2, ITEM_TIME, {2}, 0, 0, true, {"0B01", "0201", "0301", "0401", "0501"}, {asked}, {"92400001", "92410001", "81"}},
        {"another thermometer", 4, 0, {1}, 0, 42, false, {"0B00", "0B01", "0B02", "0B03"}, {asked, Text(221), written}, {"DA", "9130", "9131"}}};
    // clang-format on
    for (const auto& [name, records, items, rows, failAt, readBy, room, front, told, tail] : cases) {
        SCOPED_TRACE(name);
        Start(records, items);
        data->ReadMemory();
        if (readBy) app.deviceSerial = static_cast<uint32_t>(readBy);
        data->SetItem(ITEM_ROOM, room || (items & ITEM_ROOM)); // records read without it get "FFFF"
        ui = FakeUserInterface{};
        ui.answers = {MsgAnswer::Yes};
        clock.sleeps.clear();
        const auto before = static_cast<long>(sim->ReceivedCommands().size());
        if (failAt) sim->AddFault({SimFault::Kind::Ng, "", static_cast<uint32_t>(before + failAt)});
        std::vector<bool> checked(static_cast<std::size_t>(data->capacity));
        for (int n : rows)
            checked[static_cast<std::size_t>(n - 1)] = true;
        EXPECT_TRUE(data->Write(checked, true));
        const Texts all = sim->ReceivedCommands(), sent(all.begin() + before, all.end());
        const int end = data->capacity * RecordWords(data->memoryItems);
        Texts words = front, memory;
        words.resize(static_cast<std::size_t>(end), "FFFF");
        for (int i = 0; i < end; ++i)
            memory.push_back(Hex4(sim->Register(static_cast<uint16_t>(0x42 + i))));
        EXPECT_EQ(std::tuple(memory, data->ioError, ui.BoxTexts()), std::tuple(words, told.size() > 1, told));
        // The bar runs to the list's end with the tabs off; the list on the page stays as it was. The
        // link pauses 200 ms after opening, then CommandWait1 (40 by default) after a command and
        // CommandWait2 (500) after a register write.
        const std::string bar = Printed("メモリデータ書き込み中です ： Memory No.%3d", data->capacity);
        EXPECT_EQ(std::tuple(ui.progressSteps.empty() ? "" : ui.progressSteps.back(), data->records[0].temp),
                  std::tuple(readBy ? "" : bar, "0B00"));
        std::erase_if(ui.events,
                      [](const std::string& e) { return !e.starts_with("tabs") && e != "progress"; });
        // The item word, settings bits kept, is written only when it changed; no word past the records.
        std::vector<uint32_t> pauses{200};
        int itemWrites = 0;
        for (const std::string& command : sent) {
            pauses.push_back(command.starts_with("92") ? 500 : 40);
            itemWrites += command.starts_with("9235");
            const bool word = command.starts_with("92") && command.size() == 8;
            EXPECT_LT(word ? std::stoi(command.substr(2, 2), nullptr, 16) : 0, 0x42 + end) << command;
        }
        ASSERT_GE(sent.size(), tail.size());
        EXPECT_EQ(
            std::tuple(ui.events, clock.sleeps, Texts(sent.end() - std::ssize(tail), sent.end()), itemWrites,
                       sim->Register(0x35)),
            std::tuple(Texts{"tabs:0", "progress", "tabs:1"}, pauses, tail, room ? 1 : 0, data->memoryItems));
    }
}

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
        EXPECT_EQ(std::pair(Texts(row.cells.begin(), row.cells.end()), row.hasData),
                  std::pair(cells, !cells[1].empty()));
    }
    // Kelvin and Celsius captions are in the golden files.
    AppState app;
    EXPECT_EQ((app.language = 1, ColumnCaptions(app, UNIT_FAHRENHEIT)[5]), "MAX(°F)");
    EXPECT_EQ((app.language = 0, UnitText(app, UNIT_FAHRENHEIT)), "゜Ｆ");
}

// Saving the list: report pages from the template, or CSV, under a chosen name.
class MemoryReportTest : public ::testing::Test, public LineRig {
protected:
    MemoryReportTest() { app.language = 1, app.typeName = "RM42-A"; }
    // rows list rows, those in withData holding kFull, the others without data.
    MemoryListSnapshot List(int rows, int unit, std::vector<int> withData) const
    {
        std::vector<MemoryRecord> records(static_cast<std::size_t>(rows));
        for (int i : withData)
            if (i < rows) records[static_cast<std::size_t>(i)] = i % 2 ? kBare : kFull;
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
    static int Count(const std::string& text, const std::string& what, std::size_t from = 0)
    {
        const std::size_t at = text.find(what, from);
        return at == std::string::npos ? 0 : 1 + Count(text, what, at + 1);
    }
};

TEST_F(MemoryReportTest, PagesHoldTwentyRowsMatchTheGoldenFilesAndTheNameSaysTheTypeTheTimeAndWhenPartial)
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
    // Rows continue from one page to the next, numbered by their list row.
    EXPECT_NE(ReadFileBytes(dir.File("memo21(PAGE02).html")).find("<tr><td align=center>21</td>"),
              std::string::npos);

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

    std::tm time{};
    std::tie(time.tm_year, time.tm_mon, time.tm_mday, time.tm_hour, time.tm_min, time.tm_sec) =
        std::tuple(107, 2, 15, 10, 30, 5);
    // clang-format off
    const std::tuple<int, const char*, const char*> names[] = {{1, "RM42-A", "RM42-A-20070315_103005"},
        {1, "", "No Type-Number entered-20070315_103005"}, {0, "", "機種名未登録-20070315_103005"}};
    // clang-format on
    // A read that stopped part-way is saved under a name that says so, and the user is told (the only
    // message: the pages above raised none).
    MemoryListSnapshot partial = List(2, UNIT_CELSIUS, {0, 1});
    partial.storedCount = 5, partial.recordsRead = 2;
    ASSERT_TRUE(Save("memo.html", false, partial));
    EXPECT_EQ(
        std::pair(Exists("memo-partial.csv"), ui.BoxTexts()),
        std::pair(true,
                  Texts{"Only 2 of the thermometer's 5 records were read, so the list was saved under a "
                        "name that says it is partial: " +
                        dir.File("memo-partial.csv")}));
    for (const auto& [language, typeName, name] : names)
        EXPECT_EQ((app.language = language, app.typeName = typeName, DefaultMemoryFileName(app, time)), name);
    EXPECT_EQ(SaveBasePath("/a.b/memo") + " " + SaveBasePath("/a/memo.txt"), "/a.b/memo /a/memo");
}

TEST_F(MemoryReportTest, AMissingTemplateOrFolderIsToldATemplateNeedsAListLineAndKeepsItsBytes)
{
    // A missing template or folder shows the file message.
    const MemoryListSnapshot list = List(25, UNIT_CELSIUS, {0});
    // No template beside the program, then a folder that is not there.
    EXPECT_FALSE(Save("memo.html", true, list) || Exists("memo(PAGE01).html"));
    UseTemplate("__LIST__\n");
    std::string saveDir;
    EXPECT_FALSE(SaveMemoryList(app, dir.File("gone/memo.html"), true, list, saveDir) ||
                 SaveMemoryList(app, dir.File("gone/memo.csv"), false, list, saveDir));
    EXPECT_EQ(ui.BoxTexts(),
              (Texts{"Could not read the file " + dir.File("templete_2(ENG).html"),
                     "File Not Opened by File Output Error", "File Not Opened by File Output Error"}));
    EXPECT_TRUE(ui.boxes.at(2).caption == "Thermometer Application" &&
                ui.boxes[2].icon == MsgIcon::Exclamation);

    // Without a list line (an empty template too) the report would lose every row: it is told
    // by name and nothing is written.
    for (const char* text : {"<h1>__SUFIX__</h1>\r\nno rows here\r\n", ""}) {
        UseTemplate(text);
        EXPECT_FALSE(Save("none.html", true, List(45, UNIT_KELVIN, {0, 1})) || Exists("none(PAGE01).html"));
        EXPECT_EQ(ui.boxes.empty() ? "" : ui.boxes.back().text,
                  "The template " + dir.File("templete_2(ENG).html") +
                      " has no __LIST__ line: no report was written");
    }

    UseTemplate("a\n__LIST__\nb\n__LIST__\n");
    ASSERT_TRUE(Save("two.html", true, List(45, UNIT_KELVIN, {0})));
    const std::string first = ReadFileBytes(dir.File("two(PAGE01).html"));
    EXPECT_EQ(
        std::tuple(Count(first, "<tr>"), first.find("b\r\n<tr><td align=center>21</td>") != std::string::npos,
                   Count(ReadFileBytes(dir.File("two(PAGE02).html")), "<tr>"), Exists("two(PAGE03).html")),
        std::tuple(40, true, 5, false));

    // An edited template keeps what its editor wrote: NEC and IBM extension characters, bytes that
    // CP932 does not map, even on a placeholder line; only the inserted texts are converted.
    const std::string odd = "\x87\x90\xED\x40\x80\xA0\xFD\xFE\xFF";
    UseTemplate(odd + "\r\n" + odd + "__HARDNAME__\r\n__LIST__\r\n");
    app.typeName = "炉";
    ASSERT_TRUE(Save("odd.html", true, List(1, UNIT_KELVIN, {})));
    const std::string page = ReadFileBytes(dir.File("odd(PAGE01).html"));
    EXPECT_TRUE(page.starts_with(odd + "\r\n" + odd + "\x98\x46\r\n<tr>")) << page;
}

} // namespace
