// A recording through the real serial port code against rm42-sim on a pseudo-terminal, with the
// cable pulled in the middle: the receive thread, the search thread and the page's timer run
// side by side (the thread sanitizer build runs this too).

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <thread>

#include "app/IniFile.h"
#include "app/NumberText.h"
#include "capture/CaptureRecorder.h"
#include "device/Status0.h"
#include "support/ChildProcess.h"
#include "support/ScriptedSerialPort.h"

namespace {

using SteadyTime = std::chrono::steady_clock;
using Texts = std::vector<std::string>;
constexpr uint32_t kSerial = 4711;

class RecordingUnplug : public ::testing::Test, public LineRig {
protected:
    void SetUp() override
    {
        app.language = 1, app.clock = &steady, app.ports = ports.get(), app.deviceSerial = kSerial;
        WriteFileBytes(app.iniPath, "[ComPort]\nPort=" + Link() +
                                        "\nStopBit=0\nCommandWait1=0\nCommandWait2=0\n[Capture]\n");
    }
    std::string Link() const { return dir.File("ttyUSB0"); }
    const Texts simArgs = {"--rate", "50", "--target", "31.5", "--serial", std::to_string(kSerial)};
    // Ticks as the page's 100 ms timer would, quicker, until done() or timeout passed.
    void TickUntil(
        CaptureRecorder& recorder, int timeoutMs, const std::function<bool()>& done = [] { return false; })
    {
        const auto end = SteadyTime::now() + std::chrono::milliseconds(timeoutMs);
        while (!done() && SteadyTime::now() < end) {
            recorder.Tick();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    int32_t Count(CaptureRecorder& recorder) { return recorder.SampleCount(); }

    SteadyClock steady;
    std::unique_ptr<SerialPortFactory> ports = MakeSystemSerialPortFactory();
};

// PAUSE while the search runs, and right after the pull before a tick saw it; then ("no", "yes")
// another thermometer sits on the configured port ("no" only) and the same adapter comes back as
// ttyUSB1: only its stable name leads there.
TEST_F(RecordingUnplug, PauseEndsTheSearchQuietlyAndTheAdapterIsFoundByItsStableNameNotAnotherThermometer)
{
    namespace fs = std::filesystem;
    const std::string byId = dir.File("by-id"), stable = byId + "/usb-Test_Adapter_A1-if00-port0";
    fs::create_directory(byId);
    for (const std::string row : {"searching", "before a tick", "no", "yes"}) {
        SCOPED_TRACE(row);
        ui.boxes.clear(), fs::remove(stable), fs::create_symlink(Link(), stable);
        SimProcess sim(Link(), simArgs);
        CaptureRecorder recorder(app, {.serialByIdDir = byId});
        // Five samples from the simulator, then its cable pulled.
        ASSERT_TRUE(sim.Ready()) << sim.Error();
        recorder.ReadSettings();
        ASSERT_EQ(recorder.StartCapture(1), CaptureRecorder::StartResult::Started) << ui.StatusText();
        TickUntil(recorder, 10000, [&] { return Count(recorder) >= 5; });
        ASSERT_TRUE(Count(recorder) >= 5 && sim.Unplug());
        if (row == "before a tick") {
            const auto end = SteadyTime::now() + std::chrono::seconds(2);
            while (recorder.Device().Words().linkFailed.load() == 0 && SteadyTime::now() < end)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            ASSERT_EQ(recorder.Device().Words().linkFailed.load(), 1);
        } else {
            TickUntil(recorder, 2000, [&] { return recorder.Reconnecting(); });
            ASSERT_TRUE(recorder.Reconnecting()) << "a hang-up is seen at once";
            EXPECT_EQ(ui.StatusText(), FormatLangString(app, 299, {FormatSerialText(kSerial)}));
        }
        if (row == "searching") {
            TickUntil(recorder, 2500); // a round or two of the search
            // The time without the thermometer is recorded as missing samples.
            EXPECT_EQ(recorder.Samples()[Count(recorder) - 1].temp, kNoData);
        }
        if (row == "searching" || row == "before a tick") {
            const int32_t taken = Count(recorder);
            const auto stopping = SteadyTime::now();
            EXPECT_EQ(recorder.StopCapture(), CaptureRecorder::StopResult::Stopped);
            EXPECT_LT(SteadyTime::now() - stopping, std::chrono::seconds(2));
            // Paused with what it had; the gap does not count in the average.
            EXPECT_EQ(std::tuple(recorder.Reconnecting(), recorder.State(), recorder.Device().Link().IsOpen(),
                                 Count(recorder), std::lround(recorder.Snapshot().average * 10)),
                      std::tuple(false, CaptureState::Paused, false, taken, 315L));
            ASSERT_TRUE(sim.Replug());
            ASSERT_EQ(recorder.StartCapture(1), CaptureRecorder::StartResult::Started);
            TickUntil(recorder, 10000, [&] { return Count(recorder) >= taken + 3; });
            EXPECT_EQ(
                (std::tuple{Count(recorder) >= taken + 3, recorder.StopCapture(), ui.BoxTexts(), sim.Stop()}),
                std::tuple(true, CaptureRecorder::StopResult::Stopped, Texts{}, 0));
            continue;
        }
        const MsgAnswer answer = row == "yes" ? MsgAnswer::Yes : MsgAnswer::No;
        fs::remove(stable), fs::create_symlink(dir.File("ttyUSB1"), stable);
        if (answer == MsgAnswer::No) {
            const std::string log = dir.File("other.log");
            SimProcess other(Link(), {"--serial", "815", "--log", log});
            ASSERT_TRUE(other.Ready()) << other.Error();
            TickUntil(recorder, 3000);
            EXPECT_EQ(std::tuple(recorder.Reconnecting(), ui.StatusText(), other.Stop()),
                      std::tuple(true,
                                 FormatLangString(app, 301,
                                                  {Link(), FormatSerialText(815), FormatSerialText(kSerial)}),
                                 0));
            // Asked its number and left check mode, its settings untouched.
            const std::string said = ReadFileBytes(log);
            EXPECT_TRUE(said.find("> 9131") != said.npos && said.find("> 92") == said.npos &&
                        said.rfind("> 81") != said.npos)
                << said;
        }

        SimProcess back(dir.File("ttyUSB1"), simArgs);
        ASSERT_TRUE(back.Ready()) << back.Error();
        TickUntil(recorder, 10000, [&] { return !recorder.Reconnecting(); });
        ASSERT_FALSE(recorder.Reconnecting()) << ui.StatusText();
        // Back with the gap's length, which the recording holds as missing samples.
        const auto gap = std::count_if(recorder.Samples(), recorder.Samples() + Count(recorder),
                                       [](const CaptureSample& s) { return s.temp == kNoData; });
        EXPECT_EQ(ui.StatusText(), FormatLangString(app, 300, {stable, FixedText(gap / 10.0, 1)}));
        const int32_t resumed = Count(recorder);
        TickUntil(recorder, 10000, [&] { return Count(recorder) >= resumed + 3; });
        EXPECT_EQ(recorder.Samples()[Count(recorder) - 1].temp, 3047); // 31.5 degC

        // Pausing asks whether the port found is to be kept: no leaves the INI alone.
        ui.answers.push_back(answer), ui.boxes.clear();
        EXPECT_EQ(
            (std::tuple{recorder.StopCapture(), ui.BoxTexts(),
                        IniFile::GetString(app.iniPath, "ComPort", "Port", ""), back.Stop(), sim.Stop()}),
            std::tuple(CaptureRecorder::StopResult::Stopped, Texts{FormatLangString(app, 302, {stable})},
                       answer == MsgAnswer::Yes ? stable : Link(), 0, 0));
    }
}

} // namespace
