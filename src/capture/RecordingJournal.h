#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "capture/CaptureSample.h"

// What a journal says about its recording besides the samples.
struct JournalHeader {
    int64_t startTime = 0;     // local time of the recording's start (time_t)
    int32_t intervalTicks = 0; // the interval when the journal began (each sample keeps its own)
    bool fahrenheit = false;   // the display unit in use
    uint32_t deviceSerial = 0; // the thermometer the samples came from; 0 when unknown
};

// Samples of a damaged block between intact ones: read back as missing samples (kNoData), the
// gap a pulled cable leaves.
struct JournalGap {
    int64_t first = 0; // index of the first missing sample
    int64_t count = 0;
};

// A journal as read back: every sample of every intact block, in order, with what was lost.
struct JournalContents {
    JournalHeader header;
    std::vector<CaptureSample> samples;
    std::vector<JournalGap> gaps; // damaged blocks whose samples became missing ones
    std::size_t tailBytes = 0;    // bytes after the last intact block that make no block
    int64_t overflow = 0;         // samples beyond maxSamples, left out
    bool headerRepaired = false;  // header values out of range were replaced (see LoadJournal)
    bool tornTail = false;        // tailBytes > 0

    // Anything at all was dropped or replaced: the file must not be deleted.
    bool Damaged() const { return !gaps.empty() || tailBytes > 0 || overflow > 0 || headerRepaired; }
    int64_t GapSamples() const;
};

enum class JournalError { None, Missing, NotAJournal, NewerVersion };

// Reads the journal at path. A block that fails its checksum, or whose samples are not where
// its index says, is skipped, not taken as the end: reading goes on at the next intact block,
// and the samples between become missing ones (gaps). Bytes after the last intact block are
// dropped (tailBytes). Header values out of range (a start before 2000 or after 2099, an
// interval outside 0.1 s .. 86399.9 s, an unknown unit) are replaced by the file's time, the
// interval of the samples and degC, and headerRepaired is set. nullopt when there is no file or
// its header is not an intact journal header of this version (error says which). At most
// maxSamples samples are returned; the rest is counted in overflow.
std::optional<JournalContents> LoadJournal(const std::string& path, int32_t maxSamples = kMaxSamples,
                                           JournalError* error = nullptr);

// Puts a journal that must be kept out of the way of the next recording: moves it to target
// (or target-2, target-3, ... when that name is taken), copying when a rename cannot cross
// file systems. Returns where the file now is: path itself when it could not be moved.
std::string KeepJournalAs(const std::string& path, const std::string& target);
// The name a damaged journal is kept under beside a file: "base-damaged-journal.rmj", base
// being file without its extension.
std::string DamagedJournalName(const std::string& file);

// Where the journal of the program that uses iniPath lives: $XDG_STATE_HOME/rm42meter/, or
// ~/.local/state/rm42meter/, named after the INI file so that two installations never share
// one. Empty when no such folder can be named.
std::string DefaultJournalPath(const std::string& iniPath);

// The journal of a running recording: every sample is appended to a file that survives a crash
// or a power cut. Append is called on the user-interface thread and only queues the sample; a
// writer thread of its own writes the queued samples as one checksummed block and syncs the
// file at least every kSyncIntervalMs, so the user-interface thread never waits for the disk.
//
// File layout (little-endian): a 64-byte header ("RM42JRN1", version, start time, interval,
// flags, serial number, CRC-32), then blocks of a 16-byte block header (magic, index of the
// block's first sample, sample count, CRC-32 of the rest) and that many 8-byte samples.
class RecordingJournal {
public:
    static constexpr uint32_t kSyncIntervalMs = 500;
    static constexpr uint32_t kMaxBlockSamples = 4096;

    RecordingJournal() = default;
    ~RecordingJournal();
    RecordingJournal(const RecordingJournal&) = delete;
    RecordingJournal& operator=(const RecordingJournal&) = delete;

    // Creates the journal (replacing any file at path, making its folder), writes the header and
    // the samples a recording already holds (a recovered one that goes on), syncs, and starts
    // the writer. A file already at path is replaced only once the new one is on disk. False when the file
    // cannot be made; the journal is then inactive.
    bool Start(const std::string& path, const JournalHeader& header, const CaptureSample* existing = nullptr,
               int32_t existingCount = 0);
    // Queues one sample. Does nothing while inactive.
    void Append(const CaptureSample& sample);
    // Writes and syncs what is queued now, on the calling thread.
    void Flush();
    // Flushes, stops the writer and closes the file; the file stays (the recording is kept).
    void Close();
    // Closes and deletes the file: the recording was saved or deleted. False when a file is
    // still there.
    bool Remove();

    bool Active() const { return file_ != nullptr; }
    // A write or sync failed: the journal stopped growing (the recording itself goes on).
    bool Failed() const { return failed_; }
    const std::string& Path() const { return path_; }

private:
    void WriterLoop();
    // Writes the queued samples; called with writeMutex_ held.
    void WritePending();

    std::string path_;
    std::FILE* file_ = nullptr;
    std::atomic<bool> failed_{false};
    uint32_t written_ = 0; // samples in the file

    std::mutex queueMutex_;
    std::condition_variable wake_;
    std::vector<CaptureSample> queue_; // guarded by queueMutex_
    bool stop_ = false;                // guarded by queueMutex_

    std::mutex writeMutex_; // one writer of the file at a time
    std::vector<CaptureSample> batch_;
    std::thread writer_;
};
