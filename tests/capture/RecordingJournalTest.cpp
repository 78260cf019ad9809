#include "capture/RecordingJournal.h"
#include "CaptureSimRig.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <sstream>

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

std::vector<SampleRow> Rows(const std::vector<CaptureSample>& samples, std::size_t count)
{
    return SampleRows(samples.data(), std::min(count, samples.size()));
}

// What a load found besides the samples, as one line: header, gaps, torn tail, overflow, damage.
std::string Summary(const JournalContents& j)
{
    std::ostringstream s;
    s << j.header.startTime << ' ' << j.header.intervalTicks << ' ' << j.header.fahrenheit << ' '
      << j.header.deviceSerial << " gaps";
    for (const JournalGap& gap : j.gaps)
        s << ' ' << gap.first << '+' << gap.count;
    s << " tail " << j.tailBytes << " overflow " << j.overflow << (j.Damaged() ? " damaged" : "");
    return s.str();
}

constexpr JournalHeader kHeader{1733562000, 5, true, 123456789};
const std::string kIntact = "1733562000 5 1 123456789 gaps tail 0 overflow 0";

// A journal holding the samples, flushed into blocks of the given size.
std::string WriteJournal(const std::string& path, const std::vector<CaptureSample>& samples,
                         std::size_t block)
{
    RecordingJournal journal;
    EXPECT_TRUE(journal.Start(path, kHeader));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        journal.Append(samples[i]);
        if (i % block == block - 1) journal.Flush();
    }
    journal.Close();
    EXPECT_FALSE(journal.Failed());
    return ReadFileBytes(path);
}

class JournalFile : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir.File("rec.rmj");
};

TEST_F(JournalFile, KeepsEverySampleAndTheHeaderAcrossFlushesAndAContinuedRecording)
{
    path = dir.File("state/rm42meter/rec.rmj"); // folders are made
    // More than one block's worth between two flushes.
    const auto samples = MakeSamples(5000);
    WriteJournal(path, samples, 4970);
    auto loaded = LoadJournal(path);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(Summary(*loaded), kIntact);
    EXPECT_EQ(Rows(loaded->samples, 9999), Rows(samples, 5000));

    // A recovered recording that goes on starts a new journal holding what it already has, beside the
    // old one and then replacing it: when the new file cannot be made, the old journal is still whole.
    std::filesystem::create_directory(path + ".new");
    RecordingJournal again;
    EXPECT_FALSE(again.Start(path, kHeader, loaded->samples.data(), 4000));
    EXPECT_TRUE(std::filesystem::remove(path + ".new")); // only the folder in its way
    EXPECT_EQ(Rows(LoadJournal(path)->samples, 9999), Rows(samples, 5000));
    ASSERT_TRUE(again.Start(path, kHeader, loaded->samples.data(), 5000));
    auto all = MakeSamples(5010);
    for (std::size_t i = 5000; i < all.size(); ++i)
        again.Append(all[i]);
    again.Close();
    EXPECT_FALSE(std::filesystem::exists(path + ".new"));
    EXPECT_EQ(Rows(LoadJournal(path)->samples, 9999), Rows(all, 5010));

    // The reader never returns more than the buffer holds, and says how many it left out.
    const auto capped = LoadJournal(path, 4100);
    EXPECT_EQ(Rows(capped->samples, 9999), Rows(all, 4100));
    EXPECT_EQ(Summary(*capped), "1733562000 5 1 123456789 gaps tail 0 overflow 910 damaged");
    again.Remove();
    EXPECT_FALSE(std::filesystem::exists(path));
}

// Four blocks of 10 samples each behind the 64-byte header; a block is 16 bytes and 8 a sample.
TEST_F(JournalFile, ACutAnywhereKeepsEveryWholeBlockAndADamagedBlockBecomesAGap)
{
    const auto samples = MakeSamples(40);
    const std::string whole = WriteJournal(path, samples, 10);
    constexpr std::size_t kBlock = 16 + 10 * 8;
    for (std::size_t cut = 64; cut <= whole.size(); ++cut) {
        WriteFileBytes(path, whole.substr(0, cut));
        const auto loaded = LoadJournal(path);
        ASSERT_TRUE(loaded) << cut;
        const std::size_t blocks = (cut - 64) / kBlock, tail = cut - 64 - blocks * kBlock;
        EXPECT_EQ(Rows(loaded->samples, 99), Rows(samples, blocks * 10)) << cut;
        EXPECT_EQ(Summary(*loaded), "1733562000 5 1 123456789 gaps tail " + std::to_string(tail) +
                                        " overflow 0" + (tail > 0 ? " damaged" : ""));
    }

    // A flipped bit in the second block's magic, index, count, checksum or samples: its samples
    // come back missing, at the interval before them, and the blocks after it are kept.
    auto gapped = samples;
    for (std::size_t i = 10; i < 20; ++i)
        gapped[i] = CaptureSample{kNoData, kNoData, samples[9].interval};
    for (std::size_t offset : {1, 5, 9, 13, 16 + 3, 16 + 10 * 8 - 1}) {
        std::string damaged = whole;
        damaged[64 + kBlock + offset] ^= 0x10;
        WriteFileBytes(path, damaged);
        const auto loaded = LoadJournal(path);
        ASSERT_TRUE(loaded) << offset;
        EXPECT_EQ(Rows(loaded->samples, 99), Rows(gapped, 40)) << offset;
        EXPECT_EQ(Summary(*loaded), "1733562000 5 1 123456789 gaps 10+10 tail 0 overflow 0 damaged");
    }
}

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

TEST_F(JournalFile, FilesThatAreNoJournalOrWhoseHeaderIsDamagedAreRefused)
{
    const std::string header = WriteJournal(dir.File("ok.rmj"), {}, 1);
    ASSERT_EQ(header.size(), 64u);
    EXPECT_TRUE(LoadJournal(dir.File("ok.rmj")));
    // The interval under the header's checksum: unreadable as a whole rather than misread.
    const std::tuple<const char*, std::string, JournalError> rows[] = {
        {"empty", "", JournalError::NotAJournal},
        {"text", std::string(200, 'x'), JournalError::NotAJournal},
        {"checksum", header.substr(0, 20) + '\x07' + header.substr(21), JournalError::NotAJournal},
        {"newer version", header.substr(0, 8) + 'c' + header.substr(9), JournalError::NewerVersion},
    };
    for (const auto& [name, bytes, expected] : rows) {
        WriteFileBytes(dir.File("bad.rmj"), bytes);
        JournalError error = JournalError::None;
        EXPECT_FALSE(LoadJournal(dir.File("bad.rmj"), kMaxSamples, &error)) << name;
        EXPECT_EQ(error, expected) << name;
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
    auto repaired = LoadJournal(dir.File("hostile.rmj"));
    ASSERT_TRUE(repaired);
    EXPECT_TRUE(repaired->headerRepaired);
    EXPECT_LT(std::abs(repaired->header.startTime - std::time(nullptr)), 3600); // the file's time
    repaired->header.startTime = 0;
    EXPECT_EQ(Summary(*repaired), "0 5 0 1 gaps tail 0 overflow 0 damaged"); // the first sample's interval
    EXPECT_EQ(Rows(repaired->samples, 9), Rows(samples, 3));
}

TEST(JournalPath, DefaultFollowsTheStateFolderAndKeepsInstallationsApart)
{
    setenv("XDG_STATE_HOME", "/var/tmp/state", 1);
    const std::string a = DefaultJournalPath("/opt/a/rm42meter.ini");
    EXPECT_EQ(a.rfind("/var/tmp/state/rm42meter/recording-", 0), 0u) << a;
    EXPECT_TRUE(a != DefaultJournalPath("/opt/b/rm42meter.ini") &&
                a == DefaultJournalPath("/opt/a/rm42meter.ini"));
    setenv("XDG_STATE_HOME", "relative/not/allowed", 1);
    setenv("HOME", "/home/user", 1);
    EXPECT_EQ(DefaultJournalPath("/x.ini").rfind("/home/user/.local/state/rm42meter/", 0), 0u);
    unsetenv("XDG_STATE_HOME");
}

} // namespace
