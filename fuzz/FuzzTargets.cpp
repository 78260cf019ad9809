#include "FuzzTargets.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <numeric>
#include <optional>
#include <sstream>
#include <tuple>
#include <utility>

#include "app/AppState.h"
#include "app/Cp932.h"
#include "app/IniFile.h"
#include "app/IniNumber.h"
#include "app/SafeFile.h"
#include "app/Utf8Chars.h"
#include "capture/CaptureSample.h"
#include "capture/JournalRecovery.h"
#include "capture/RecordingJournal.h"
#include "capture/RecordingWriters.h"
#include "capture/TempReceiveThread.h"
#include "device/CCommIO.h"
#include "device/CommandSet.h"
#include "memory/MemoryList.h"
#include "memory/MemoryReport.h"
#include "settings/TypeNames.h"
#include "support/FakeClock.h"
#include "support/TestSupport.h"
#include "teaching/EmissivityList.h"

namespace Fuzz {
namespace {

// The input read from the front; 0 once it is used up.
struct Bytes {
    std::string_view rest;
    uint8_t Next() { return rest.empty() ? 0 : static_cast<uint8_t>(Take(1)[0]); }
    std::string Take(std::size_t n)
    {
        return std::string(std::exchange(rest, rest.substr(std::min(n, rest.size()))).substr(0, n));
    }
};

// A port whose far end sends the scripted bytes by their due time (and hangs up after them);
// waiting advances the virtual clock instead of sleeping.
struct ScriptPort final : SerialPort {
    explicit ScriptPort(FakeClock& c) : clock(c) {}
    bool Open(const SerialSettings&) override { return open = true; }
    bool Close() override { return std::exchange(open, false); }
    bool IsOpen() const override { return open; }
    bool Purge(SerialBuffer which) override
    {
        if (Arrive(), which != SerialBuffer::Output) queued.clear();
        return open;
    }
    bool Write(const void*, std::size_t) override { return open && !dead; }
    WaitResult Read(void* data, std::size_t size, std::size_t& got, uint32_t timeoutMs) override
    {
        if (got = 0, Arrive(), queued.empty() && !dead && open) {
            const uint64_t now = clock.TickMs();
            clock.Advance(script.empty() ? timeoutMs
                                         : std::clamp(script.begin()->first, now, now + timeoutMs) - now);
            Arrive();
        }
        if (dead || !open) return WaitResult::Error;
        queued.erase(0, got = queued.copy(static_cast<char*>(data), size));
        return got > 0 ? WaitResult::Ready : WaitResult::Timeout;
    }
    bool ModemLines(bool& cts, bool& dsr) override { return cts = dsr = true; }
    void Arrive()
    {
        for (; !script.empty() && script.begin()->first <= clock.TickMs(); script.erase(script.begin()))
            queued += script.begin()->second.first, dead = dead || script.begin()->second.second;
    }

    FakeClock& clock;
    std::multimap<uint64_t, std::pair<std::string, bool>> script;
    std::string queued;
    bool open = false, dead = false;
};

struct OnePortFactory final : SerialPortFactory {
    std::unique_ptr<SerialPort> port;
    std::unique_ptr<SerialPort> Create() override { return std::move(port); }
};

bool IsValidUtf8(std::string_view s)
{
    for (std::size_t i = 0, n = 0; i < s.size(); i += n) {
        const auto c = static_cast<unsigned char>(s[i]);
        n = c < 0x80 ? 1 : c < 0xC2 ? 0 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : c < 0xF5 ? 4 : 0;
        if (n == 0 || i + n > s.size() || Utf8CharLength(&s[i], s.size() - i) != n) return false;
    }
    return true;
}

// A folder of the process's own for the files the readers read, removed at exit.
const TempDir kScratch;

// Every decoder of a reply or a streamed line reads it, whatever it holds: a register value is
// its four hex digits, and only a "2F" line gives temperatures, the same to the page's words.
bool DecodesSanely(std::string_view line)
{
    if (IsRegisterReply(line) && DecodeRegisterValue(line) != HexToInt(line.substr(2, 4), 4)) return false;
    (void)IsRefusal(line), (void)DecodeTemperatureValue(line), (void)DecodeClockReply(line);
    for (int count = 0; count <= 9; ++count)
        (void)ReplyHex(line, count, count - 1);
    ReceiveWords words;
    TakeStreamLine(line, words);
    const StreamedTemperatures s = DecodeStreamLine(line);
    if (!s.hasData) return words.latestTemp == kNoData && words.latestRoomTemp == kNoData;
    return line.starts_with("2F") && words.latestTemp == s.targetK10 && words.latestRoomTemp == s.roomK10;
}

// The link's receive path: the bytes arrive on a port in chunks after scripted pauses while
// the link waits for the reply to a command; then every decoder reads the line.
bool ReplyLine(std::string_view text)
{
    constexpr std::string_view kCommands[] = {"DA", "9130", "9100", "81", "2F", "14", "22", "9200FC04"};
    Bytes in{text};
    const uint8_t head = in.Next();
    const uint32_t timeoutMs = (head & 0x80) != 0 ? 300 : kCommandTimeoutMs;
    // The rest: chunks of [pause in 10 ms steps (0xFF: hang up)][length][bytes], the first due
    // after the link's settling pause after opening.
    FakeClock clock;
    OnePortFactory ports;
    auto* port = static_cast<ScriptPort*>((ports.port = std::make_unique<ScriptPort>(clock)).get());
    for (uint64_t due = clock.TickMs() + 200; !in.rest.empty();) {
        const uint8_t pause = in.Next();
        due += pause == 0xFF ? 0 : pause * 10ull;
        port->script.emplace(due, std::pair(in.Take(in.Next()), pause == 0xFF));
    }
    AppState app;
    std::tie(app.clock, app.ports, app.iniPath) = std::tuple(&clock, &ports, "/nonexistent/rm42.ini");
    CCommIO link(app); // no INI file: the link's defaults
    if (!link.Open()) return false;

    std::string reply = "untouched";
    int length = -1;
    const uint64_t start = clock.TickMs();
    const CommStatus status = link.Transact(kCommands[head % std::size(kCommands)], reply, length, timeoutMs);
    // The dropping of foreign lines ends a time-out after the command; the line then awaited
    // ends within another one; then comes the pause after the command.
    if (clock.TickMs() - start > 2ull * timeoutMs + 500) return false;
    // A command that cannot be sent leaves the reply as it was; any other reply is a line that fits.
    if (!(status == COMM_IO_ERROR && reply == "untouched") &&
        (length < 0 || reply.size() >= kReplyBufferSize || reply.find('\r') != std::string::npos))
        return false;
    std::string raw;
    return (link.ReceiveNow(raw, length) != COMM_OK || (!raw.empty() && raw.size() < kReplyBufferSize)) &&
           DecodesSanely(reply) && DecodesSanely(raw);
}

// The INI reader and writer on a file holding the bytes, read as the settings and as the type
// names: every number key reads as a value of its range whatever the text, and a value written is
// read back. The text also goes through the typed-name filter, after which it has no forbidden
// character and passes again unchanged, and through CP932: text read is written back as it was
// read (bytes that did not convert became U+FFFD, written as '?'); the other way takes any bytes.
bool IniText(std::string_view text)
{
    AppState app;
    std::tie(app.exeDir, app.deviceSerial) = std::tuple(kScratch.Path(), 12345678u);
    app.iniPath = TypeNameFilePath(app);
    if (!WriteFileAtomically(app.iniPath, text)) return false;
    LookupTypeName(app);
    for (const std::size_t buffer : {std::size_t{1}, std::size_t{8}, IniFile::kValueBuffer})
        if (!IsValidUtf8(IniFile::GetString(app.iniPath, "ComPort", "Port", "COM4", buffer))) return false;
    for (const IniNumberKey& row : IniNumberKeys()) {
        const int64_t value = ReadIniNumber(app, row.section, row.key);
        if (value < row.min || value > row.max) return false;
    }
    std::string typed = Cp932ToUtf8(text), again;
    const bool readBack =
        typed.find("\xEF\xBF\xBD") != std::string::npos || Cp932ToUtf8(Utf8ToCp932(typed)) == typed;
    FilterTypeNameInput(typed);
    const std::string wanted = "COM" + std::to_string(IniFile::ToInt(std::string(text)) % 100);
    return IsValidUtf8(app.typeName) && readBack && IsValidUtf8(Cp932ToUtf8(Utf8ToCp932(text))) &&
           typed.find_first_of("\"'%&<>*?:/\\") == std::string::npos && !FilterTypeNameInput(again = typed) &&
           again == typed && IniFile::WriteString(app.iniPath, "ComPort", "Port", wanted) &&
           IniFile::GetString(app.iniPath, "ComPort", "Port", "") == wanted;
}

// The emissivity list file: parsing, the list order (a strict weak order whatever the numbers
// are, or sorting is undefined) and the row texts.
bool EmissivityListFile(std::string_view text)
{
    std::vector<EmissivityEntry> entries = ParseEmissivityList(text);
    for (const EmissivityEntry& a : entries) {
        if (a.name.size() > kEmissivityNameBytes || CompareEntries(a, a)) return false;
        for (const EmissivityEntry& b : entries)
            if (CompareEntries(a, b) && CompareEntries(b, a)) return false;
    }
    std::sort(entries.begin(), entries.end(), CompareEntries);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string row = EmissivityRowNumberText(i) + EmissivityRowNameText(entries[i]) +
                                EmissivityRowValueText(entries[i]) + (IsMarkedEntry(entries[i]) ? "*" : "");
        if ((i > 0 && CompareEntries(entries[i], entries[i - 1])) || !IsValidUtf8(row)) return false;
    }
    return entries.size() <= kEmissivityCapacity;
}

// A report template filled in, page after page for the memory list and once for a recording.
bool ReportTemplate(std::string_view text)
{
    Bytes in{text};
    const int rowCount = in.Next() % 70;
    const std::string templ(in.rest);
    MemoryListSnapshot list;
    std::tie(list.unitText, list.typeName) = std::tuple("℃", "RM42 <A&B>");
    for (int i = 0; i < rowCount; ++i)
        list.rows.push_back({i % 3 != 2, {RowNumberText(i), std::to_string(20 + i)}});
    const std::vector<std::string> lines = SplitTemplateLines(templ);
    bool complete = false;
    // Twenty rows a page: the report ends after at most one page more than the rows need.
    for (int page = 0, before = 0, nextRow = 0; !complete; ++page, before = nextRow) {
        std::ostringstream out;
        WriteMemoryReportPage(out, lines, list, nextRow, complete);
        if (page > rowCount / kReportRowsPerPage + 1 || nextRow < before || nextRow > rowCount) return false;
    }
    const CaptureSample samples[2] = {{2982, 2962, 1}, {kNoData, kNoData, 1}};
    RecordingSaveData rec;
    std::tie(rec.samples, rec.sampleCount, rec.recordStart, rec.tickCount, rec.typeName, rec.unitText,
             rec.pictureName) = std::tuple(samples, rowCount % 3, 1700000000, rowCount * 1000, list.typeName,
                                           list.unitText, RecordingPictureName("report name"));
    std::ostringstream csv, report;
    std::istringstream templateText(templ);
    WriteRecordingReport(report, templateText, rec);
    WriteRecordingCsv(csv, rec);
    // Every template line comes out, each ended by CR LF.
    return report.str().empty() || report.str().ends_with("\r\n");
}

// Memory records as the thermometer's words give them, and their list rows and CSV. Each field:
// a length byte (0xFF: not read) and that many characters.
bool MemoryRecords(std::string_view text)
{
    Bytes in{text};
    const int unit = in.Next() % 3;
    std::vector<MemoryRecord> records;
    while (!in.rest.empty() && records.size() < 40) {
        MemoryRecord& r = records.emplace_back();
        for (std::string* f : {&r.temp, &r.time[0], &r.time[1], &r.time[2], &r.time[3], &r.room,
                               &r.emissivity, &r.max, &r.min})
            if (const uint8_t n = in.Next(); n != 0xFF) *f = in.Take(n % 8);
        if ((void)ToDisplayUnit(r.temp, unit), !IsValidUtf8(TimeStampText(r.time))) return false;
    }
    MemoryListSnapshot list;
    list.rows = MakeListRows(records, static_cast<int>(records.size()) + 3, unit);
    std::ostringstream csv;
    WriteMemoryCsv(csv, list);
    std::string cells;
    for (const MemoryListRow& row : list.rows)
        cells = std::accumulate(row.cells.begin(), row.cells.end(), cells);
    return list.rows.size() == records.size() + 3 && IsValidUtf8(cells);
}

// The recording's received bytes framed into lines, in pieces as reads would bring them, and
// decoded into the latest temperatures.
bool StreamBytes(std::string_view bytes)
{
    LineFramer framer;
    bool ok = true;
    std::size_t lines = 0;
    const std::size_t piece = bytes.empty() ? 1 : 1 + static_cast<uint8_t>(bytes[0]) % 37;
    for (std::size_t at = 0; at < bytes.size(); at += piece)
        framer.Feed(bytes.substr(at, piece), [&](std::string_view line) {
            ok = ok && ++lines && line.size() <= 1022 && line.find('\n') == line.npos && DecodesSanely(line);
        });
    return ok && lines == static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
}

uint32_t Crc32(std::string_view bytes)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (const char c : bytes)
        for (int k = (crc ^= static_cast<unsigned char>(c), 0); k < 8; ++k)
            crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    return ~crc;
}

// What must hold of any journal read back, whatever its bytes.
bool JournalReadsSanely(const std::string& bytes)
{
    constexpr int32_t kLimit = 5000;
    JournalError error = JournalError::None;
    if (!WriteFileAtomically(kScratch.File("fuzz.rmj"), bytes)) return false;
    const std::optional<JournalContents> contents = LoadJournal(kScratch.File("fuzz.rmj"), kLimit, &error);
    if (!contents) return error != JournalError::None;
    const JournalHeader& h = contents->header;
    // Whatever the header said, what comes back is a time, interval and unit a recording has.
    if (h.startTime < 946684800 || h.startTime >= 4102444800 || h.intervalTicks < 1 ||
        h.intervalTicks > 863999 || contents->samples.size() > static_cast<std::size_t>(kLimit) ||
        contents->tailBytes > bytes.size())
        return false;
    for (const CaptureSample& s : contents->samples)
        if (s.interval < 1 || s.interval > 863999) return false;
    for (const JournalGap& gap : contents->gaps)
        if (gap.count <= 0 || gap.first < 0 ||
            (gap.first < kLimit && contents->samples[static_cast<std::size_t>(gap.first)].temp != kNoData))
            return false;
    AppState app;
    for (app.language = 0; app.language < 2; ++app.language) {
        const std::string loss = JournalLoss(app, *contents);
        if (loss.empty() == contents->Damaged() || !IsValidUtf8(loss)) return false;
    }
    return true;
}

// A recording journal file read back for recovery: the bytes as they are, then under an intact
// header (magic, version and checksum made right) so its values and the blocks behind it are read.
bool JournalFile(std::string_view text)
{
    std::string bytes(text);
    if (!JournalReadsSanely(bytes)) return false;
    if (bytes.size() < 64) bytes.resize(64, '\0');
    std::memcpy(bytes.data(), "RM42JRN1\x01\0\0\0", 12);
    const uint32_t crc = Crc32(std::string_view(bytes).substr(0, 60));
    for (int i = 0; i < 4; ++i)
        bytes[60 + i] = static_cast<char>(crc >> (8 * i));
    return JournalReadsSanely(bytes);
}

} // namespace

std::span<const Target> Targets()
{
    // clang-format off
    static const Target targets[] = {{"reply-line", ReplyLine}, {"ini-text", IniText},
        {"emissivity-list", EmissivityListFile}, {"report-template", ReportTemplate},
        {"memory-records", MemoryRecords}, {"stream-bytes", StreamBytes}, {"journal-file", JournalFile}};
    // clang-format on
    return targets;
}

} // namespace Fuzz
