#include "capture/RecordingJournal.h"
#include "CaptureSimRig.h"
#include "capture/JournalRecovery.h"

#include <filesystem>

namespace {

// Missing values and interval changes on the way, as a real recording has them.
std::vector<CaptureSample> MakeSamples(int count)
{
    std::vector<CaptureSample> samples;
    for (int i = 0; i < count; ++i)
        samples.push_back(
            {i % 7 == 3 ? kNoData : uint16_t(2732 + i * 3), uint16_t(2982 - i), i < 20 ? 5 : 10});
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

// A journal as loaded: what it found and the samples; "unreadable" when it is refused.
std::tuple<std::string, std::vector<SampleRow>> Load(const std::string& path, int32_t max = kMaxSamples)
{
    const auto j = LoadJournal(path, max);
    if (!j) return {"unreadable", {}};
    return {Summary(*j), Rows(j->samples, 99999)};
}

constexpr JournalHeader kHeader{1733562000, 5, true, 123456789};
const std::string kFound = "1733562000 5 1 123456789 gaps", kIntact = kFound + " tail 0 overflow 0";

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
    EXPECT_EQ(Load(path), std::tuple(kIntact, Rows(samples, 5000)));

    // A recovered recording that goes on starts a new journal holding what it already has, beside the
    // old one and then replacing it: when the new file cannot be made, the old journal is still whole.
    std::filesystem::create_directory(path + ".new");
    RecordingJournal again;
    EXPECT_FALSE(again.Start(path, kHeader, samples.data(), 4000));
    EXPECT_TRUE(std::filesystem::remove(path + ".new")); // only the folder in its way
    EXPECT_EQ(Load(path), std::tuple(kIntact, Rows(samples, 5000)));
    ASSERT_TRUE(again.Start(path, kHeader, samples.data(), 5000));
    auto all = MakeSamples(5010);
    for (std::size_t i = 5000; i < all.size(); ++i)
        again.Append(all[i]);
    again.Close();
    EXPECT_FALSE(std::filesystem::exists(path + ".new"));
    EXPECT_EQ(Load(path), std::tuple(kIntact, Rows(all, 5010)));
    // The reader never returns more than the buffer holds, and says how many it left out.
    EXPECT_EQ(Load(path, 4100), std::tuple(kFound + " tail 0 overflow 910 damaged", Rows(all, 4100)));
    again.Remove();
    EXPECT_FALSE(std::filesystem::exists(path));
}

// The checksum of a header whose bytes were changed on purpose, as the file stores it.
std::string HeaderCrc(const std::string& bytes)
{
    uint32_t crc = ~0u; // CRC-32, bit by bit, low bit first
    for (std::size_t bit = 0; bit < 60 * 8; ++bit)
        crc = (crc ^ static_cast<unsigned char>(bytes[bit / 8]) >> bit % 8) & 1 ? 0xEDB88320u ^ crc >> 1
                                                                                : crc >> 1;
    return {static_cast<char>(~crc), static_cast<char>(~crc >> 8), static_cast<char>(~crc >> 16),
            static_cast<char>(~crc >> 24)};
}

// Four blocks of 10 samples each behind the 64-byte header; a block is 16 bytes and 8 a sample. Then
// files that are no journal or whose header is damaged.
TEST_F(JournalFile, ACutAnywhereKeepsEveryWholeBlockADamagedBlockBecomesAGapAndADamagedHeaderIsRefused)
{
    const auto samples = MakeSamples(40);
    const std::string whole = WriteJournal(path, samples, 10);
    constexpr std::size_t kBlock = 16 + 10 * 8;
    for (std::size_t cut = 64; cut <= whole.size(); ++cut) {
        WriteFileBytes(path, whole.substr(0, cut));
        const std::size_t blocks = (cut - 64) / kBlock, tail = cut - 64 - blocks * kBlock;
        EXPECT_EQ(Load(path), std::tuple(kFound + " tail " + std::to_string(tail) + " overflow 0" +
                                             (tail > 0 ? " damaged" : ""),
                                         Rows(samples, blocks * 10)))
            << cut;
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
        EXPECT_EQ(Load(path), std::tuple(kFound + " 10+10 tail 0 overflow 0 damaged", Rows(gapped, 40)))
            << offset;
    }

    const std::string header = WriteJournal(dir.File("ok.rmj"), {}, 1);
    ASSERT_EQ(std::pair(header.size(), std::get<0>(Load(dir.File("ok.rmj")))),
              std::pair(std::size_t{64}, kIntact));
    // The interval under the header's checksum: unreadable as a whole rather than misread.
    const std::tuple<const char*, std::string, JournalError> rows[] = {
        {"empty", "", JournalError::NotAJournal},
        {"text", std::string(200, 'x'), JournalError::NotAJournal},
        {"checksum", header.substr(0, 20) + '\x07' + header.substr(21), JournalError::NotAJournal},
        {"newer version", header.substr(0, 8) + 'c' + header.substr(9), JournalError::NewerVersion}};
    for (const auto& [name, bytes, expected] : rows) {
        WriteFileBytes(dir.File("bad.rmj"), bytes);
        JournalError error = JournalError::None;
        EXPECT_EQ((std::pair{LoadJournal(dir.File("bad.rmj"), kMaxSamples, &error).has_value(), error}),
                  std::pair(false, expected))
            << name;
    }

    // Intact but out of range (a start in the year 71000, an interval of -0.1 s, unit 77): the
    // samples are kept, the values are not taken, and the journal counts as damaged.
    RecordingJournal hostile;
    ASSERT_TRUE(hostile.Start(dir.File("hostile.rmj"), JournalHeader{2192504680100, -1, false, 1},
                              samples.data(), 3));
    hostile.Close();
    std::string bytes = ReadFileBytes(dir.File("hostile.rmj"));
    bytes[24] = 77;
    WriteFileBytes(dir.File("hostile.rmj"), bytes.substr(0, 60) + HeaderCrc(bytes) + bytes.substr(64));
    JournalContents repaired = LoadJournal(dir.File("hostile.rmj")).value();
    EXPECT_LT(std::abs(repaired.header.startTime - std::time(nullptr)), 3600); // the file's time
    repaired.header.startTime = 0; // and the first sample's interval
    EXPECT_EQ(std::tuple(repaired.headerRepaired, Summary(repaired), Rows(repaired.samples, 9)),
              std::tuple(true, "0 5 0 1 gaps tail 0 overflow 0 damaged", Rows(samples, 3)));
}

TEST(JournalPath, DefaultFollowsTheStateFolderAndKeepsInstallationsApart)
{
    setenv("XDG_STATE_HOME", "/var/tmp/state", 1);
    const std::string a = DefaultJournalPath("/opt/a/rm42meter.ini");
    EXPECT_TRUE(a.starts_with("/var/tmp/state/rm42meter/recording-") &&
                a != DefaultJournalPath("/opt/b/rm42meter.ini") &&
                a == DefaultJournalPath("/opt/a/rm42meter.ini"))
        << a;
    setenv("XDG_STATE_HOME", "relative/not/allowed", 1), setenv("HOME", "/home/user", 1);
    EXPECT_EQ(DefaultJournalPath("/x.ini").rfind("/home/user/.local/state/rm42meter/", 0), 0u);
    unsetenv("XDG_STATE_HOME");
}

namespace fs = std::filesystem;

// The recorder against the simulated thermometer, its journal in the test's folder.
class CaptureJournalTest : public SimRecorderRig {
protected:
    void SetUp() override
    {
        app.deviceSerial = 4711, app.journalPath = dir.File("state/journal.rmj");
        Start(SimConfig{});
    }
    // Runs (or goes on running) until the recorder holds count samples, then pauses; the journal on disk
    // holds exactly the recorder's samples.
    void RecordUntil(int32_t count, int32_t interval = 1)
    {
        ASSERT_TRUE(recorder->State() == CaptureState::Recording ||
                    recorder->StartCapture(interval) == CaptureRecorder::StartResult::Started)
            << ui.StatusText();
        TickUntil(count);
        ASSERT_EQ(recorder->StopCapture(), CaptureRecorder::StopResult::Stopped);
        const JournalContents journal = LoadJournal(app.journalPath).value();
        EXPECT_EQ(std::pair(journal.header.deviceSerial, Rows(journal.samples, kMaxSamples)),
                  std::pair(4711u, SampleRows(recorder->Samples(), std::size_t(recorder->SampleCount()))));
    }
};

TEST_F(CaptureJournalTest, PauseContinueSaveDeleteAndQuitKeepTheJournalInStep)
{
    ASSERT_EQ(recorder->StartCapture(1), CaptureRecorder::StartResult::Started);
    TickUntil(3);
    recorder->RecordingSaved(); // saved while running: what follows is not saved yet
    RecordUntil(5);
    EXPECT_EQ(LoadJournal(app.journalPath)->header.startTime, recorder->Snapshot().recordStart);
    RecordUntil(8, 2); // continued: the same journal grows

    // Saved while paused: gone; continuing starts a new journal that holds the whole recording.
    recorder->RecordingSaved();
    EXPECT_FALSE(fs::exists(app.journalPath));
    RecordUntil(9);

    ui.answers = {MsgAnswer::Cancel, MsgAnswer::Ok};
    for (const bool deleted : {false, true}) // the user first keeps the recording
        EXPECT_EQ((std::pair{recorder->DeleteRecording(), fs::exists(app.journalPath)}),
                  std::pair(deleted, !deleted));

    // Quitting with the user's consent ends the recording and its journal.
    ASSERT_EQ(recorder->StartCapture(1), CaptureRecorder::StartResult::Started);
    TickUntil(2);
    recorder->Close(); // the thermometer told to stop streaming
    EXPECT_EQ(std::tuple(recorder->State(), sim->Register(0), fs::exists(app.journalPath)),
              std::tuple(CaptureState::Paused, 0xFC04, false));
}

// A recovered recording, made by hand: missing values, two intervals, values beyond the clamp.
JournalContents Recovered()
{
    JournalContents contents;
    contents.header = JournalHeader{LocalTime(2024, 12, 7, 9, 5, 3), 5, true, 4711};
    const double temps[] = {20.0, 650.0, 25.0, -45.0, 30.0, 0.0};
    for (int i = 0; i < 6; ++i)
        contents.samples.push_back(CaptureSample{i < 5 ? K10(temps[i]) : kNoData, K10(22.0), i < 3 ? 5 : 10});
    return contents;
}

TEST_F(CaptureJournalTest, ARecoveredRecordingIsPausedWithItsFiguresAndGoesOnIntoANewJournal)
{
    EXPECT_FALSE(recorder->LoadRecovered(JournalContents{})); // nothing to load
    ASSERT_TRUE(recorder->LoadRecovered(Recovered()));
    EXPECT_EQ(std::pair(recorder->State(), ui.StatusText()), std::pair(CaptureState::Paused, Text(244)));
    const RecordingSnapshot snap = recorder->Snapshot();
    EXPECT_EQ(std::tuple(snap.sampleCount, snap.tickCount, snap.recordMax, snap.recordMin, snap.recordStart,
                         snap.fahrenheit, recorder->IntervalTicks()),
              std::tuple(6, 3 * 5 + 3 * 10, 600.0, -30.0, LocalTime(2024, 12, 7, 9, 5, 3), true, 10));
    RecordUntil(9);
    EXPECT_EQ(std::pair(recorder->Samples()[5].temp, recorder->Samples()[8].interval), std::pair(kNoData, 1));
}

TEST_F(CaptureJournalTest, TheStartUpOfferLoadsRemovesOrKeepsTheJournalAndAnUnwritableOneNeverStopsARecording)
{
    const JournalContents contents = Recovered();
    const std::string path = app.journalPath, damagedAs = DamagedJournalName(path),
                      unreadableAs = dir.File("state/journal-unreadable.rmj");
    const std::string
        question = "保存されていない記録が残っています（6件、2024/12/07 09:05:03開始）。読み込みますか？",
        gap = FormatLangString(app, 322, {"5"}), empty = FormatLangString(app, 326, {path}),
        emptyDamaged = FormatLangString(app, 327, {path, damagedAs});
    // The samples written to the journal (-1: no file, -2: a file that is no journal), whether bytes of a
    // block cut short follow them, the answer, what the one message holds (none: no message), where the
    // file is afterwards (empty: nowhere).
    const std::tuple<const char*, int, bool, MsgAnswer, std::vector<std::string>, std::string> rows[] = {
        {"yes", 6, false, MsgAnswer::Yes, {question}, path},
        {"no", 6, false, MsgAnswer::No, {question}, ""},
        {"damaged, yes", 6, true, MsgAnswer::Yes, {damagedAs, gap}, damagedAs},
        {"damaged, no: never deleted", 6, true, MsgAnswer::No, {damagedAs, gap}, damagedAs},
        {"empty journal", 0, false, MsgAnswer::Yes, {empty}, ""},
        {"damaged without a sample", 0, true, MsgAnswer::Yes, {emptyDamaged}, damagedAs},
        {"no journal", -1, false, MsgAnswer::Yes, {}, ""},
        {"not a journal", -2, false, MsgAnswer::Yes, {unreadableAs}, unreadableAs},
    };
    for (const auto& [name, samples, tornTail, answer, says, keptAs] : rows) {
        SCOPED_TRACE(name);
        for (const std::string& file : {path, damagedAs, unreadableAs})
            fs::remove(file);
        RecordingJournal journal;
        ASSERT_TRUE(samples < 0 || journal.Start(path, contents.header, contents.samples.data(), samples));
        journal.Close();
        if (tornTail) WriteFileBytes(path, ReadFileBytes(path) + "RBLK\x06");
        if (samples == -2) WriteFileBytes(path, "RM42JRN1 but nothing else");
        recorder = std::make_unique<CaptureRecorder>(app);
        ui.boxes.clear(), ui.answers = {answer};
        const bool loaded = samples > 0 && answer == MsgAnswer::Yes;
        EXPECT_EQ(OfferRecoveredJournal(app, *recorder), loaded);
        ASSERT_EQ(ui.boxes.size(), says.empty() ? 0u : 1u);
        for (const std::string& part : says)
            EXPECT_NE(ui.boxes[0].text.find(part), std::string::npos) << part << " in " << ui.boxes[0].text;
        EXPECT_EQ(std::pair(recorder->State(), recorder->SampleCount()),
                  loaded ? std::pair(CaptureState::Paused, 6) : std::pair(CaptureState::Ready, 0));
        for (const std::string& file : {path, damagedAs, unreadableAs})
            EXPECT_EQ(fs::exists(file), file == keptAs) << file;
    }

    // A journal that cannot be written never stops the recording.
    Start(SimConfig{}), ui = FakeUserInterface{};
    WriteFileBytes(dir.File("plain"), "not a folder");
    app.journalPath = dir.File("plain/journal.rmj");
    ASSERT_EQ(recorder->StartCapture(1), CaptureRecorder::StartResult::Started);
    EXPECT_EQ(std::pair(ui.StatusText(), recorder->Journal().Active()), std::pair(Text(298), false));
    TickUntil(5);
    EXPECT_EQ((std::tuple{recorder->SampleCount(), recorder->StopCapture(), ui.BoxTexts()}),
              std::tuple(5, CaptureRecorder::StopResult::Stopped, std::vector<std::string>{}));
}

} // namespace
