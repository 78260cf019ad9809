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

const Texts kRead{"DA", "2F", "14", "9114", "81"};

// The page's controls as plain values, and every change in order.
struct RecordingView final : TeachingView {
    void EnableControls(bool on) override
    {
        enabled = on;
        events.push_back(on ? "enable" : "disable");
    }
    void ShowMeasured(const std::string& text) override { measured = text; }
    void ShowCurrentEmissivity(const std::string& text) override { current = text; }
    void ShowTaughtEmissivity(const std::string& text) override { taught = text; }
    void FocusTeachTemperature(bool selectFirst) override
    {
        events.push_back(selectFirst ? "select" : "focus");
    }
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
        WriteFileBytes(app.iniPath, "[ComPort]\nPort=/dev/ttyRM0\nCommandWait1=0\nCommandWait2=0\n");
        line.Respond("DA", "DAOK");
        line.Respond("2F", "2F0E9400");
        line.Respond("14", "140BA600");
        line.Respond("9114", "911403B600");
        line.Respond("92", "92");
        line.Respond("81", "81");
        ops = std::make_unique<TeachingOperations>(app, view);
    }
    // Every path gives the port back and leaves the controls usable.
    void TearDown() override
    {
        EXPECT_FALSE(line.portOpen);
        EXPECT_EQ(line.closes, static_cast<int>(line.opens.size()));
        EXPECT_TRUE(view.enabled);
    }
    // Reads the standard values, then forgets what the read did.
    void ReadFirst()
    {
        ASSERT_TRUE(ops->ReadCurrentValues());
        line.commands.clear();
        ui.events.clear();
        clock.sleeps.clear();
    }
    int Waits() const { return static_cast<int>(std::count(clock.sleeps.begin(), clock.sleeps.end(), 100u)); }

    RecordingView view;
    std::unique_ptr<TeachingOperations> ops;
};

TEST_F(TeachingTest, ReadShowsTheValuesAndTheStatusLine)
{
    ASSERT_TRUE(ops->ReadCurrentValues());
    EXPECT_EQ(line.commands, kRead);
    EXPECT_EQ(view.measured, "100.0");
    EXPECT_EQ(view.current, "0.95");
    EXPECT_EQ(ui.StatusText(), "373.2(K), 298.2(K), 0.95");
    EXPECT_EQ(view.events, (Texts{"focus", "disable", "enable"}));
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(ui.events.front(), "cursor:1");
    EXPECT_EQ(ui.events.back(), "cursor:0");

    // Below zero the field keeps its width: "%5.1f".
    line.Respond("2F", "2F0A0000");     // 256.0 K
    line.Respond("9114", "911403B500"); // 949 thousandths round to 0.95
    ASSERT_TRUE(ops->ReadCurrentValues());
    EXPECT_EQ(view.measured, "-17.2");
    EXPECT_EQ(view.current, "0.95");
}

TEST_F(TeachingTest, AFailedReadStepKeepsItsPreviousValueAndTheReadGoesOn)
{
    ReadFirst();
    struct Case {
        const char* command;
        const char* reply; // nullptr: silence
    };
    // Refused, garbled, empty and missing replies of each step.
    const Case cases[] = {{"2F", "2FNG"},  {"2F", "2FZZ1200"}, {"14", "14"},
                          {"14", nullptr}, {"9114", "91NG"},   {"81", "81NG"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.command) + " " + (c.reply ? c.reply : "(silence)"));
        const ScriptedAnswer good = line.standing[c.command];
        line.standing.erase(c.command);
        if (c.reply != nullptr) line.RespondOnce(c.command, c.reply);
        line.commands.clear();
        ui.boxes.clear();

        EXPECT_FALSE(ops->ReadCurrentValues());
        EXPECT_EQ(line.commands, kRead) << "every step is tried";
        EXPECT_EQ(ui.BoxTexts(), Texts{"* COMMAND ERROR"}) << "one box per failed step";
        EXPECT_EQ(ui.StatusText(), "373.2(K), 298.2(K), 0.95") << "the previous values after the error";
        EXPECT_EQ(view.measured, "100.0");
        EXPECT_EQ(view.current, "0.95");
        EXPECT_EQ(ops->AmbientK(), 298.2);
        line.standing[c.command] = good;
        line.once.clear();
        // Put the standard reading back for the next case.
        ASSERT_TRUE(ops->ReadCurrentValues());
    }
}

TEST_F(TeachingTest, ReadStopsEarlyWhenThePortOrTheThermometerIsNotThere)
{
    line.failOpens = 1;
    EXPECT_FALSE(ops->ReadCurrentValues());
    EXPECT_TRUE(line.commands.empty());
    EXPECT_EQ(ui.BoxTexts(), Messages({164}));

    ui.boxes.clear();
    line.Respond("DA", "DANG");
    EXPECT_FALSE(ops->ReadCurrentValues());
    EXPECT_EQ(line.commands, Texts{"DA"});
    EXPECT_EQ(ui.BoxTexts(), Messages({115}));
    EXPECT_EQ(view.measured, "-");
}

TEST_F(TeachingTest, TeachingWritesTheComputedEmissivityWaitsAndReadsAgain)
{
    struct Case {
        const char* teachC;
        double emissivity;
        const char* shown;
        const char* write;
    };
    const Case cases[] = {{"110.0", 0.8106, "0.81", "9214032A"},
                          {"90.0", 1.1351, "1.14", "9214046F"},
                          {"120.0", 0.7023, "0.70", "921402BE"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.teachC);
        ReadFirst();
        EXPECT_EQ(ops->RunTeaching(c.teachC), TeachOutcome::Written);
        EXPECT_NEAR(ops->LastTaughtEmissivity(), c.emissivity, 0.00005);
        EXPECT_EQ(view.taught, c.shown);
        Texts expected{"DA", c.write, "81"};
        expected.insert(expected.end(), kRead.begin(), kRead.end());
        EXPECT_EQ(line.commands, expected);
        EXPECT_EQ(Waits(), 30);
        EXPECT_TRUE(ui.boxes.empty());
        EXPECT_EQ(ui.StatusText(), Text(162));
        // The progress box is up before the wait and the read.
        const auto progress = std::find(ui.events.begin(), ui.events.end(), "progress");
        EXPECT_NE(progress, ui.events.end());
        EXPECT_EQ(view.events.back(), "enable");
        view.events.clear();
    }
}

TEST_F(TeachingTest, OutOfRangeTemperaturesAndResultsAreRefusedBeforeAnythingIsSent)
{
    ReadFirst();
    struct Case {
        const char* teachC;
        int message;
        const char* focus;
    };
    // The temperature range is inclusive: -30.0 and 600.0 get as far as the computation, whose
    // results (negative; far below 0.30) are then refused. 25.0 degC is the ambient temperature.
    const Case cases[] = {{"-30.1", 239, "select"}, {"600.1", 239, "select"}, {"nan", 239, "select"},
                          {"1e999", 239, "select"}, {"-30.0", 238, "focus"},  {"600.0", 238, "focus"},
                          {"25.0", 238, "focus"},   {"25.0 C", 238, "focus"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.teachC);
        view.events.clear();
        ui.boxes.clear();
        EXPECT_NE(ops->RunTeaching(c.teachC), TeachOutcome::Written);
        EXPECT_TRUE(line.commands.empty());
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].text, Text(c.message));
        EXPECT_EQ(ui.boxes[0].caption, Text(165));
        EXPECT_EQ(ui.boxes[0].icon, MsgIcon::Exclamation);
        EXPECT_EQ(view.events.at(0), c.focus);
        EXPECT_EQ(view.taught, "-");
    }
}

TEST(TeachingRange, SettableEmissivityIsInclusiveAndRejectsNonNumbers)
{
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<double, bool> cases[] = {{0.3, true},
                                             {1.2, true},
                                             {0.95, true},
                                             {std::nextafter(0.3, 0.0), false},
                                             {std::nextafter(1.2, 2.0), false},
                                             {std::nan(""), false},
                                             {inf, false},
                                             {-inf, false}};
    for (const auto& [emissivity, settable] : cases)
        EXPECT_EQ(IsSettableEmissivity(emissivity), settable) << emissivity;

    // Teaching at exactly the ambient temperature divides by zero.
    const CRadiationModel model;
    const double equal = TaughtEmissivity(model, 298.2, 373.2, 298.2, 0.95, 8.0, 14.0);
    EXPECT_FALSE(std::isfinite(equal));
    EXPECT_FALSE(IsSettableEmissivity(equal));
}

TEST_F(TeachingTest, TeachingThatCannotReachTheThermometerNeitherWaitsNorReadsButARefusedWriteReads)
{
    // The refusal, the commands after DA, the waits, the box.
    const std::tuple<const char*, const char*, Texts, int, int> cases[] = {
        {"DA", "DANG", {}, 0, 115},
        {"9214", "92NG", {"9214032A", "81", "DA", "2F", "14", "9114", "81"}, 30, 0}};
    for (const auto& [command, refusal, after, waits, message] : cases) {
        SCOPED_TRACE(command);
        ReadFirst();
        line.RespondOnce(command, refusal);
        ui.boxes.clear();
        EXPECT_EQ(ops->RunTeaching("110.0"), TeachOutcome::DeviceFailed);
        Texts expected{"DA"};
        expected.insert(expected.end(), after.begin(), after.end());
        EXPECT_EQ(line.commands, expected);
        EXPECT_EQ(Waits(), waits);
        EXPECT_EQ(ui.BoxTexts(), Messages({message}));
        if (message == 115) {
            EXPECT_NE(ui.StatusText(), Text(162));
        }
        EXPECT_EQ(view.taught, "0.81") << "the result is shown before the link is tried";
    }
}

TEST_F(TeachingTest, ReloadWaitTimeOfZeroShowsTheProgressAndReadsAtOnceAndTheIniBandCounts)
{
    for (const char* wait : {"0", "00"}) {
        SCOPED_TRACE(wait);
        WriteFileBytes(app.iniPath,
                       std::string("[ComPort]\nPort=/dev/ttyRM0\nCommandWait1=0\nCommandWait2=0\n"
                                   "[Teaching]\nReloadWaitTime=") +
                           wait + "\n[System]\nWavelengthLower=8.0\nWavelengthUpper=13.995\n");
        ops = std::make_unique<TeachingOperations>(app, view);
        EXPECT_EQ(ops->LambdaUpper(), 13.995);
        ReadFirst();
        EXPECT_EQ(ops->RunTeaching("110.0"), TeachOutcome::Written);
        EXPECT_EQ(Waits(), 0);
        EXPECT_NE(std::find(ui.events.begin(), ui.events.end(), "progress"), ui.events.end());
        EXPECT_EQ(line.commands.size(), 3u + kRead.size());
        // A narrower band gives another result than 8..14.
        const CRadiationModel model;
        EXPECT_EQ(ops->LastTaughtEmissivity(),
                  TaughtEmissivity(model, 298.2, 373.2, 383.2, 0.95, 8.0, 13.995));
    }
}

TEST(TeachingBand, AnUnusableBandIsRefusedBeforeAnythingIsSent)
{
    // Not a number, reversed, empty, negative, and so wide that the fixed step would never end.
    const std::pair<const char*, const char*> bands[] = {{"abc", "14"}, {"14", "8"},    {"8", "8"},
                                                         {"-1", "14"},  {"8", "1e300"}, {"8", "inf"}};
    for (const auto& [lower, upper] : bands) {
        SCOPED_TRACE(std::string(lower) + ".." + upper);
        LineRig rig;
        WriteFileBytes(rig.app.iniPath, std::string("[System]\nWavelengthLower=") + lower +
                                            "\nWavelengthUpper=" + upper + "\n[ComPort]\nPort=/dev/ttyRM0\n");
        RecordingView view;
        TeachingOperations ops(rig.app, view);
        EXPECT_EQ(ops.RunTeaching("110.0"), TeachOutcome::BandRefused);
        EXPECT_TRUE(rig.line.commands.empty());
        EXPECT_EQ(rig.ui.BoxTexts(), rig.Messages({285}));
        EXPECT_TRUE(view.enabled);
    }
    EXPECT_TRUE(IsUsableBand(8.0, 14.0));
    EXPECT_TRUE(IsUsableBand(0.5, 1000.0));
}

TEST_F(TeachingTest, SetWritesTheFieldAsItIsAndReadsAgain)
{
    const std::pair<const char*, const char*> cases[] = {
        {"0.82", "92140334"}, {"1.20", "921404B0"}, {"", "92140000"}, {"0.999", "921403E7"}};
    for (const auto& [text, write] : cases) {
        SCOPED_TRACE(text);
        line.commands.clear();
        EXPECT_TRUE(ops->WriteEmissivity(text));
        Texts expected{"DA", write, "81"};
        expected.insert(expected.end(), kRead.begin(), kRead.end());
        EXPECT_EQ(line.commands, expected);
        EXPECT_EQ(view.events.front(), "disable");
        EXPECT_EQ(view.events.back(), "enable");
        view.events.clear();
    }
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(view.current, "0.95");

    // No port: nothing written, nothing read.
    line.commands.clear();
    line.failOpens = 1;
    EXPECT_FALSE(ops->WriteEmissivity("0.82"));
    EXPECT_TRUE(line.commands.empty());
    EXPECT_EQ(ui.BoxTexts(), Messages({164}));

    // A refused write is reported and the values are still read.
    ui.boxes.clear();
    line.Respond("9214", "92NG");
    EXPECT_FALSE(ops->WriteEmissivity("0.82"));
    EXPECT_EQ(line.commands.size(), 3u + kRead.size());
    EXPECT_EQ(ui.BoxTexts(), Messages({0}));
}

} // namespace
