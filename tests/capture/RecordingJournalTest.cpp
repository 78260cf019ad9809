#include "capture/RecordingJournal.h"
#include "CaptureSimRig.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>

namespace {

std::vector<CaptureSample> MakeSamples(int count, int first = 0)
{
    std::vector<CaptureSample> samples;
    for (int i = first; i < first + count; ++i) {
        // Missing values and interval changes on the way, as a real recording has them.
        const uint16_t temp = i % 7 == 3 ? kNoData : static_cast<uint16_t>(2732 + i * 3);
        samples.push_back(CaptureSample{temp, static_cast<uint16_t>(2982 - i), i < 20 ? 5 : 10});
    }
    return samples;
}

// The first count of the expected samples, and no more.
void ExpectSameSamples(const std::vector<CaptureSample>& actual, const std::vector<CaptureSample>& expected,
                       std::size_t count)
{
    EXPECT_EQ(SampleRows(actual.data(), actual.size()), SampleRows(expected.data(), count));
}

constexpr JournalHeader kHeader{1733562000, 5, true, 123456789};

// The checksum of a header whose bytes were changed on purpose, as the file stores it.
std::string HeaderCrc(const std::string& bytes)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < 60; ++i) {
        crc ^= static_cast<unsigned char>(bytes[i]);
        for (int k = 0; k < 8; ++k)
            crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    crc = ~crc;
    return {static_cast<char>(crc), static_cast<char>(crc >> 8), static_cast<char>(crc >> 16),
            static_cast<char>(crc >> 24)};
}

TEST(RecordingJournal, KeepsEverySampleAndTheHeaderAcrossFlushesAndAContinuedRecording)
{
    TempDir dir;
    const std::string path = dir.File("state/rm42meter/rec.rmj"); // folders are made
    const auto samples = MakeSamples(5000);
    {
        RecordingJournal journal;
        ASSERT_TRUE(journal.Start(path, kHeader));
        for (int i = 0; i < 30; ++i)
            journal.Append(samples[static_cast<std::size_t>(i)]);
        journal.Flush();
        for (int i = 30; i < 5000; ++i) // more than one block's worth between two flushes
            journal.Append(samples[static_cast<std::size_t>(i)]);
        journal.Close();
        EXPECT_FALSE(journal.Failed());
    }
    auto loaded = LoadJournal(path);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->header.startTime, kHeader.startTime);
    EXPECT_EQ(loaded->header.intervalTicks, 5);
    EXPECT_TRUE(loaded->header.fahrenheit);
    EXPECT_EQ(loaded->header.deviceSerial, 123456789u);
    EXPECT_FALSE(loaded->tornTail);
    ExpectSameSamples(loaded->samples, samples, 5000);

    // A recovered recording that goes on starts a new journal holding what it already has.
    RecordingJournal again;
    ASSERT_TRUE(again.Start(path, kHeader, loaded->samples.data(), 5000));
    const auto more = MakeSamples(10, 5000);
    for (const auto& s : more)
        again.Append(s);
    again.Close();
    auto all = samples;
    all.insert(all.end(), more.begin(), more.end());
    ExpectSameSamples(LoadJournal(path)->samples, all, 5010);

    // The reader never returns more than the buffer holds, and says how many it left out.
    const auto capped = LoadJournal(path, 4100);
    EXPECT_EQ(capped->samples.size(), 4100u);
    EXPECT_EQ(capped->overflow, 910);
    EXPECT_TRUE(capped->Damaged());
}

TEST(RecordingJournal, TheWriterSyncsWithoutBeingAskedAndRemoveDeletesTheFile)
{
    TempDir dir;
    const std::string path = dir.File("rec.rmj");
    RecordingJournal journal;
    ASSERT_TRUE(journal.Start(path, kHeader));
    const auto samples = MakeSamples(12);
    for (const auto& s : samples)
        journal.Append(s);
    // No Flush: the writer thread must have put them on disk well within a few sync periods
    // (the bound is generous so that a loaded machine cannot fail it).
    std::size_t seen = 0;
    for (int i = 0; i < 100 && seen < samples.size(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        seen = LoadJournal(path)->samples.size();
    }
    EXPECT_EQ(seen, samples.size());
    journal.Remove();
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(LoadJournal(path));
}

// A journal of four blocks of 10 samples each, and where each block begins.
std::string FourBlocks(const std::string& path, const std::vector<CaptureSample>& samples,
                       std::vector<std::size_t>& blockAt)
{
    RecordingJournal journal;
    EXPECT_TRUE(journal.Start(path, kHeader));
    for (int i = 0; i < 40; ++i) {
        journal.Append(samples[static_cast<std::size_t>(i)]);
        if (i % 10 == 9) journal.Flush();
    }
    journal.Close();
    for (std::size_t b = 0; b < 4; ++b)
        blockAt.push_back(64 + b * (16 + 10 * 8));
    return ReadFileBytes(path);
}

TEST(RecordingJournal, ACutAnywhereKeepsEveryWholeBlock)
{
    TempDir dir;
    const std::string path = dir.File("rec.rmj");
    const auto samples = MakeSamples(40);
    std::vector<std::size_t> blockAt;
    const std::string whole = FourBlocks(path, samples, blockAt);
    for (std::size_t cut = 64; cut <= whole.size(); ++cut) {
        WriteFileBytes(path, whole.substr(0, cut));
        const auto loaded = LoadJournal(path);
        ASSERT_TRUE(loaded) << cut;
        const std::size_t blocks = (cut - 64) / (16 + 10 * 8);
        ExpectSameSamples(loaded->samples, samples, blocks * 10);
        EXPECT_EQ(loaded->tailBytes, cut - 64 - blocks * (16 + 10 * 8)) << cut;
        EXPECT_EQ(loaded->Damaged(), loaded->tailBytes > 0) << cut;
        EXPECT_TRUE(loaded->gaps.empty()) << cut;
    }
}

TEST(RecordingJournal, ADamagedBlockBecomesAGapAndTheBlocksAfterItAreKept)
{
    TempDir dir;
    const std::string path = dir.File("rec.rmj");
    const auto samples = MakeSamples(40);
    std::vector<std::size_t> blockAt;
    const std::string whole = FourBlocks(path, samples, blockAt);
    // A flipped bit in the second block's magic, index, count, checksum or samples.
    for (std::size_t offset : {1, 5, 9, 13, 16 + 3, 16 + 10 * 8 - 1}) {
        std::string damaged = whole;
        damaged[blockAt[1] + offset] = static_cast<char>(damaged[blockAt[1] + offset] ^ 0x10);
        WriteFileBytes(path, damaged);
        const auto loaded = LoadJournal(path);
        ASSERT_TRUE(loaded) << offset;
        ASSERT_EQ(loaded->samples.size(), 40u) << offset;
        ExpectSameSamples({loaded->samples.begin(), loaded->samples.begin() + 10}, samples, 10);
        for (std::size_t i = 10; i < 20; ++i) {
            EXPECT_EQ(loaded->samples[i].temp, kNoData) << offset;
            EXPECT_EQ(loaded->samples[i].roomTemp, kNoData) << offset;
            EXPECT_EQ(loaded->samples[i].interval, samples[9].interval) << offset;
        }
        ExpectSameSamples({loaded->samples.begin() + 20, loaded->samples.end()},
                          {samples.begin() + 20, samples.end()}, 20);
        ASSERT_EQ(loaded->gaps.size(), 1u);
        EXPECT_EQ(std::pair(loaded->gaps[0].first, loaded->gaps[0].count),
                  std::pair(int64_t{10}, int64_t{10}));
        EXPECT_TRUE(loaded->Damaged());
        EXPECT_EQ(loaded->tailBytes, 0u);
    }
}

TEST(RecordingJournal, FilesThatAreNoJournalOrWhoseHeaderIsDamagedAreRefused)
{
    TempDir dir;
    RecordingJournal journal;
    ASSERT_TRUE(journal.Start(dir.File("ok.rmj"), kHeader));
    journal.Close();
    const std::string header = ReadFileBytes(dir.File("ok.rmj"));
    ASSERT_EQ(header.size(), 64u);
    EXPECT_TRUE(LoadJournal(dir.File("ok.rmj")));
    struct Row {
        const char* name;
        std::string bytes;
        JournalError error;
    };
    const Row rows[] = {
        {"empty", "", JournalError::NotAJournal},
        {"text", std::string(200, 'x'), JournalError::NotAJournal},
        // The interval under the header's checksum: unreadable as a whole rather than misread.
        {"checksum", header.substr(0, 20) + '\x07' + header.substr(21), JournalError::NotAJournal},
        {"newer version", header.substr(0, 8) + 'c' + header.substr(9), JournalError::NewerVersion},
    };
    for (const Row& row : rows) {
        WriteFileBytes(dir.File("bad.rmj"), row.bytes);
        JournalError error = JournalError::None;
        EXPECT_FALSE(LoadJournal(dir.File("bad.rmj"), kMaxSamples, &error)) << row.name;
        EXPECT_EQ(error, row.error) << row.name;
    }

    // Intact but out of range (a start in the year 71000, an interval of -0.1 s, unit 77): the
    // samples are kept, the values are not taken, and the journal counts as damaged.
    const auto samples = MakeSamples(3);
    RecordingJournal hostile;
    ASSERT_TRUE(hostile.Start(dir.File("hostile.rmj"), JournalHeader{2192504680100, -1, false, 1},
                              samples.data(), 3));
    hostile.Close();
    std::string bytes = ReadFileBytes(dir.File("hostile.rmj"));
    bytes[24] = 77;
    WriteFileBytes(dir.File("hostile.rmj"), bytes.substr(0, 60) + HeaderCrc(bytes) + bytes.substr(64));
    const auto repaired = LoadJournal(dir.File("hostile.rmj"));
    ASSERT_TRUE(repaired);
    EXPECT_TRUE(repaired->headerRepaired);
    EXPECT_TRUE(repaired->Damaged());
    EXPECT_LT(std::abs(repaired->header.startTime - std::time(nullptr)), 3600); // the file's time
    EXPECT_EQ(repaired->header.intervalTicks, samples[0].interval);
    EXPECT_FALSE(repaired->header.fahrenheit);
    ExpectSameSamples(repaired->samples, samples, 3);
}

TEST(RecordingJournal, ARecoveredRecordingThatGoesOnReplacesTheOldJournalOnlyWhenWhole)
{
    TempDir dir;
    const std::string path = dir.File("rec.rmj");
    const auto samples = MakeSamples(30);
    RecordingJournal old;
    ASSERT_TRUE(old.Start(path, kHeader, samples.data(), 30));
    old.Close();

    // The new file cannot be made beside it: the old journal is still whole.
    std::filesystem::create_directory(path + ".new");
    RecordingJournal refused;
    EXPECT_FALSE(refused.Start(path, kHeader, samples.data(), 20));
    ASSERT_TRUE(LoadJournal(path));
    ExpectSameSamples(LoadJournal(path)->samples, samples, 30);
    std::filesystem::remove(path + ".new");

    // Replaced: the new journal, and nothing left beside it.
    RecordingJournal fresh;
    ASSERT_TRUE(fresh.Start(path, kHeader, samples.data(), 20));
    fresh.Close();
    ExpectSameSamples(LoadJournal(path)->samples, samples, 20);
    EXPECT_FALSE(std::filesystem::exists(path + ".new"));
}

TEST(RecordingJournal, DefaultPathFollowsTheStateFolderAndKeepsInstallationsApart)
{
    setenv("XDG_STATE_HOME", "/var/tmp/state", 1);
    const std::string a = DefaultJournalPath("/opt/a/rm42meter.ini");
    const std::string b = DefaultJournalPath("/opt/b/rm42meter.ini");
    EXPECT_EQ(a.rfind("/var/tmp/state/rm42meter/recording-", 0), 0u) << a;
    EXPECT_NE(a, b);
    EXPECT_EQ(a, DefaultJournalPath("/opt/a/rm42meter.ini"));
    setenv("XDG_STATE_HOME", "relative/not/allowed", 1);
    setenv("HOME", "/home/user", 1);
    EXPECT_EQ(DefaultJournalPath("/x.ini").rfind("/home/user/.local/state/rm42meter/", 0), 0u);
    unsetenv("XDG_STATE_HOME");
}

} // namespace
