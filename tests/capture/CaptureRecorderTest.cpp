#include "CaptureSimRig.h"
#include "app/Cp932.h"
#include "capture/CaptureTimer.h"

#include <regex>

namespace {

using Texts = std::vector<std::string>;

// The device sequences that fail before a run starts, on a scripted line in virtual time.
class CaptureStartFailureTest : public ::testing::Test, public LineRig {
protected:
    void SetUp() override
    {
        WriteFileBytes(app.iniPath, "[ComPort]\nPort=COM1\nStopBit=0\n");
        app.deviceSerial = 4711; // read at start-up
        for (const char* code : {"DA", "9100", "92", "81"})
            line.Respond(code, code == std::string("9100") ? "9100000000" : code + std::string("OK"));
    }
    CaptureRecorder recorder{app};
};

TEST_F(CaptureStartFailureTest, EachFailureReportsAndLeavesTheLinkClosedAndIsLoggedWithoutTheFailedReply)
{
    app.commLogEnabled = true, line.Respond("9100", "91NG");
    EXPECT_EQ(recorder.StartCapture(5), CaptureRecorder::StartResult::Failed);
    EXPECT_EQ(std::regex_replace(Cp932ToUtf8(ReadFileBytes(dir.File("cmd_log.txt"))),
                                 std::regex("[^\n]* = |\r"), ""),
              "--- 取り込み開始\ncommIO.Open\nDA\nDAOK\n9100\n81\n81OK\n");
    app.commLogEnabled = false;
    for (const auto& row : DataRows("capture/start_failures.txt")) {
        SCOPED_TRACE(row[0]);
        SetUp();
        line.failOpens = row[0] == "-";
        row[1] == "-" ? static_cast<void>(line.standing.erase(row[0])) : line.Respond(row[0], row[1]);
        line.commands.clear();
        ui = FakeUserInterface{};
        EXPECT_EQ(recorder.StartCapture(5), CaptureRecorder::StartResult::Failed);
        EXPECT_EQ(std::tuple(ui.BoxTexts(), line.commands, line.portOpen, recorder.State(),
                             recorder.Device().Words().captureRunning.load()),
                  std::tuple(Messages({std::stoi(row[2])}), Texts(row.begin() + 3, row.end()), false,
                             CaptureState::Ready, 0));
    }
    // The fault matrix fails every transaction of the alarm read; a port that will not open is this.
    line.failOpens = 1, ui = FakeUserInterface{};
    EXPECT_EQ((std::pair{recorder.ReadAlarmSettings(), ui.BoxTexts()}), std::pair(false, Texts{Text(114)}));
}

// Whole runs against the simulated thermometer in real time, with its receive thread.
class CaptureSimTest : public SimRecorderRig {};

TEST_F(CaptureSimTest, RecAndPauseSwitchTheReceiveOutputsAStartWithoutLinesIsUndoneAFullBufferPauses)
{
    // The INI's keys and STATUS0 while recording; the room temperature is decoded whatever they say.
    const std::pair<std::string, uint16_t> rows[] = {
        {"", 0xFCC4}, {"TempReceive=Yes\nRoomTempReceive=yes\n", 0xFC44}, {"RoomTempReceive=No\n", 0xFC44}};
    for (const auto& [keys, recording] : rows) {
        SCOPED_TRACE(keys);
        Start(SimConfig{}, keys); // 25.0 degC, room 23.0 degC
        ASSERT_EQ(recorder->StartCapture(1), CaptureRecorder::StartResult::Started);
        EXPECT_EQ(std::tuple(sim->Register(0), ui.StatusText(), recorder->State()),
                  std::tuple(recording, Text(243), CaptureState::Recording));
        TickUntil(5);
        EXPECT_EQ(std::tuple(recorder->SampleCount(), std::lround(recorder->Data().CurrentTemp() * 10),
                             std::lround(recorder->Data().CurrentRoomTemp() * 10)),
                  std::tuple(5, 250L, 230L));

        const std::size_t before = sim->ReceivedCommands().size();
        EXPECT_EQ((std::tuple{recorder->StopCapture(), CommandsSince(before), sim->Register(0),
                              ui.StatusText(), recorder->State(), ui.BoxTexts()}),
                  std::tuple(CaptureRecorder::StopResult::Stopped, Texts{"DA", "9100", "9200FC04", "81"},
                             0xFC04, Text(244), CaptureState::Paused, Texts{}));
        EXPECT_EQ((std::pair{std::lround(recorder->Snapshot().average * 10), recorder->StopCapture()}),
                  std::pair(250L, CaptureRecorder::StopResult::NotRecording));
    }

    // Nothing would ever be sampled: refused at once, naming the setting, the thermometer untold.
    Start(SimConfig{}, "TempReceive=No\n");
    EXPECT_EQ(recorder->StartCapture(5), CaptureRecorder::StartResult::Failed);
    EXPECT_EQ(std::pair(ui.BoxTexts(), sim->ReceivedCommands()), std::pair(Texts{Text(303)}, Texts{}));
    ui = FakeUserInterface{};

    SimConfig slow;
    slow.streamRateHz = 2.0; // fewer than ten lines in three seconds
    Start(slow);
    const auto began = std::chrono::steady_clock::now();
    EXPECT_EQ(recorder->StartCapture(5), CaptureRecorder::StartResult::Failed);
    const auto took = (std::chrono::steady_clock::now() - began) / std::chrono::milliseconds(1);
    EXPECT_TRUE(took >= 3000 && took < 4500) << took;
    // The output bits set for the run are cleared again, the thermometer out of check mode.
    EXPECT_EQ(
        std::tuple(ui.BoxTexts(), ui.StatusText(), recorder->State(), sim->Register(0), sim->InCheckMode()),
        std::tuple(Texts{Text(119)}, Text(119), CaptureState::Ready, 0xFC04, false));
    EXPECT_FALSE(recorder->Device().Link().IsOpen() || recorder->Device().Words().captureRunning.load());

    // A full buffer pauses the recording.
    options.capacity = 4;
    Start(SimConfig{});
    ASSERT_EQ(recorder->StartCapture(1), CaptureRecorder::StartResult::Started);
    TickUntil(4);
    recorder->Tick(); // paused: nothing more is taken
    EXPECT_EQ(std::tuple(sim->Register(0), ui.StatusText(), recorder->State(), recorder->SampleCount()),
              std::tuple(0xFC04, Text(263), CaptureState::Paused, 4));
}

// A thermometer that falls silent is looked for and taken back; one switched off cannot be told PAUSE, which
// says so quickly and keeps the samples.
TEST_F(CaptureSimTest, AThermometerThatFallsSilentIsTakenBackAndOneSwitchedOffFailsPauseKeepingTheSamples)
{
    Start(SimConfig{});
    ASSERT_EQ(recorder->StartCapture(1), CaptureRecorder::StartResult::Started);
    // Without the start-up check REC learns the number in a session before its start sequence.
    const Texts sequence = {"DA", "9130", "9131", "81", "DA", "9100", "9200FCC4", "81"};
    EXPECT_EQ(std::pair(app.deviceSerial, CommandsSince(0)), std::pair(SimConfig{}.serial, sequence));
    TickUntil(3);
    // Someone cleared the output bits on the thermometer: it still answers but streams nothing.
    const std::size_t before = sim->ReceivedCommands().size();
    sim->SetRegister(0, 0xFC04);
    const auto silent = std::chrono::steady_clock::now();
    for (const bool searching : {false, true}) {
        while (recorder->Reconnecting() == searching &&
               std::chrono::steady_clock::now() < silent + std::chrono::seconds(10)) {
            recorder->Tick();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ASSERT_NE(recorder->Reconnecting(), searching) << ui.StatusText();
        // Counted from the last line, which came a stream period at most before the bits were cleared.
        EXPECT_TRUE(searching || std::chrono::steady_clock::now() - silent >=
                                     std::chrono::milliseconds(ReconnectSearch::kSilenceMs - 100));
    }
    // Asked for its number, then given the start sequence again.
    EXPECT_EQ(std::pair(CommandsSince(before), sim->Register(0)), std::pair(sequence, uint16_t{0xFCC4}));
    const int32_t resumed = recorder->SampleCount();
    TickUntil(resumed + 3);
    EXPECT_EQ(std::pair(recorder->SampleCount(), ui.BoxTexts()), std::pair(resumed + 3, Texts{}));

    sim->SetPowered(false);
    const auto began = std::chrono::steady_clock::now();
    EXPECT_EQ(
        (std::tuple{recorder->StopCapture(),
                    std::chrono::steady_clock::now() - began < std::chrono::milliseconds(1500), ui.BoxTexts(),
                    recorder->State(), recorder->Device().Link().IsOpen(), recorder->SampleCount()}),
        std::tuple(CaptureRecorder::StopResult::Failed, true, Texts{Text(115)}, CaptureState::Paused, false,
                   resumed + 3));
}

TEST(StreamLines, FramedAtLineEndsAndDecodedInOrder)
{
    ReceiveWords words;
    LineFramer framer;
    std::string lines; // each line framed, its first 16 characters
    // Bytes as they arrive and the temperatures decoded from the newest whole line after them.
    const std::tuple<std::string, int, int> rows[] = {
        {"2F0BA6000000", kNoData, kNoData}, // a line split over two reads counts once, when its end arrives
        {"0B92\r\n2F0C", 0x0BA6, 0x0B92},
        {"000000000B92\r\n", 0x0C00, 0x0B92}, // completes the fragment left above
        {"NG\r\n", kNoData, kNoData},
        {"2F0BA6000000\r\n", kNoData, kNoData},             // too short for the room temperature
        {"140BA6\r\n2F0BB00000000B90\r\n", 0x0BB0, 0x0B90}, // the newest line wins
        {"2F0BB00000000B90\r\n14" + std::string(2000, 'A') + "\r\n", kNoData, kNoData},
    };
    for (const auto& [bytes, temp, room] : rows) {
        framer.Feed(bytes, [&](std::string_view line) {
            lines += std::string(line.substr(0, 16)) + "|";
            TakeStreamLine(line, words);
        });
        EXPECT_EQ((std::pair<int, int>(words.latestTemp.load(), words.latestRoomTemp.load())),
                  std::pair(temp, room))
            << bytes.substr(0, 20);
    }
    EXPECT_EQ(lines,
              "2F0BA60000000B92|2F0C000000000B92|NG|2F0BA6000000|140BA6|2F0BB00000000B90|2F0BB00000000B90||");
}

TEST(CaptureControls, IntervalsCountTicksNoBufferDisablesRecAndAWaitingTimerLocksItsPickersAndTheTabs)
{
    for (const auto& r : DataRows("capture/intervals.txt")) {
        const int32_t ticks = std::stoi(r[5]);
        EXPECT_EQ(ComputeInterval(
                      {std::stoi(r[0]), std::stoi(r[1]), std::stoi(r[2]), r[3] == "1", std::stoi(r[4])}),
                  ticks);
        // A recovered recording's interval put back into the controls gives the same ticks.
        EXPECT_EQ(ComputeInterval(IntervalSettingOf(ticks)), ticks) << ticks;
    }
    // The page test drives the three states; what it cannot reach: no buffer and a waiting timer.
    const auto some = [](const CaptureControls& c) {
        return std::vector<bool>{c.rec, c.interval, c.timerBox, c.timerPickers, c.tabs};
    };
    EXPECT_EQ(std::tuple(some(ControlsFor(CaptureState::Ready, false, false)),
                         some(ControlsFor(CaptureState::Ready, true, true)),
                         ControlsFor(CaptureState::Recording, true, false).tabs,
                         ControlsFor(CaptureState::Ready, true, false).statusId),
              std::tuple(std::vector<bool>{0, 1, 1, 1, 1}, std::vector<bool>{1, 1, 1, 0, 0}, false, 245));
}

// Runs n ticks with the same received values; for each tick whether it took a sample and whether the
// REC icon then shows: S taken and shown, s taken and hidden, | shown, . hidden.
std::string Ticks(Recording& recording, int n, uint16_t temp, uint16_t room = K10(23.0))
{
    std::string ticks;
    for (int i = 0; i < n; ++i)
        ticks += "|.Ss"[2 * recording.SampleTick(temp, room).taken + !recording.RecIconShown()];
    return ticks;
}

// The icon blinks once a second while the data are valid; missing data restart the interval count and
// freeze the icon where it was; extremes are clamped, the stored samples and the average not; a full
// buffer is never written beyond.
TEST(Recording, TicksTakeSamplesAtTheIntervalAndKeepTheFigures)
{
    Recording recording;
    EXPECT_EQ((std::tuple{recording.PrepareRun(5), Ticks(recording, 11, K10(25.0))}),
              std::tuple(false, "S|||.s....S"));
    EXPECT_EQ(SampleRows(recording.Samples(), 3), std::vector<SampleRow>(3, {K10(25.0), K10(23.0), 5}));

    // Nothing held yet: a new recording; then continued: the samples and the running time go on.
    EXPECT_EQ((std::tuple{recording.PrepareRun(1), Ticks(recording, 3, K10(25.0))}),
              std::tuple(false, "SSS"));
    recording.EndRun();
    EXPECT_EQ((std::tuple{recording.State(), recording.PrepareRun(2), Ticks(recording, 3, K10(25.0)),
                          recording.SampleCount(), recording.TickCount()}),
              std::tuple(CaptureState::Paused, true, "S|S", 5, int64_t{6}));

    recording = Recording(), recording.PrepareRun(5);
    EXPECT_EQ(Ticks(recording, 3, K10(25.0)), "S||");
    for (auto [temp, room] : {std::pair{kNoData, K10(23.0)}, std::pair{K10(25.0), kNoData}})
        EXPECT_EQ((std::tuple{Ticks(recording, 4, temp, room), recording.LastDataInvalid()}),
                  std::tuple("||||", true));
    // A full interval after the data are valid again, not the remainder of the old count.
    EXPECT_EQ(
        (std::tuple{Ticks(recording, 10, K10(30.0)), recording.LastDataInvalid(), recording.SampleCount()}),
        std::tuple("|...s..||S", false, 3));

    recording = Recording(3), recording.PrepareRun(1);
    for (double c : {650.0, 20.0, -40.0})
        EXPECT_NEAR((Ticks(recording, 1, K10(c)), recording.CurrentTemp()), c, 0.051);
    EXPECT_EQ((std::tuple{Ticks(recording, 1, K10(25.0)), recording.Full(), recording.GapTick(),
                          recording.SampleCount(), recording.Samples()[0].temp, recording.Samples()[2].temp}),
              std::tuple("S", true, false, 3, K10(650), K10(-40)));
    const RecordingFigures figures = (recording.EndRun(), recording.Figures());
    EXPECT_EQ(std::tuple(figures.recordMax, figures.recordMin, std::lround(figures.average * 1000)),
              std::tuple(600.0, -30.0, 210'000L));
}

TEST(CaptureTimer, StartsThreeSecondsEarlyFiresOnceAndStopsOnAWholeSecondTickAfterTheEnd)
{
    const std::time_t t0 = LocalTime(2026, 3, 2, 10, 0, 0);
    const char* const kStates[] = {"NotSet", "Waiting", "Running"};
    CaptureTimer timer;
    for (const auto& row : DataRows("capture/timer_steps.txt")) {
        const std::time_t now = t0 + std::stoll(row[1]);
        const int value = std::stoi(row[2]);
        const bool r = row[0] == "a"   ? timer.Arm(t0, t0 + value, now)
                       : row[0] == "s" ? timer.CheckStart(now)
                       : row[0] == "e" ? timer.CheckEnd(now, value)
                                       : (timer.Cancel(), true);
        EXPECT_EQ(std::to_string(r) + " " + kStates[static_cast<int>(timer.GetState())],
                  row[3] + " " + row[4])
            << row[0] << row[1] << " " << value;
    }
    EXPECT_EQ(std::pair(timer.StartAt(), timer.EndAt()), std::pair(t0 - 3, t0 + 300));
}

} // namespace
