#include "memory/MemoryData.h"
#include "app/LangString.h"
#include "memory/MemoryList.h"
#include "sim/SimThermometer.h"
#include "support/ScriptedSerialPort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

std::string Printed(const char* format, unsigned value)
{
    char text[64];
    return std::string(text, static_cast<std::size_t>(std::snprintf(text, sizeof text, format, value)));
}
std::string Hex4(unsigned value)
{
    return Printed("%04X", value & 0xFFFFu);
}

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
            const auto word = [&](uint16_t bit, unsigned w) {
                return r >= read            ? std::string()
                       : (items & bit) != 0 ? Hex4(0x0100u * w + static_cast<unsigned>(r))
                                            : std::string("FFFF");
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
    EXPECT_TRUE(data->Read(false, nullptr));
    EXPECT_TRUE(data->ioError && data->records[0].temp == "0B55");

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
    const std::size_t sent = sim->ReceivedCommands().size();
    ui.boxes.clear();
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
    // the boxes after the question; the last commands.
    const std::string error = "* COMMAND ERROR", written = Text(219);
    // The header is DA, 30, 31 and 35; after it a failure in the third checked record's first word,
    // in the third word of a five-word record, and in the count after the 150 slots.
    // clang-format off
    const std::tuple<const char*, int, uint16_t, std::vector<int>, int, int, bool, Texts, Texts, Texts> cases[] = {
        {"packed", 10, 0, {2, 5}, 0, 0, false, {"0B01", "0B04"}, {}, {"92D7FFFF", "92400002", "92410002", "81"}},
        {"every item in record order", 3, ITEM_MASK, {3}, 0, 0, false, {"0B02", "0202", "0302", "0402", "0502", "0602", "0702", "0802", "0902"}, {}, {"92400001", "92410001", "81"}},
        {"failed record start", 5, 0, {1, 2, 3, 4}, 4 + 3, 0, false, {"0B00", "0B01"}, {error, written}, {"92400002", "92410002", "81"}},
        {"failed inside a record", 5, ITEM_TIME, {1, 2, 3, 4}, 4 + 2 * 5 + 3, 0, false, {"0B00", "0200", "0300", "0400", "0500", "0B01", "0201", "0301", "0401", "0501"}, {error, written}, {"92400002", "92410002", "81"}},
        {"failed count", 2, 0, {1}, 4 + 150 + 1, 0, false, {"0B00"}, {error, written}, {"92400001", "81"}},
        {"item word changed", 2, ITEM_TIME, {2}, 0, 0, true, {"0B01", "0201", "0301", "0401", "0501"}, {}, {"92400001", "92410001", "81"}},
        {"another thermometer", 4, 0, {1}, 0, 42, false, {"0B00", "0B01", "0B02", "0B03"}, {Text(221), written}, {"DA", "9130", "9131"}}};
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
        Texts boxes{Text(214)};
        boxes.insert(boxes.end(), told.begin(), told.end());
        EXPECT_EQ(std::tuple(memory, data->ioError, ui.BoxTexts()), std::tuple(words, !told.empty(), boxes));
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

} // namespace
