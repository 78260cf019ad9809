// A recording through the real serial port code against rm42-sim on a pseudo-terminal, with the
// cable pulled in the middle: the receive thread and the page's timer run side by side (the
// thread sanitizer build runs this too).

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "app/AppState.h"
#include "capture/CaptureRecorder.h"
#include "capture/RecordingWriters.h"
#include "device/Clock.h"
#include "device/SerialPort.h"
#include "support/ChildProcess.h"
#include "support/FakeUserInterface.h"
#include "support/TestSupport.h"

namespace {

using SteadyTime = std::chrono::steady_clock;

class RecordingUnplug : public ::testing::Test {
protected:
    void SetUp() override
    {
        app.iniPath = dir.File("rm42meter.ini");
        app.exeDir = dir.Path();
        app.ui = &ui;
        app.clock = &clock;
        app.ports = ports.get();
        WriteFileBytes(app.iniPath, "[ComPort]\nPort=" + dir.File("sim.tty") +
                                        "\nStopBit=0\nCommandWait1=0\nCommandWait2=0\n[Capture]\n");
    }
    // Ticks as the page's 100 ms timer would, quicker, until count samples are held or 10 s passed.
    void TickUntil(CaptureRecorder& recorder, int32_t count)
    {
        const auto end = SteadyTime::now() + std::chrono::seconds(10);
        while (recorder.SampleCount() < count && SteadyTime::now() < end) {
            recorder.Tick();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    TempDir dir;
    FakeUserInterface ui;
    SteadyClock clock;
    std::unique_ptr<SerialPortFactory> ports = MakeSystemSerialPortFactory();
    AppState app;
};

TEST_F(RecordingUnplug, PulledCableIsReportedKeepsEverySampleAndRecordingGoesOnWhenBack)
{
    SimProcess sim(dir.File("sim.tty"), {"--rate", "50", "--target", "31.5"});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    CaptureRecorder recorder(app);
    recorder.ReadSettings();
    ASSERT_EQ(recorder.StartCapture(1), CaptureRecorder::StartResult::Started)
        << ::testing::PrintToString(ui.BoxTexts());
    TickUntil(recorder, 5);
    ASSERT_GE(recorder.SampleCount(), 5);

    ASSERT_TRUE(sim.Unplug());
    // The timer goes on ticking on a dead line: nothing new is sampled, nothing breaks.
    const auto pulled = SteadyTime::now();
    while (SteadyTime::now() - pulled < std::chrono::milliseconds(300)) {
        recorder.Tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const int32_t taken = recorder.SampleCount();
    const auto stopping = SteadyTime::now();
    EXPECT_EQ(recorder.StopCapture(), CaptureRecorder::StopResult::Failed);
    EXPECT_LT(SteadyTime::now() - stopping, std::chrono::seconds(2)) << "a hang-up is seen at once";
    EXPECT_FALSE(ui.boxes.empty()) << "the pulled cable went unreported";
    EXPECT_EQ(recorder.State(), CaptureState::Paused);
    EXPECT_FALSE(recorder.Link().IsOpen());

    // Every sample taken is kept and can be saved.
    ASSERT_EQ(recorder.SampleCount(), taken);
    const RecordingSnapshot snap = recorder.Snapshot();
    RecordingSaveData save;
    save.samples = snap.samples;
    save.sampleCount = snap.sampleCount;
    save.recordStart = snap.recordStart;
    std::ostringstream csv;
    WriteRecordingCsv(csv, save);
    const std::string text = csv.str();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), taken + 1);
    EXPECT_NE(text.find(",31.5,"), std::string::npos) << text.substr(0, 200);

    // Plugged back in, the same recording goes on.
    ASSERT_TRUE(sim.Replug());
    ui.boxes.clear();
    ASSERT_EQ(recorder.StartCapture(1), CaptureRecorder::StartResult::Started)
        << ::testing::PrintToString(ui.BoxTexts());
    TickUntil(recorder, taken + 3);
    EXPECT_GE(recorder.SampleCount(), taken + 3);
    EXPECT_EQ(recorder.StopCapture(), CaptureRecorder::StopResult::Stopped);
    EXPECT_TRUE(ui.boxes.empty()) << ::testing::PrintToString(ui.BoxTexts());
    EXPECT_EQ(sim.Stop(), 0);
}

} // namespace
