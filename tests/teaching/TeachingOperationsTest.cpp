#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "support/ScriptedSerialPort.h"
#include "teaching/TeachingOperations.h"

namespace {

using Texts = std::vector<std::string>;

const CRadiationModel kModel;

const Texts kRead{"DA", "2F", "14", "9114", "81"};
const char* const kPort = "[ComPort]\nPort=/dev/ttyRM0\nCommandWait1=0\nCommandWait2=0\n";

const auto Then = [](Texts first, const Texts& more) {
    first.insert(first.end(), more.begin(), more.end());
    return first;
};

// The page's controls as plain values, and every change in order.
struct RecordingView final : TeachingView {
    void EnableControls(bool on) override { events.push_back((enabled = on) ? "enable" : "disable"); }
    void ShowMeasured(const std::string& text) override { measured = text; }
    void ShowCurrentEmissivity(const std::string& text) override { current = text; }
    void ShowTaughtEmissivity(const std::string& text) override { taught = text; }
    void FocusTeachTemperature(bool first) override { events.push_back(first ? "select" : "focus"); }
    void Repaint() override { events.emplace_back("repaint"); }

    bool enabled = true;
    std::string measured = "-", current = "-", taught = "-";
    Texts events;
};

// A thermometer reading 373.2 K (100.0 degC) at an ambient of 298.2 K with emissivity 0.950.
class TeachingTest : public ::testing::Test, public LineRig {
protected:
    void SetUp() override
    {
        // clang-format off
        for (const auto& [command, reply] : {std::pair{"DA", "DAOK"}, {"2F", "2F0E9400"}, {"14", "140BA600"},
                                             {"9114", "911403B600"}, {"92", "92"}, {"81", "81"}})
            line.Respond(command, reply);
        // clang-format on
        Make("");
    }
    void Make(const std::string& iniExtra)
    {
        WriteFileBytes(app.iniPath, kPort + iniExtra);
        ops = std::make_unique<TeachingOperations>(app, view);
    }
    // Every path gives the port back and leaves the controls usable.
    void TearDown() override
    {
        EXPECT_EQ(std::tuple(line.portOpen, line.closes, view.enabled),
                  std::tuple(false, static_cast<int>(line.opens.size()), true));
    }
    // Reads the standard values, then forgets what the read did.
    void ReadFirst()
    {
        ASSERT_TRUE(ops->ReadCurrentValues());
        ui = FakeUserInterface{};
        line.commands.clear(), clock.sleeps.clear(), view.events.clear();
    }
    int Waits() const { return static_cast<int>(std::count(clock.sleeps.begin(), clock.sleeps.end(), 100u)); }

    RecordingView view;
    std::unique_ptr<TeachingOperations> ops;
};

TEST_F(TeachingTest, ReadShowsTheValuesAndTheStatusLineAndAFailedStepKeepsItsPreviousValue)
{
    ASSERT_TRUE(ops->ReadCurrentValues());
    EXPECT_EQ(std::tuple(line.commands, view.events, ui.BoxTexts()),
              std::tuple(kRead, Texts{"focus", "disable", "enable"}, Texts{}));
    EXPECT_EQ(view.measured + " " + view.current + " " + ui.StatusText() + ui.events.front() +
                  ui.events.back(),
              "100.0 0.95 373.2(K), 298.2(K), 0.95cursor:1cursor:0");

    // Below zero the field keeps its width ("%5.1f"); 949 thousandths round to 0.95.
    line.Respond("2F", "2F0A0000"), line.Respond("9114", "911403B500"); // 256.0 K, 949 thousandths
    ASSERT_TRUE(ops->ReadCurrentValues());
    EXPECT_EQ(view.measured + " " + view.current, "-17.2 0.95");
    line.Respond("2F", "2F0E9400"), line.Respond("9114", "911403B600");

    // The step refused ("": the port cannot be opened), its reply (nullptr: silence), what was sent,
    // the message. Every step after a failed one is still tried.
    // clang-format off
    const std::tuple<const char*, const char*, Texts, int> cases[] = {{"", nullptr, {}, 164}, {"DA", "DANG", {"DA"}, 115},
        {"2F", "2FZZ1200", kRead, 0}, {"14", nullptr, kRead, 0}, {"9114", "91NG", kRead, 0}, {"81", "81NG", kRead, 0}};
    // clang-format on
    for (const auto& [command, reply, sent, message] : cases) {
        SCOPED_TRACE(std::string(command) + " " + (reply ? reply : "(silence)"));
        ReadFirst();
        const ScriptedAnswer good = line.standing[command];
        line.standing.erase(command);
        if (reply != nullptr) line.RespondOnce(command, reply);
        line.failOpens = *command ? 0 : 1;
        EXPECT_FALSE(ops->ReadCurrentValues());
        EXPECT_EQ(std::tuple(line.commands, ui.BoxTexts(), view.measured, view.current, ops->AmbientK(),
                             sent == kRead ? ui.StatusText() : ""),
                  std::tuple(sent, Messages({message}), "100.0", "0.95", 298.2,
                             sent == kRead ? "373.2(K), 298.2(K), 0.95" : ""));
        if (*command) line.standing[command] = good;
        line.once.clear();
    }
}

TEST_F(TeachingTest, TeachingWritesTheComputedEmissivityWaitsAndReadsAgain)
{
    // Worked out from the band radiance of the target at the reading, the ambient and the teaching
    // temperature; the emissivity is written in thousandths, cut off. The result is shown before
    // the link is tried; a thermometer that cannot be reached is neither waited for nor read, but
    // after a refused write the values are read again.
    // Teaching degC, the INI after [ComPort], the command refused once (nullptr: none), the emissivity
    // and as shown, the commands, the waits of 100 ms, the message (-1: none).
    const char* const band = "[Teaching]\nReloadWaitTime=0\n[System]\nWavelengthLower=3\nWavelengthUpper=5\n";
    // clang-format off
    const std::tuple<const char*, const char*, const char*, double, const char*, Texts, int, int> cases[] = {
        {"110.0", "", nullptr, 0.8106, "0.81", Then({"DA", "9214032A", "81"}, kRead), 30, -1},
        {"90.0", "", nullptr, 1.1351, "1.14", Then({"DA", "9214046F", "81"}, kRead), 30, -1},
        {"110.0", band, nullptr, 0.7320, "0.73", Then({"DA", "921402DC", "81"}, kRead), 0, -1},
        {"110.0", "", "DA", 0.8106, "0.81", {"DA"}, 0, 115},
        {"110.0", "", "9214", 0.8106, "0.81", Then({"DA", "9214032A", "81"}, kRead), 30, 0}};
    // clang-format on
    for (const auto& [teachC, ini, refused, emissivity, shown, sent, waits, message] : cases) {
        SCOPED_TRACE(std::string(teachC) + " " + ini + (refused ? refused : ""));
        Make(ini);
        ReadFirst();
        if (refused) line.RespondOnce(refused, std::string(refused).substr(0, 2) + "NG");
        EXPECT_EQ(ops->RunTeaching(teachC), refused ? TeachOutcome::DeviceFailed : TeachOutcome::Written);
        EXPECT_NEAR(ops->LastTaughtEmissivity(), emissivity, 0.00005);
        // The progress box is up before the wait and the read, however short the wait.
        EXPECT_EQ(std::tuple(view.taught, line.commands, Waits(), ui.BoxTexts(), ui.StatusText() == Text(162),
                             std::ranges::find(ui.events, "progress") != ui.events.end()),
                  std::tuple(shown, sent, waits, message < 0 ? Texts{} : Messages({message}), message != 115,
                             waits || !refused));
    }
}

TEST_F(TeachingTest, OutOfRangeTemperaturesResultsAndBandsAreRefusedBeforeAnythingIsSent)
{
    // The temperature range is inclusive: -30.0 and 600.0 get as far as the computation, whose
    // results (negative; far below 0.30) are then refused. 25.0 degC is the ambient temperature.
    // A band that is not a number, reversed, empty, negative or so wide that the fixed step would
    // never end is refused too. Teaching degC, WavelengthLower and Upper (nullptr: none), message.
    // clang-format off
    const std::tuple<const char*, const char*, const char*, int> cases[] = {
        {"-30.1", nullptr, nullptr, 239}, {"600.1", nullptr, nullptr, 239}, {"nan", nullptr, nullptr, 239},
        {"-30.0", nullptr, nullptr, 238}, {"600.0", nullptr, nullptr, 238}, {"25.0 C", nullptr, nullptr, 238},
        {"110.0", "abc", "14", 285}, {"110.0", "14", "8", 285}, {"110.0", "8", "8", 285},
        {"110.0", "-1", "14", 285}, {"110.0", "8", "1e300", 285}, {"110.0", "8", "inf", 285}};
    // clang-format on
    for (const auto& [teachC, lower, upper, message] : cases) {
        SCOPED_TRACE(std::string(teachC) + " " + (lower ? lower + std::string("..") + upper : ""));
        Make(lower ? std::string("[System]\nWavelengthLower=") + lower + "\nWavelengthUpper=" + upper + "\n"
                   : "");
        ReadFirst();
        EXPECT_EQ(ops->RunTeaching(teachC), message == 239   ? TeachOutcome::TemperatureRefused
                                            : message == 238 ? TeachOutcome::EmissivityRefused
                                                             : TeachOutcome::BandRefused);
        ASSERT_EQ(
            std::tuple(line.commands, ui.BoxTexts(), ui.boxes[0].caption, ui.boxes[0].icon, view.taught),
            std::tuple(Texts{}, Messages({message}), Text(165), MsgIcon::Exclamation, "-"));
        // A refused temperature selects the field for typing again, a refused result only focuses it.
        EXPECT_TRUE(message == 285 || view.events.at(0) == (message == 239 ? "select" : "focus"));
    }
}

TEST_F(TeachingTest, SetWritesTheFieldAsItIsAndReadsAgain)
{
    // Field, the write sent ("": none), a refusal of it, the box (-1: none). Thousandths are cut
    // off; the values are read again after a refused write too.
    // clang-format off
    const std::tuple<const char*, const char*, const char*, int> cases[] = {{"1.20", "921404B0", nullptr, -1},
        {"", "92140000", nullptr, -1}, {"0.999", "921403E7", nullptr, -1}, {"0.82", "92140334", "92NG", 0}, {"0.82", "", nullptr, 164}};
    // clang-format on
    for (const auto& [text, write, refusal, message] : cases) {
        SCOPED_TRACE(std::string(text) + " " + write);
        ReadFirst();
        line.failOpens = message == 164 ? 1 : 0;
        if (refusal) line.RespondOnce("9214", refusal);
        EXPECT_EQ(ops->WriteEmissivity(text), message < 0);
        EXPECT_EQ(std::tuple(line.commands, ui.BoxTexts(), view.current),
                  std::tuple(*write ? Then({"DA", write, "81"}, kRead) : Texts{},
                             message < 0 ? Texts{} : Messages({message}), "0.95"));
        EXPECT_TRUE(!*write || view.events.front() + view.events.back() == "disableenable");
    }
}

TEST(RadiationModel, ReferenceValuesBandEdgesAndTheSettableRange)
{
    const std::pair<double, double> cases[] = {{243.2, 60.33},  {298.2, 167.86}, {300.0, 172.56},
                                               {373.2, 429.87}, {383.2, 474.93}, {873.2, 4624.88}};
    for (const auto& [k, exitance] : cases)
        EXPECT_NEAR(kModel.BandExitance(k, 8.0, 14.0), exitance, 0.005) << k << " K";
    // 10 µm at 300 K: 37414.5 / 1e5 / (exp(4.79597) - 1) * 1e4 = 31.1732 W/(m²·µm).
    EXPECT_NEAR(kModel.SpectralExitance(300.0, 10.0), 31.1732, 0.0001);

    // Empty, reversed and ragged bands.
    EXPECT_EQ(kModel.BandExitance(300.0, 14.0, 8.0) + kModel.BandExitance(300.0, 10.0, 10.0), 0.0);
    // A band that is not a whole number of 0.01 um steps stops at the last step inside it.
    EXPECT_NEAR(kModel.BandExitance(300.0, 8.0, 13.995), 172.3225, 0.00005);

    const double inf = std::numeric_limits<double>::infinity();
    // The setting the reading was taken with scales the result: 373.2 K read at 298.2 K with 0.50 set,
    // taught 383.2 K: (429.87 - 167.86) * 0.50 / (474.93 - 167.86) = 0.42663.
    EXPECT_NEAR(TaughtEmissivity(kModel, 298.2, 373.2, 383.2, 0.50, 8.0, 14.0), 0.42663, 0.0001);
    // Teaching at exactly the ambient temperature divides by zero.
    const double equal = TaughtEmissivity(CRadiationModel{}, 298.2, 373.2, 298.2, 0.95, 8.0, 14.0);
    // clang-format off
    const std::pair<double, bool> settable[] = {{0.3, true}, {1.2, true}, {std::nextafter(0.3, 0.0), false},
        {std::nextafter(1.2, 2.0), false}, {std::nan(""), false}, {inf, false}, {-inf, false}, {equal, false}};
    // clang-format on
    for (const auto& [emissivity, yes] : settable)
        EXPECT_EQ(IsSettableEmissivity(emissivity), yes) << emissivity;
    EXPECT_TRUE(IsUsableBand(0.5, 1000.0));
}

} // namespace
