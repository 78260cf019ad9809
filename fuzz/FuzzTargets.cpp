#include "FuzzTargets.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/AppState.h"
#include "app/Cp932.h"
#include "app/IniFile.h"
#include "app/IniNumber.h"
#include "app/SafeFile.h"
#include "capture/CaptureRecorder.h"
#include "capture/CaptureSample.h"
#include "capture/RecordingJournal.h"
#include "capture/RecordingWriters.h"
#include "capture/TempReceiveThread.h"
#include "device/CCommIO.h"
#include "device/Clock.h"
#include "device/CommandSet.h"
#include "device/SerialPort.h"
#include "memory/MemoryList.h"
#include "memory/MemoryRecord.h"
#include "memory/MemoryReport.h"
#include "settings/TypeNames.h"
#include "teaching/EmissivityList.h"

namespace Fuzz {
namespace {

// Reads one byte of the input, 0 once it is used up.
class Bytes {
public:
    Bytes(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    uint8_t Next() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::string Take(std::size_t n)
    {
        n = std::min(n, size_ - pos_);
        std::string s(reinterpret_cast<const char*>(data_ + pos_), n);
        pos_ += n;
        return s;
    }
    std::string Rest() { return Take(size_ - pos_); }
    bool Done() const { return pos_ >= size_; }

private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

class VirtualClock final : public Clock {
public:
    uint64_t TickMs() override { return now; }
    void SleepMs(uint32_t ms) override { now += ms; }
    std::time_t WallTime() override { return 0; }
    uint64_t now = 0;
};

// A port whose far end sends the scripted chunks, each after its pause; waiting advances the
// virtual clock instead of sleeping. A chunk may also end the line with a hang-up.
struct Chunk {
    uint64_t dueMs;
    std::string bytes;
    bool hangUp;
};

class ScriptPort final : public SerialPort {
public:
    ScriptPort(VirtualClock& clock, std::deque<Chunk> chunks) : clock_(clock), chunks_(std::move(chunks)) {}
    bool Open(const SerialSettings&) override { return open_ = true; }
    bool Close() override
    {
        const bool was = open_;
        open_ = false;
        return was;
    }
    bool IsOpen() const override { return open_; }
    bool Purge(SerialBuffer which) override
    {
        Arrive();
        if (which != SerialBuffer::Output) queued_.clear();
        return open_;
    }
    bool Write(const void*, std::size_t) override { return open_ && !dead_; }
    WaitResult Read(void* data, std::size_t size, std::size_t& got, uint32_t timeoutMs) override
    {
        got = 0;
        Arrive();
        if (queued_.empty() && !dead_ && open_) {
            const uint64_t until = clock_.now + timeoutMs;
            clock_.now = chunks_.empty() || chunks_.front().dueMs > until
                             ? until
                             : std::max(clock_.now, chunks_.front().dueMs);
            Arrive();
        }
        if (dead_ || !open_) return WaitResult::Error;
        got = std::min(size, queued_.size());
        std::copy_n(queued_.begin(), got, static_cast<char*>(data));
        queued_.erase(0, got);
        return got > 0 ? WaitResult::Ready : WaitResult::Timeout;
    }
    bool ModemLines(bool& cts, bool& dsr) override
    {
        cts = dsr = true;
        return true;
    }

private:
    void Arrive()
    {
        while (!chunks_.empty() && chunks_.front().dueMs <= clock_.now) {
            if (chunks_.front().hangUp) dead_ = true;
            queued_ += chunks_.front().bytes;
            chunks_.pop_front();
        }
    }

    VirtualClock& clock_;
    std::deque<Chunk> chunks_;
    std::string queued_;
    bool open_ = false;
    bool dead_ = false;
};

class OnePortFactory final : public SerialPortFactory {
public:
    explicit OnePortFactory(std::unique_ptr<SerialPort> port) : port_(std::move(port)) {}
    std::unique_ptr<SerialPort> Create() override { return std::move(port_); }

private:
    std::unique_ptr<SerialPort> port_;
};

bool IsValidUtf8(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t n = c < 0x80                   ? 1
                        : (c >= 0xC2 && c <= 0xDF) ? 2
                        : (c >= 0xE0 && c <= 0xEF) ? 3
                        : (c >= 0xF0 && c <= 0xF4) ? 4
                                                   : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (std::size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        }
        i += n;
    }
    return true;
}

// A folder of the process's own for the files the readers read, removed at exit.
struct ScratchDir {
    ScratchDir()
        : path((std::filesystem::temp_directory_path() / ("rm42fuzz-" + std::to_string(getpid()))).string() +
               "/")
    {
        std::error_code ignored;
        std::filesystem::create_directories(path, ignored);
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string path;
};

const std::string& Scratch()
{
    static ScratchDir dir;
    return dir.path;
}

} // namespace

bool ReplyLine(const uint8_t* data, std::size_t size)
{
    constexpr std::array<std::string_view, 8> kCommands = {"DA", "9130", "9100", "81",
                                                           "2F", "14",   "22",   "9200FC04"};
    Bytes in(data, size);
    const uint8_t head = in.Next();
    const std::string_view command = kCommands[head % kCommands.size()];
    const uint32_t timeoutMs = (head & 0x80) != 0 ? 300 : kCommandTimeoutMs;

    // The rest: chunks of [pause in 10 ms steps (0xFF: hang up)][length][bytes].
    std::deque<Chunk> chunks;
    uint64_t due = 200; // the link's settling pause after opening
    while (!in.Done()) {
        const uint8_t pause = in.Next();
        const std::size_t length = in.Next();
        due += static_cast<uint64_t>(pause == 0xFF ? 0 : pause) * 10;
        chunks.push_back({due, in.Take(length), pause == 0xFF});
    }

    VirtualClock clock;
    OnePortFactory ports(std::make_unique<ScriptPort>(clock, std::move(chunks)));
    AppState app;
    app.clock = &clock;
    app.ports = &ports;
    app.iniPath = Scratch() + "none.ini"; // missing: the link's defaults
    CCommIO link(app);
    if (!link.Open()) return false;

    // A command that cannot be sent leaves the reply as it was; any other failure clears it.
    const std::string untouched = "untouched";
    std::string reply = untouched;
    int length = -1;
    const uint64_t start = clock.now;
    const CommStatus status = link.Transact(command, reply, length, timeoutMs);
    // The dropping of foreign lines ends a time-out after the command; the line then awaited
    // ends within another one; then comes the pause after the command.
    if (clock.now - start > 2ull * timeoutMs + 500) return false;
    if (status != COMM_OK && status != COMM_NO_REPLY && status != COMM_IO_ERROR && status != COMM_TIMEOUT)
        return false;
    if (status != COMM_OK) {
        const bool cleared = reply.empty() && length == 0;
        const bool unsent = reply == untouched && length == -1;
        if (!cleared && !(unsent && status == COMM_IO_ERROR)) return false;
        reply.clear();
        length = 0;
    }
    if (length < 0 || reply.size() >= kReplyBufferSize || reply.find('\r') != std::string::npos) return false;

    // Every decoder reads whatever came.
    if (IsRegisterReply(reply) && DecodeRegisterValue(reply) != HexToInt(reply.substr(2, 4), 4)) return false;
    (void)IsRefusal(reply);
    (void)DecodeTemperatureValue(reply);
    (void)DecodeClockReply(reply);
    for (int count = 0; count <= 9; ++count) {
        (void)ReplyHex(reply, count, count - 1);
    }
    const StreamedTemperatures streamed = DecodeStreamLine(reply);
    if (streamed.hasData && !reply.starts_with("2F")) return false;

    std::string raw;
    int rawLength = 0;
    const CommStatus now = link.ReceiveNow(raw, rawLength);
    if (now == COMM_OK && (raw.empty() || raw.size() >= kReplyBufferSize)) return false;
    if (DecodeStreamLine(raw).hasData && !raw.starts_with("2F")) return false;
    link.Close();
    return true;
}

bool IniText(const uint8_t* data, std::size_t size)
{
    const std::string path = Scratch() + "fuzz.ini";
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (!WriteFileAtomically(path, text)) return false;

    for (const std::size_t buffer : {std::size_t{1}, std::size_t{2}, std::size_t{8}, IniFile::kValueBuffer}) {
        const std::string value = IniFile::GetString(path, "ComPort", "Port", "COM4", buffer);
        if (!IsValidUtf8(value)) return false;
        (void)IniFile::ToInt(value);
    }
    // Every number key reads as a value of its range, whatever the text, and a bad one is told
    // at most once.
    AppState app;
    app.iniPath = path;
    for (const IniNumberKey& row : IniNumberKeys()) {
        for (int twice = 0; twice < 2; ++twice) {
            const int64_t value = ReadIniNumber(app, row.section, row.key);
            if (value < row.min || value > row.max) return false;
        }
    }
    if (app.reportedIniProblems.size() > IniNumberKeys().size()) return false;
    const std::string other = IniFile::GetString(path, "System", "Langage", "-");
    const std::string wanted = "COM" + std::to_string(size % 100);
    if (!IniFile::WriteString(path, "ComPort", "Port", wanted)) return false;
    // The value written is the one read, and the neighbour is untouched.
    if (IniFile::GetString(path, "ComPort", "Port", "") != wanted) return false;
    if (IniFile::GetString(path, "System", "Langage", "-") != other) return false;
    (void)IniFile::ToInt(text);
    return true;
}

bool TypeNameFile(const uint8_t* data, std::size_t size)
{
    Bytes in(data, size);
    uint32_t serial = 0;
    for (int i = 0; i < 4; ++i) {
        serial = serial << 8 | in.Next();
    }
    const std::string file = in.Rest();
    AppState app;
    app.exeDir = Scratch();
    app.deviceSerial = serial % 1000000000u;
    if (!WriteFileAtomically(TypeNameFilePath(app), file)) return false;
    LookupTypeName(app);
    if (!IsValidUtf8(app.typeName)) return false;

    // A typed name: the filter keeps at most 40 characters, none of them forbidden, and a
    // filtered name passes unchanged.
    std::string typed = Cp932ToUtf8(file);
    FilterTypeNameInput(typed);
    if (typed.find_first_of("\"'%&<>*?:/\\") != std::string::npos) return false;
    std::size_t chars = 0;
    for (const char c : typed) {
        chars += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }
    if (chars > 40) return false;
    std::string again = typed;
    return !FilterTypeNameInput(again) && again == typed;
}

bool Cp932Text(const uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string utf8 = Cp932ToUtf8(bytes);
    if (!IsValidUtf8(utf8)) return false;
    // Text read from a file is written back as it was read: converting it to CP932 and reading
    // that again gives the same text (bytes that did not convert were replaced by U+FFFD,
    // which is written as '?').
    const std::string back = Cp932ToUtf8(Utf8ToCp932(utf8));
    if (utf8.find("\xEF\xBF\xBD") == std::string::npos && back != utf8) return false;
    // The other direction takes any bytes at all.
    const std::string cp932 = Utf8ToCp932(bytes);
    return IsValidUtf8(Cp932ToUtf8(cp932));
}

bool EmissivityListFile(const uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<EmissivityEntry> entries = ParseEmissivityList(text);
    if (entries.size() > kEmissivityCapacity) return false;
    for (const EmissivityEntry& e : entries) {
        if (e.name.size() > kEmissivityNameBytes) return false;
    }
    // The list order must be a strict weak order whatever the numbers are, or sorting is undefined.
    for (const EmissivityEntry& a : entries) {
        if (CompareEntries(a, a)) return false;
        for (const EmissivityEntry& b : entries) {
            if (CompareEntries(a, b) && CompareEntries(b, a)) return false;
        }
    }
    std::sort(entries.begin(), entries.end(), CompareEntries);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i > 0 && CompareEntries(entries[i], entries[i - 1])) return false;
        (void)IsMarkedEntry(entries[i]);
        if (!IsValidUtf8(EmissivityRowNumberText(i)) || !IsValidUtf8(EmissivityRowNameText(entries[i])) ||
            !IsValidUtf8(EmissivityRowValueText(entries[i])))
            return false;
    }
    return true;
}

bool ReportTemplate(const uint8_t* data, std::size_t size)
{
    Bytes in(data, size);
    const int rowCount = in.Next() % 70;
    const std::string templ = in.Rest();

    MemoryListSnapshot list;
    list.unitText = "℃";
    list.typeName = "RM42 <A&B>";
    for (int i = 0; i < rowCount; ++i) {
        MemoryListRow row;
        row.hasData = i % 3 != 2;
        row.cells[0] = RowNumberText(i);
        row.cells[1] = std::to_string(20 + i);
        list.rows.push_back(row);
    }
    const std::vector<std::string> lines = SplitTemplateLines(templ);
    int nextRow = 0;
    bool complete = false;
    // Twenty rows a page: the report ends after at most one page more than the rows need.
    for (int page = 0; !complete; ++page) {
        if (page > rowCount / kReportRowsPerPage + 1) return false;
        std::ostringstream out;
        const int before = nextRow;
        WriteMemoryReportPage(out, lines, list, nextRow, complete);
        if (nextRow < before || nextRow > rowCount) return false;
    }
    std::ostringstream csv;
    WriteMemoryCsv(csv, list);

    const CaptureSample samples[2] = {{2982, 2962, 1}, {kNoData, kNoData, 1}};
    RecordingSaveData rec;
    rec.samples = samples;
    rec.sampleCount = rowCount % 3;
    rec.recordStart = 1700000000;
    rec.tickCount = rowCount * 1000;
    rec.typeName = list.typeName;
    rec.unitText = list.unitText;
    rec.pictureName = RecordingPictureName("report name");
    std::istringstream templateText(templ);
    std::ostringstream report;
    WriteRecordingReport(report, templateText, rec);
    // Every template line comes out, each ended by CR LF.
    const std::string written = report.str();
    if (!written.empty() && !written.ends_with("\r\n")) return false;
    WriteRecordingCsv(csv, rec);
    return true;
}

bool MemoryRecords(const uint8_t* data, std::size_t size)
{
    Bytes in(data, size);
    const int unit = in.Next() % 3;
    std::vector<MemoryRecord> records;
    // Each field: a length byte (0xFF: not read) and that many characters.
    const auto field = [&in]() -> std::string {
        const uint8_t n = in.Next();
        return n == 0xFF ? std::string() : in.Take(n % 8);
    };
    while (!in.Done() && records.size() < 40) {
        MemoryRecord r;
        r.temp = field();
        for (std::string& t : r.time) {
            t = field();
        }
        r.room = field();
        r.emissivity = field();
        r.max = field();
        r.min = field();
        records.push_back(r);
    }
    const int capacity = static_cast<int>(records.size()) + 3;
    const std::vector<MemoryListRow> rows = MakeListRows(records, capacity, unit);
    if (rows.size() != static_cast<std::size_t>(capacity)) return false;
    MemoryListSnapshot list;
    for (const MemoryListRow& row : rows) {
        for (const std::string& cell : row.cells) {
            if (!IsValidUtf8(cell)) return false;
        }
        if (row.hasData) list.rows.push_back(row);
    }
    for (const MemoryRecord& r : records) {
        (void)ToDisplayUnit(r.temp, unit);
        if (!IsValidUtf8(TimeStampText(r.time))) return false;
    }
    std::ostringstream csv;
    WriteMemoryCsv(csv, list);
    return true;
}

bool StreamBytes(const uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ReceiveWords words;
    LineFramer framer;
    bool ok = true;
    std::size_t lines = 0;
    // In pieces as reads would bring them: every split gives the same lines.
    const std::size_t piece = size == 0 ? 1 : 1 + data[0] % 37;
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        framer.Feed(bytes.substr(at, piece), [&](std::string_view line) {
            ++lines;
            if (line.size() > 1022 || line.find('\n') != std::string_view::npos) ok = false;
            TakeStreamLine(line, words);
            const StreamedTemperatures decoded = DecodeStreamLine(line);
            const bool noData = words.latestTemp.load() == kNoData && words.latestRoomTemp.load() == kNoData;
            if (!decoded.hasData && !noData) ok = false;
        });
    }
    return ok && lines == static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
}

namespace {

uint32_t Crc32(const unsigned char* data, std::size_t size)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return ~crc;
}

// What must hold of any journal read back, whatever its bytes.
bool JournalReadsSanely(const std::string& path, std::size_t fileSize)
{
    constexpr int32_t kLimit = 5000;
    JournalError error = JournalError::None;
    const std::optional<JournalContents> contents = LoadJournal(path, kLimit, &error);
    if (!contents) return error != JournalError::None;
    const JournalHeader& h = contents->header;
    // Whatever the header said, what comes back is a time, interval and unit a recording has.
    if (h.startTime < 946684800 || h.startTime >= 4102444800 || h.intervalTicks < 1 ||
        h.intervalTicks > 863999)
        return false;
    if (contents->samples.size() > static_cast<std::size_t>(kLimit) || contents->tailBytes > fileSize)
        return false;
    for (const CaptureSample& s : contents->samples) {
        if (s.interval < 1 || s.interval > 863999) return false;
    }
    for (const JournalGap& gap : contents->gaps) {
        if (gap.count <= 0 || gap.first < 0) return false;
        if (gap.first < kLimit && contents->samples[static_cast<std::size_t>(gap.first)].temp != kNoData)
            return false;
    }
    AppState app;
    for (int language : {0, 1}) {
        app.language = language;
        const std::string loss = JournalLoss(app, *contents);
        if (loss.empty() == contents->Damaged() || !IsValidUtf8(loss)) return false;
    }
    return true;
}

} // namespace

bool JournalFile(const uint8_t* data, std::size_t size)
{
    const std::string path = Scratch() + "fuzz.rmj";
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (!WriteFileAtomically(path, bytes) || !JournalReadsSanely(path, bytes.size())) return false;
    // The same bytes under an intact header of this version, so that its values and the blocks
    // behind it are read too.
    if (bytes.size() < 64) bytes.resize(64, '\0');
    std::memcpy(bytes.data(), "RM42JRN1\x01\0\0\0", 12);
    auto* head = reinterpret_cast<unsigned char*>(bytes.data());
    const uint32_t crc = Crc32(head, 60);
    for (int i = 0; i < 4; ++i)
        head[60 + i] = static_cast<unsigned char>(crc >> (8 * i));
    return WriteFileAtomically(path, bytes) && JournalReadsSanely(path, bytes.size());
}

const Target* Targets(std::size_t& count)
{
    static const Target targets[] = {
        {"reply-line", ReplyLine},
        {"ini-text", IniText},
        {"type-name-file", TypeNameFile},
        {"cp932-text", Cp932Text},
        {"emissivity-list", EmissivityListFile},
        {"report-template", ReportTemplate},
        {"memory-records", MemoryRecords},
        {"stream-bytes", StreamBytes},
        {"journal-file", JournalFile},
    };
    count = std::size(targets);
    return targets;
}

} // namespace Fuzz
