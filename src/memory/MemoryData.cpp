#include "memory/MemoryData.h"

#include "app/AppState.h"
#include "app/LangString.h"
#include "app/UserInterface.h"
#include "device/Clock.h"
#include "device/CommandLog.h"
#include "device/CommandSet.h"
#include "device/Status0.h"
#include "resources/StringIds.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <optional>

namespace {

constexpr uint32_t kSettleAfterReadMs = 500;

std::string Format(const char* format, auto... values)
{
    char text[96];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

std::string AddressText(uint32_t address)
{
    return Format("%02X", address);
}

std::string StepText(const std::string& prefix, int number)
{
    return Format("%s Memory No.%3d", prefix.c_str(), number);
}

bool IsUpperHexWord(std::string_view text)
{
    return text.size() == 4 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
           });
}

// One memory word by 91: the four hex digits after the address echo. A refusal, or a reply
// that does not carry four hex digits after the echo, fails like a broken line.
bool ReadWord(CCommIO& link, uint32_t address, std::string& word)
{
    const std::string echo = AddressText(address);
    std::string reply;
    int length = 0;
    const CommStatus status = link.Transact(std::string(Cmd::kRegisterRead) + echo, reply, length);
    if (status != COMM_OK || IsRefusal(reply) || !reply.starts_with(echo) ||
        !IsUpperHexWord(std::string_view(reply).substr(echo.size(), 4))) {
        return false;
    }
    word = reply.substr(echo.size(), 4);
    return true;
}

// One record's words in memory order from address on; the items the record does not carry are
// marked empty. False at the first word that does not arrive, with address on that word and the
// fields after it untouched.
bool ReadRecord(CCommIO& link, uint16_t items, uint32_t& address, MemoryRecord& record)
{
    const auto take = [&](std::string& field, bool present) {
        if (!present) {
            field = kNoValueWord;
            return true;
        }
        if (!ReadWord(link, address, field)) return false;
        ++address;
        return true;
    };
    const auto has = [items](uint16_t bit) { return (items & bit) != 0; };
    if (!take(record.temp, true)) return false;
    for (std::string& word : record.time) {
        if (!take(word, has(ITEM_TIME))) return false;
    }
    return take(record.room, has(ITEM_ROOM)) && take(record.emissivity, has(ITEM_EMISSIVITY)) &&
           take(record.max, has(ITEM_MAX)) && take(record.min, has(ITEM_MIN));
}

bool WriteWord(CCommIO& link, uint32_t address, const std::string& word)
{
    std::string reply;
    int length = 0;
    const CommStatus status =
        link.Transact(std::string(Cmd::kRegisterWrite) + AddressText(address) + word, reply, length);
    return status == COMM_OK && !IsRefusal(reply);
}

// The words a record is written back with under the item bits, in memory order. A field left
// empty by a failed read has no value to send: it goes out as the empty marker.
std::vector<std::string> WordsToWrite(const MemoryRecord& record, uint16_t items)
{
    const auto word = [](const std::string& field) {
        return field.empty() ? std::string(kNoValueWord) : field;
    };
    std::vector<std::string> words{word(record.temp)};
    if (items & ITEM_TIME) {
        words.push_back(record.time[0].empty() ? std::string(kNoValueWord)
                                               : Format("%04X", HexToInt(record.time[0], 4) & 0xFFFF));
        for (std::size_t w = 1; w < record.time.size(); ++w) {
            words.push_back(word(record.time[w]));
        }
    }
    if (items & ITEM_ROOM) words.push_back(word(record.room));
    if (items & ITEM_EMISSIVITY) words.push_back(word(record.emissivity));
    if (items & ITEM_MAX) words.push_back(word(record.max));
    if (items & ITEM_MIN) words.push_back(word(record.min));
    return words;
}

} // namespace

MemoryData::MemoryData(AppState& app) : commIO(app), app_(app)
{
    table = ReadCapacityTable(app);
    try {
        if (table.temp <= kMaxRecordSlots) {
            records.assign(static_cast<std::size_t>(table.temp), MemoryRecord{});
            bufferReady_ = true;
        }
    } catch (const std::bad_alloc&) {
        records.clear();
    }
    if (!bufferReady_ && app.ui != nullptr) {
        app.ui->MessageBox("not enough memory.", LoadLangString(app, StringId::AppName), MsgIcon::Exclamation,
                           MsgButtons::Ok, MsgAnswer::Ok);
    }
}

void MemoryData::UpdateCapacity()
{
    // Never fewer rows than records were read, so that none is out of sight of the list and the
    // write-back.
    capacity = std::min(std::max(CapacityFor(table, memoryItems), held_), static_cast<int>(records.size()));
}

void MemoryData::SetItem(uint16_t bit, bool on)
{
    memoryItems = static_cast<uint16_t>(on ? memoryItems | bit : memoryItems & ~bit);
    UpdateCapacity();
}

void MemoryData::ClearRecords()
{
    std::fill(records.begin(), records.end(), MemoryRecord{});
}

void MemoryData::ReadMemory()
{
    WaitCursor cursor(*app_.ui);
    ioError = true; // until the frame below has gone through
    DeviceSession session(app_, commIO);
    if (!session.Begin()) {
        return;
    }
    uint16_t high = 0, low = 0, items = 0, count = 0;
    if (!session.ReadRegister(REG_SERIAL_HIGH, high) || !session.ReadRegister(REG_SERIAL_LOW, low)) {
        return; // the session closes the link; no 81 after a failed register
    }
    app_.deviceSerial = static_cast<uint32_t>(high) << 16 | low;
    app_.deviceSerialText = FormatSerialText(app_.deviceSerial);
    if (!session.ReadRegister(REG_FLAGS, items)) {
        return;
    }
    memoryItems = items;
    if (!session.ReadRegister(REG_MEMORY_COUNT, count)) {
        return;
    }
    ioError = false;
    // Every record the thermometer holds is read, whatever [MemSet] says: a list cut to the
    // table would hide records, and a write-back of it would erase them.
    const int addressable = (0x10000 - static_cast<int>(REG_MEMORY_START)) / RecordWords(memoryItems);
    int stored = std::min(static_cast<int>(count), addressable);
    stored_ = stored;
    if (stored > static_cast<int>(records.size())) {
        try {
            records.resize(static_cast<std::size_t>(stored));
        } catch (const std::bad_alloc&) {
            stored = static_cast<int>(records.size()); // the rest stays unread; a write-back is refused
        }
    }
    readComplete_ = 0;
    held_ = stored;
    UpdateCapacity();
    ClearRecords();

    bool failed = false;
    uint32_t address = REG_MEMORY_START;
    {
        const std::unique_ptr<ProgressBox> progress = app_.ui->OpenProgress();
        progress->SetRange(static_cast<uint16_t>(capacity));
        const std::string prefix = LoadLangString(app_, StringId::Reading);
        int i = 0;
        for (; i < stored; ++i) {
            if (!ReadRecord(commIO, memoryItems, address, records[static_cast<std::size_t>(i)])) {
                failed = true;
                break;
            }
            readComplete_ = i + 1;
            progress->Step(StepText(prefix, i + 1));
        }
        for (; i < capacity; ++i) { // the bar always ends full
            progress->Step(StepText(prefix, i + 1));
        }
    }
    if (failed) {
        ReportRegisterError(app_, Cmd::kRegisterRead, AddressText(address));
        ioError = true;
    }
    if (!session.End()) {
        ioError = true;
    }
    const int listed = CapacityFor(table, memoryItems);
    if (count > listed) {
        app_.ui->MessageBox(FormatLangString(app_, StringId::CountDisagrees,
                                             {std::to_string(count), CapacityKeyFor(memoryItems),
                                              std::to_string(listed), std::to_string(stored)}),
                            LoadLangString(app_, StringId::AppName), MsgIcon::Exclamation, MsgButtons::Ok,
                            MsgAnswer::Ok);
    }
    app_.clock->SleepMs(kSettleAfterReadMs);
}

int MemoryData::RecordsRead() const
{
    return readComplete_;
}

void MemoryData::WriteMemory(const std::vector<bool>& checkedRows)
{
    const std::string prefix = LoadLangString(app_, StringId::Writing);
    ioError = true; // until every step has gone through
    if (!commIO.Open()) {
        ReportMessage(app_, StringId::ComPortError);
        return;
    }
    DeviceSession session(app_, commIO); // closes the link on every early return
    std::unique_ptr<ProgressBox> progress = app_.ui->OpenProgress();
    progress->SetRange(static_cast<uint16_t>(capacity));
    std::string reply;
    uint16_t high = 0, low = 0, flags = 0;
    if (!session.Command(Cmd::kCheckModeReq, reply) || !session.ReadRegister(REG_SERIAL_HIGH, high) ||
        !session.ReadRegister(REG_SERIAL_LOW, low)) {
        return;
    }
    if ((static_cast<uint32_t>(high) << 16 | low) != app_.deviceSerial) {
        progress.reset();
        app_.ui->MessageBox(LoadLangString(app_, StringId::MemoryOtherThermometer),
                            LoadLangString(app_, StringId::AppName), MsgIcon::Exclamation, MsgButtons::Ok,
                            MsgAnswer::Ok);
        return;
    }
    if (!session.ReadRegister(REG_FLAGS, flags)) {
        return;
    }
    const auto newFlags = static_cast<uint16_t>((memoryItems & ITEM_MASK) | (flags & 0xFF83));
    if (newFlags != flags && !session.WriteRegister(REG_FLAGS, newFlags)) {
        return;
    }
    ioError = false;

    const int recordWords = RecordWords(memoryItems);
    uint32_t address = REG_MEMORY_START;
    uint32_t failedAddress = 0;
    const auto write = [&](uint32_t at, const std::string& word) {
        if (WriteWord(commIO, at, word)) return true;
        if (!ioError) failedAddress = at;
        ioError = true;
        return false;
    };
    int written = 0;
    for (int i = 0; i < capacity && !ioError; ++i) {
        if (static_cast<std::size_t>(i) >= checkedRows.size() || !checkedRows[static_cast<std::size_t>(i)]) {
            continue;
        }
        progress->Step(StepText(prefix, written + 1));
        for (const std::string& word : WordsToWrite(records[static_cast<std::size_t>(i)], memoryItems)) {
            if (!write(address, word)) break;
            ++address;
        }
        if (!ioError) ++written;
    }
    // A record that failed half-way is cleared from the first word of its slot, so the cleared
    // words keep to the slot grid and end with the record area.
    address = REG_MEMORY_START + static_cast<uint32_t>(written * recordWords);
    bool clearFailed = false;
    for (int i = written; i < capacity && !clearFailed; ++i) {
        progress->Step(StepText(prefix, i + 1));
        for (int w = 0; w < recordWords; ++w, ++address) {
            if (!write(address, kNoValueWord)) {
                clearFailed = true;
                break;
            }
        }
    }
    const std::string countWord = Format("%04X", static_cast<unsigned>(written));
    if (write(REG_MEMORY_COUNT, countWord)) {
        write(REG_MEMORY_COUNT2, countWord);
    }
    progress.reset();
    if (ioError) {
        ReportRegisterError(app_, Cmd::kRegisterWrite, AddressText(failedAddress));
    }
    if (!session.End()) {
        ioError = true;
    }
}

bool MemoryData::Read(bool askFirst, const std::function<void()>& fillList)
{
    if (!bufferReady_) {
        return false;
    }
    if (askFirst && app_.ui->MessageBox(LoadLangString(app_, StringId::ReReadAsk),
                                        LoadLangString(app_, StringId::AppName), MsgIcon::Information,
                                        MsgButtons::YesNo, MsgAnswer::No) != MsgAnswer::Yes) {
        return false;
    }
    return RunExclusive(
        [&] {
            ReadMemory();
            if (fillList) fillList(); // a partial read shows what it got
        },
        StringId::ReadFailed, false);
}

bool MemoryData::Write(const std::vector<bool>& checkedRows, bool askFirst)
{
    if (!bufferReady_) {
        return false;
    }
    if (RecordsRead() < stored_) {
        // Packing the checked rows clears every other slot: records never read would go too.
        app_.ui->MessageBox(FormatLangString(app_, StringId::UnreadRecords,
                                             {std::to_string(RecordsRead()), std::to_string(stored_)}),
                            LoadLangString(app_, StringId::AppName), MsgIcon::Exclamation, MsgButtons::Ok,
                            MsgAnswer::Ok);
        return false;
    }
    if (askFirst &&
        app_.ui->MessageBox(LoadLangString(app_, StringId::WriteAsk), LoadLangString(app_, StringId::AppName),
                            MsgIcon::Information, MsgButtons::YesNo, MsgAnswer::No) != MsgAnswer::Yes) {
        return false;
    }
    return RunExclusive([&] { WriteMemory(checkedRows); }, StringId::WriteFailed, true);
}

bool MemoryData::RunExclusive(const std::function<void()>& operation, int failedId, bool waitCursor)
{
    DeviceGuard guard(app_);
    if (!guard.Acquired()) {
        return false;
    }
    std::optional<WaitCursor> cursor;
    if (waitCursor) cursor.emplace(*app_.ui);
    app_.ui->EnableTabs(false);
    operation();
    app_.ui->EnableTabs(true);
    if (ioError) {
        app_.ui->MessageBox(LoadLangString(app_, failedId), LoadLangString(app_, StringId::AppName),
                            MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    }
    return true;
}
