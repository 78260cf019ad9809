#include "capture/RecordingJournal.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/SafeFile.h"
#include "app/Utf8Path.h"

namespace {

constexpr char kFileMagic[8] = {'R', 'M', '4', '2', 'J', 'R', 'N', '1'};
constexpr uint32_t kVersion = 1;
constexpr std::size_t kHeaderSize = 64;
constexpr uint32_t kBlockMagic = 0x4B4C4252; // "RBLK"
constexpr std::size_t kBlockHeaderSize = 16;
constexpr std::size_t kSampleSize = 8;

// CRC-32 (the polynomial of zip and PNG), table made once.
uint32_t Crc32(const unsigned char* data, std::size_t size, uint32_t crc = 0)
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void Put16(unsigned char* p, uint16_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
void Put32(unsigned char* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}
void Put64(unsigned char* p, uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}
uint16_t Get16(const unsigned char* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Get32(const unsigned char* p)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}
uint64_t Get64(const unsigned char* p)
{
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

std::array<unsigned char, kHeaderSize> EncodeHeader(const JournalHeader& h)
{
    std::array<unsigned char, kHeaderSize> b{};
    std::memcpy(b.data(), kFileMagic, sizeof kFileMagic);
    Put32(b.data() + 8, kVersion);
    Put64(b.data() + 12, static_cast<uint64_t>(h.startTime));
    Put32(b.data() + 20, static_cast<uint32_t>(h.intervalTicks));
    Put32(b.data() + 24, h.fahrenheit ? 1u : 0u);
    Put32(b.data() + 28, h.deviceSerial);
    Put32(b.data() + kHeaderSize - 4, Crc32(b.data(), kHeaderSize - 4));
    return b;
}

std::vector<unsigned char> EncodeBlock(uint32_t firstIndex, const CaptureSample* samples, std::size_t count)
{
    std::vector<unsigned char> b(kBlockHeaderSize + count * kSampleSize);
    Put32(b.data(), kBlockMagic);
    Put32(b.data() + 4, firstIndex);
    Put32(b.data() + 8, static_cast<uint32_t>(count));
    unsigned char* p = b.data() + kBlockHeaderSize;
    for (std::size_t i = 0; i < count; ++i, p += kSampleSize) {
        Put16(p, samples[i].temp);
        Put16(p + 2, samples[i].roomTemp);
        Put32(p + 4, static_cast<uint32_t>(samples[i].interval));
    }
    // The checksum covers the index, the count and the samples.
    const uint32_t crc = Crc32(b.data() + 4, 8);
    Put32(b.data() + 12, Crc32(b.data() + kBlockHeaderSize, count * kSampleSize, crc));
    return b;
}

bool WriteAll(std::FILE* file, const void* data, std::size_t size)
{
    return size == 0 || std::fwrite(data, 1, size, file) == size;
}

} // namespace

int64_t JournalContents::GapSamples() const
{
    int64_t n = 0;
    for (const JournalGap& gap : gaps)
        n += gap.count;
    return n;
}

namespace {

// The widest interval the controls can set (23:59:59.9) and the span of start times a
// recording of this program can have.
constexpr int32_t kLongestInterval = 863999;
constexpr int64_t kEarliestStart = 946684800; // 2000-01-01
constexpr int64_t kLatestStart = 4102444800;  // 2100-01-01

bool IntervalInRange(int64_t ticks)
{
    return ticks >= 1 && ticks <= kLongestInterval;
}

// An intact block at b (left bytes available): magic, a count that fits, the checksum and
// intervals a recording can have. count is set when it is.
bool IntactBlock(const unsigned char* b, std::size_t left, uint32_t& count)
{
    if (left < kBlockHeaderSize || Get32(b) != kBlockMagic) return false;
    count = Get32(b + 8);
    if (count == 0 || count > RecordingJournal::kMaxBlockSamples ||
        left - kBlockHeaderSize < count * kSampleSize)
        return false;
    if (Get32(b + 12) != Crc32(b + kBlockHeaderSize, count * kSampleSize, Crc32(b + 4, 8))) return false;
    for (uint32_t i = 0; i < count; ++i) {
        if (!IntervalInRange(static_cast<int32_t>(Get32(b + kBlockHeaderSize + i * kSampleSize + 4))))
            return false;
    }
    return true;
}

std::time_t FileTime(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_time_type written = fs::last_write_time(PathFromUtf8(path), ec);
    if (ec) return std::time(nullptr);
    const auto since = std::chrono::duration_cast<std::chrono::system_clock::duration>(
        written - fs::file_time_type::clock::now());
    return std::chrono::system_clock::to_time_t(std::chrono::system_clock::now() + since);
}

} // namespace

std::optional<JournalContents> LoadJournal(const std::string& path, int32_t maxSamples, JournalError* error)
{
    JournalError ignored;
    JournalError& why = error != nullptr ? *error : ignored;
    why = JournalError::Missing;
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    if (!in) return std::nullopt;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    why = JournalError::NotAJournal;
    if (bytes.size() < kHeaderSize || std::memcmp(data, kFileMagic, sizeof kFileMagic) != 0)
        return std::nullopt;
    if (Get32(data + 8) != kVersion) {
        if (Get32(data + 8) > kVersion) why = JournalError::NewerVersion;
        return std::nullopt;
    }
    if (Get32(data + kHeaderSize - 4) != Crc32(data, kHeaderSize - 4)) return std::nullopt;
    why = JournalError::None;

    JournalContents contents;
    JournalHeader& h = contents.header;
    h.startTime = static_cast<int64_t>(Get64(data + 12));
    h.intervalTicks = static_cast<int32_t>(Get32(data + 20));
    const uint32_t flags = Get32(data + 24);
    h.fahrenheit = flags == 1u;
    h.deviceSerial = Get32(data + 28);
    if (h.startTime < kEarliestStart || h.startTime >= kLatestStart) {
        h.startTime = FileTime(path);
        contents.headerRepaired = true;
    }
    if (!IntervalInRange(h.intervalTicks)) {
        h.intervalTicks = 0; // taken from the samples below
        contents.headerRepaired = true;
    }
    if (flags > 1u) contents.headerRepaired = true;

    const auto limit = static_cast<std::size_t>(std::max(maxSamples, 0));
    int64_t next = 0; // index of the next sample the recording had
    const auto add = [&](const CaptureSample& sample) {
        if (contents.samples.size() < limit) {
            contents.samples.push_back(sample);
        } else {
            ++contents.overflow;
        }
        ++next;
    };
    std::size_t pos = kHeaderSize;
    std::size_t intactEnd = kHeaderSize;
    while (pos < bytes.size()) {
        uint32_t count = 0;
        const unsigned char* b = data + pos;
        // A block that repeats samples already read is no intact part of this recording.
        if (!IntactBlock(b, bytes.size() - pos, count) || Get32(b + 4) < next) {
            ++pos; // look for the next block further on
            continue;
        }
        const int64_t first = Get32(b + 4);
        if (first > next) {
            const int32_t interval = contents.samples.empty()
                                         ? static_cast<int32_t>(Get32(b + kBlockHeaderSize + 4))
                                         : contents.samples.back().interval;
            contents.gaps.push_back(JournalGap{next, first - next});
            while (next < first && contents.samples.size() < limit)
                add(CaptureSample{kNoData, kNoData, interval});
            contents.overflow += first - next;
            next = first;
        }
        const unsigned char* p = b + kBlockHeaderSize;
        for (uint32_t i = 0; i < count; ++i, p += kSampleSize)
            add(CaptureSample{Get16(p), Get16(p + 2), static_cast<int32_t>(Get32(p + 4))});
        pos += kBlockHeaderSize + count * kSampleSize;
        intactEnd = pos;
    }
    contents.tailBytes = bytes.size() - intactEnd;
    contents.tornTail = contents.tailBytes > 0;
    if (h.intervalTicks == 0)
        h.intervalTicks = contents.samples.empty() ? 1 : contents.samples.front().interval;
    return contents;
}

std::string DamagedJournalName(const std::string& file)
{
    const std::string::size_type slash = file.find_last_of("/\\");
    const std::string::size_type dot = file.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    return (hasExtension ? file.substr(0, dot) : file) + "-damaged-journal.rmj";
}

std::string KeepJournalAs(const std::string& path, const std::string& target)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    std::string name = target;
    const std::string stem = target.ends_with(".rmj") ? target.substr(0, target.size() - 4) : target;
    for (int n = 2; fs::exists(PathFromUtf8(name), ec) && n < 1000; ++n)
        name = stem + "-" + std::to_string(n) + ".rmj";
    if (fs::exists(PathFromUtf8(name), ec)) return path;
    fs::rename(PathFromUtf8(path), PathFromUtf8(name), ec);
    if (!ec) return name;
    // Another file system: a copy, and the original goes only once the copy is whole.
    if (!fs::copy_file(PathFromUtf8(path), PathFromUtf8(name), ec) || ec) {
        fs::remove(PathFromUtf8(name), ec);
        return path;
    }
    RemoveFileUtf8(path);
    return name;
}

std::string DefaultJournalPath(const std::string& iniPath)
{
    std::string folder;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && state[0] == '/') {
        folder = state;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        folder = std::string(home) + "/.local/state";
    } else {
        return {};
    }
    // FNV-1a of the INI's path keeps installations apart.
    uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : iniPath)
        hash = (hash ^ c) * 1099511628211ull;
    char name[40];
    std::snprintf(name, sizeof name, "recording-%016llx.rmj", static_cast<unsigned long long>(hash));
    return folder + "/rm42meter/" + name;
}

RecordingJournal::~RecordingJournal()
{
    Close();
}

bool RecordingJournal::Start(const std::string& path, const JournalHeader& header,
                             const CaptureSample* existing, int32_t existingCount)
{
    Close();
    failed_ = false;
    written_ = 0;
    path_ = path;
    std::error_code ec;
    std::filesystem::create_directories(PathFromUtf8(path).parent_path(), ec);
    // Written beside the old journal and renamed over it once synced: a crash while a long
    // recovered recording is copied in leaves the old journal whole.
    const std::string fresh = path + ".new";
    file_ = OpenFileUtf8(fresh, "wb");
    if (file_ == nullptr) {
        failed_ = true;
        return false;
    }
    const auto head = EncodeHeader(header);
    bool ok = WriteAll(file_, head.data(), head.size());
    for (int32_t i = 0; ok && i < existingCount; i += static_cast<int32_t>(kMaxBlockSamples)) {
        const auto n = static_cast<std::size_t>(std::min<int32_t>(existingCount - i, kMaxBlockSamples));
        const auto block = EncodeBlock(static_cast<uint32_t>(i), existing + i, n);
        ok = WriteAll(file_, block.data(), block.size());
    }
    if (ok) ok = FlushFileToDisk(file_);
    // Closed before the rename, which Windows refuses for an open file; appended to from then on.
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    if (ok) ok = ReplaceFileUtf8(fresh, path);
    if (ok) ok = (file_ = OpenFileUtf8(path, "ab")) != nullptr;
    if (!ok) {
        RemoveFileUtf8(fresh);
        failed_ = true;
        return false;
    }
    written_ = static_cast<uint32_t>(existingCount > 0 ? existingCount : 0);
    stop_ = false;
    queue_.reserve(1024);
    batch_.reserve(1024);
    writer_ = std::thread([this] { WriterLoop(); });
    return true;
}

void RecordingJournal::Append(const CaptureSample& sample)
{
    if (file_ == nullptr || failed_) return;
    std::lock_guard<std::mutex> lock(queueMutex_);
    queue_.push_back(sample);
}

void RecordingJournal::WritePending()
{
    batch_.clear();
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        batch_.swap(queue_);
    }
    if (batch_.empty() || file_ == nullptr || failed_) return;
    bool ok = true;
    for (std::size_t i = 0; ok && i < batch_.size(); i += kMaxBlockSamples) {
        const std::size_t n = std::min<std::size_t>(batch_.size() - i, kMaxBlockSamples);
        const auto block = EncodeBlock(written_, batch_.data() + i, n);
        ok = WriteAll(file_, block.data(), block.size());
        if (ok) written_ += static_cast<uint32_t>(n);
    }
    if (ok) ok = FlushFileToDisk(file_);
    if (!ok) failed_ = true;
}

void RecordingJournal::WriterLoop()
{
    std::unique_lock<std::mutex> lock(queueMutex_);
    while (!stop_) {
        wake_.wait_for(lock, std::chrono::milliseconds(kSyncIntervalMs), [this] { return stop_; });
        if (stop_) break;
        lock.unlock();
        {
            std::lock_guard<std::mutex> write(writeMutex_);
            WritePending();
        }
        lock.lock();
    }
}

void RecordingJournal::Flush()
{
    std::lock_guard<std::mutex> write(writeMutex_);
    WritePending();
}

void RecordingJournal::Close()
{
    if (writer_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(queueMutex_);
            stop_ = true;
        }
        wake_.notify_all();
        writer_.join();
    }
    if (file_ != nullptr) {
        Flush();
        std::fclose(file_);
        file_ = nullptr;
    }
}

bool RecordingJournal::Remove()
{
    Close();
    if (!path_.empty()) RemoveFileUtf8(path_);
    std::error_code ec;
    const bool gone = path_.empty() || !std::filesystem::exists(PathFromUtf8(path_), ec);
    path_.clear();
    return gone;
}
