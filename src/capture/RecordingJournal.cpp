#include "capture/RecordingJournal.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
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

std::optional<JournalContents> LoadJournal(const std::string& path, int32_t maxSamples)
{
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    if (!in) return std::nullopt;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    if (bytes.size() < kHeaderSize || std::memcmp(data, kFileMagic, sizeof kFileMagic) != 0 ||
        Get32(data + 8) != kVersion || Get32(data + kHeaderSize - 4) != Crc32(data, kHeaderSize - 4)) {
        return std::nullopt;
    }
    JournalContents contents;
    contents.header.startTime = static_cast<int64_t>(Get64(data + 12));
    contents.header.intervalTicks = static_cast<int32_t>(Get32(data + 20));
    contents.header.fahrenheit = (Get32(data + 24) & 1u) != 0;
    contents.header.deviceSerial = Get32(data + 28);

    std::size_t pos = kHeaderSize;
    while (pos < bytes.size()) {
        const std::size_t left = bytes.size() - pos;
        if (left < kBlockHeaderSize) break;
        const unsigned char* b = data + pos;
        const uint32_t count = Get32(b + 8);
        if (Get32(b) != kBlockMagic || Get32(b + 4) != contents.samples.size() || count == 0 ||
            count > RecordingJournal::kMaxBlockSamples || left - kBlockHeaderSize < count * kSampleSize) {
            break;
        }
        const uint32_t crc = Crc32(b + 4, 8);
        if (Get32(b + 12) != Crc32(b + kBlockHeaderSize, count * kSampleSize, crc)) break;
        const unsigned char* p = b + kBlockHeaderSize;
        for (uint32_t i = 0; i < count; ++i, p += kSampleSize) {
            if (contents.samples.size() >= static_cast<std::size_t>(maxSamples)) break;
            contents.samples.push_back(
                CaptureSample{Get16(p), Get16(p + 2), static_cast<int32_t>(Get32(p + 4))});
        }
        pos += kBlockHeaderSize + count * kSampleSize;
    }
    contents.tornTail = pos < bytes.size();
    return contents;
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

void RecordingJournal::Remove()
{
    Close();
    if (!path_.empty()) RemoveFileUtf8(path_);
    path_.clear();
}
