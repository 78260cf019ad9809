// The recording page against the in-process simulator streaming in real time: REC, PAUSE and
// DELETE and the enabled states, the display unit, the scale and timer controls, the save dialog and
// recordings taken back from their journal. Values, file contents and the timer's rules are the
// recorder's, writers' and timer's own tests.

#include <filesystem>

#include "capture/CCapturePage.h"
#include "device/Clock.h"
#include "support/ChildProcess.h"
#include "ui/GuiTestSupport.h"

class CapturePageTest : public SimPageRig<SteadyClock> {
protected:
    CapturePageTest()
    {
        SimConfig fast;
        fast.streamRateHz = 50.0;
        UseThermometer(fast);
        WriteFileBytes(dir.File("templete_1.html"), ReadFileBytes(RunnableDir() + "templete_1.html"));
    }
    // Writes the INI in the language given and makes the page, shown as the main window shows it.
    void Show(int language)
    {
        page.reset(), app.language = language;
        WriteIni("Langage=" + std::to_string(language));
        page = std::make_unique<CCapturePage>(app, nullptr);
        pageUnderTest = page.get();
        page->show(), page->PageShown();
    }
    QDateTime Now() { return QDateTime::fromSecsSinceEpoch(clock.WallTime()); }
    // REC, PAUSE, DELETE, SAVE, timer box, interval hours, ms combo, Apply.
    std::string Controls() { return Flags("enabled", {1001, 1004, 1003, 1103, 1102, 1106, 1008, 1125}); }

    std::unique_ptr<CCapturePage> page;
};

// REC, PAUSE and DELETE drive the recording and the controls it enables. SAVE hands the recording to
// the format chosen, asks before replacing a file and keeps the recording. Then the check boxes and
// unit buttons, driven any way, change the page.
TEST_F(CapturePageTest, TheButtonsDriveTheRecordingAndTheEnabledControlsAndTheChecksThePage)
{
    Show(0);
    EXPECT_EQ(std::pair(C(1334)->isVisible(), Controls()),
              std::pair(false, std::string("11101110"))); // no unit in Japanese
    Click(1001);
    ASSERT_EQ(page->Recorder().State(), CaptureState::Recording);
    EXPECT_EQ(Controls(), "11000000");
    EXPECT_TRUE(QTest::qWaitFor([&] { return page->Recorder().SampleCount() >= 4; }, 5000));
    EXPECT_EQ(Texts({1105, 1104}), QStringLiteral("25.0|23.0"));
    EXPECT_EQ(page->GraphImage().size(), C(1091)->contentsRect().size()); // the graph frame's client area
    Click(1001);                                                          // REC while recording only beeps
    Click(1004);
    EXPECT_EQ(std::pair(Texts({1105, 1104}), Controls()),
              std::pair(QStringLiteral("---|---"), std::string("11111000")));

    const int32_t count = page->Recorder().SampleCount();
    // SAVE with the report chosen and a name that has another extension, twice: No keeps the old file.
    WriteFileBytes(dir.File("my data.html"), "old");
    boxes.answers = {MsgAnswer::No, MsgAnswer::Yes, MsgAnswer::Ok};
    QString offered;
    for (bool replaced : {false, true}) {
        AnswerFileDialog(QStringLiteral("recordingSaveDialog"), 1, dir.File("my data.csv"), &offered);
        Click(1103);
        EXPECT_EQ(ReadFileBytes(dir.File("my data.html")) != "old", replaced);
    }
    EXPECT_EQ(std::tuple(std::filesystem::exists(dir.File("my_data.jpg")), page->Recorder().State(),
                         page->Recorder().SampleCount(), C(1103)->isEnabled()),
              std::tuple(true, CaptureState::Paused, count, true));
    Click(1003);
    EXPECT_EQ(std::pair(page->Recorder().SampleCount(), Controls()), std::pair(0, std::string("11101110")));
    const std::string replace = "my data.htmlは既に存在します。上書きしますか？";
    EXPECT_EQ(boxes.texts,
              (std::vector<std::string>{replace, replace, "記録したデータを消去してよろしいですか？"}));

    // The English page shows every temperature text in the unit chosen, and the emissivity rounded,
    // not cut; the timer pickers, the manual scales and the interval follow their boxes, and a timer
    // that would start in the past is refused with a box.
    sim->SetRegister(0x14, 937);
    Show(1);
    EXPECT_EQ(Texts({1128}), QStringLiteral("0.94"));
    C<QDateEdit>(1098)->setDate(Now().date().addDays(1)),
        C<QDateEdit>(1100)->setDate(Now().date().addDays(2));
    const CaptureGraph& graph = page->Recorder().Graph();
    const auto fahrenheit = [&] {
        return page->Recorder().Snapshot().fahrenheit && Texts({1121, 1120, 1144}) == "212.0| 32.0|(°F)";
    };
    ExpectStateFollowsControls(page.get(),
                               {{1102, 1102, [&] { return !C(1099)->isEnabled(); }}, // it waits
                                {1334, 1333, fahrenheit},
                                {1122, 1122, [&] { return !graph.tempAuto && C(1125)->isEnabled(); }},
                                {1129, 1129, [&] { return !graph.timeAuto; }},
                                {1119, 1119, [&] { return page->ComputeInterval() == 1; }}});
    C<QDateEdit>(1098)->setDate(Now().date().addDays(-1));
    Click(1102);
    EXPECT_EQ(std::pair(Flags("checked", {1102}), boxes.texts.back()),
              std::pair(std::string("0"), std::string("Invalid Timer value Entered")));
    // Apply hands the manual scale to the graph.
    Click(1122);
    C<QLineEdit>(1123)->setText("80.0"), C<QLineEdit>(1124)->setText("20.0");
    Click(1125);
    EXPECT_EQ(std::pair(graph.yMax, graph.yMin), std::pair(80.0, 20.0));
}

// Recordings a killed run left in its journal, offered once and taken back: the controls show their
// interval (REC goes on at it, not at the controls' 0.5 s) and unit, and the axis and the range
// field cover them all.
TEST_F(CapturePageTest, ARecoveredRecordingShowsItsIntervalAndUnitAndIsDrawnWhole)
{
    // Interval, samples, Fahrenheit, the range field's unit (0 hours, 1 minutes, 2 seconds) and value.
    const std::tuple<int32_t, int32_t, bool, int, const char*> rows[] = {
        {300, 40, false, 1, "32"},              // 12000 ticks on a 19200-tick axis
        {1, kMaxSamples - 10, false, 0, "137"}, // 72 hours: 2^14 times the 30 s start
        {10, 40, true, 2, "60"}};
    app.journalPath = dir.File("state/journal.rmj");
    for (const auto& [interval, count, fahrenheit, unitIndex, range] : rows) {
        SCOPED_TRACE(interval);
        const std::vector<CaptureSample> samples(std::size_t(count), CaptureSample{2982, 2962, interval});
        RecordingJournal journal;
        ASSERT_TRUE(
            journal.Start(app.journalPath, {1733562000, interval, fahrenheit, 4711}, samples.data(), count));
        journal.Close();
        Show(0);
        boxes.texts.clear(), boxes.answers = {MsgAnswer::Yes};
        page->OfferRecoveredRecording();
        page->OfferRecoveredRecording(); // nothing new: no second question
        EXPECT_EQ(std::tuple(boxes.texts.size(), page->Recorder().State(), C<QRadioButton>(1334)->isChecked(),
                             Flags("enabled", {1103, 1106}), page->ComputeInterval(),
                             C<QComboBox>(1009)->currentIndex(), Texts({1130}),
                             page->Recorder().Graph().xRange > int64_t{count} * interval),
                  std::tuple(1u, CaptureState::Paused, fahrenheit, std::string("10"), interval, unitIndex,
                             QString::fromLatin1(range), true));
    }
}
