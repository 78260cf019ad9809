// The recording page against the in-process simulator streaming in real time: REC, PAUSE and
// DELETE and the enabled states, the display unit, the scale and timer controls, the save dialog and
// recordings taken back from their journal. Values, file contents and the timer's rules are the
// recorder's, writers' and timer's own tests.

#include <filesystem>
#include <regex>

#include "capture/CCapturePage.h"
#include "device/Clock.h"
#include "support/ChildProcess.h"
#include "ui/GuiTestSupport.h"

namespace {

class CapturePageTest : public SimPageRig<SteadyClock> {
protected:
    CapturePageTest()
    {
        SimConfig fast;
        fast.streamRateHz = 50.0;
        UseThermometer(fast);
        for (const char* name : {"templete_1.html", "templete_1(ENG).html"})
            WriteFileBytes(dir.File(name), ReadFileBytes(RunnableDir() + name));
    }
    // Writes the INI in the language given and makes the page, shown as the main window shows it.
    void Show(int language)
    {
        page.reset();
        WriteIni("Langage=" + std::to_string(language));
        app.language = language;
        page = std::make_unique<CCapturePage>(app, nullptr);
        pageUnderTest = page.get();
        page->show();
        page->PageShown();
    }
    QString Text(int id) { return C<QLabel>(id)->text(); }
    QDateTime Now() { return QDateTime::fromSecsSinceEpoch(clock.WallTime()); }
    // SAVE with the dialog answered: the filter (0 CSV, 1 report) and the name typed. Returns the
    // path the dialog proposed.
    std::string Save(int filter, const std::string& name)
    {
        std::string proposed;
        EndModalWhenShown(QStringLiteral("recordingSaveDialog"), true, [&](QDialog& dialog) {
            auto& files = static_cast<QFileDialog&>(dialog);
            proposed = files.selectedFiles().value(0).toStdString();
            files.selectNameFilter(files.nameFilters().value(filter));
            files.selectFile(QString::fromStdString(dir.File(name)));
        });
        Click(1103);
        return proposed;
    }

    std::unique_ptr<CCapturePage> page;
};

// REC, PAUSE and DELETE drive the recording and the controls it enables. SAVE offers a name in the
// desktop folder, hands the recording to the format chosen, asks before replacing a file, shows a
// writer's failure and keeps the recording whatever happens.
TEST_F(CapturePageTest, RecPauseSaveAndDeleteDriveTheRecordingAndTheEnabledControls)
{
    Show(0);
    EXPECT_FALSE(C(1334)->isVisible()) << "no unit choice in Japanese";
    const auto enabled = [&] { // REC, PAUSE, DELETE, SAVE, timer box, interval hours, ms combo, Apply
        std::vector<bool> states;
        for (int id : {1001, 1004, 1003, 1103, 1102, 1106, 1008, 1125})
            states.push_back(C(id)->isEnabled());
        return states;
    };
    const std::vector<bool> ready{true, true, true, false, true, true, true, false};
    EXPECT_EQ(enabled(), ready);
    Click(1001);
    ASSERT_EQ(page->Recorder().State(), CaptureState::Recording);
    EXPECT_EQ(enabled(), (std::vector<bool>{true, true, false, false, false, false, false, false}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return page->Recorder().SampleCount() >= 4; }, 5000));
    EXPECT_EQ(Text(1105) + Text(1104), QStringLiteral("25.023.0"));
    EXPECT_EQ(page->GraphImage().size(), C(1091)->contentsRect().size()); // the graph frame's client area
    Click(1001);                                                          // REC while recording only beeps
    Click(1004);
    EXPECT_EQ(Text(1105) + Text(1104), QStringLiteral("------"));
    EXPECT_EQ(enabled(), (std::vector<bool>{true, true, true, true, true, false, false, false}));

    const int32_t count = page->Recorder().SampleCount();
    const std::string day = Now().toString(QStringLiteral("yyyyMMdd_")).toStdString();
    EXPECT_TRUE(
        std::regex_match(Save(0, "data.txt"), std::regex(dir.Path() + "機種名未登録-" + day + "[0-9]{6}")));
    WriteFileBytes(dir.File("my data.html"), "old");
    boxes.answers = {MsgAnswer::No, MsgAnswer::Yes, MsgAnswer::Ok, MsgAnswer::Ok};
    Save(1, "my data.csv");
    EXPECT_EQ(ReadFileBytes(dir.File("my data.html")), "old");
    Save(1, "my data.csv");
    for (const char* written : {"data.csv", "my_data.jpg"})
        EXPECT_TRUE(std::filesystem::exists(dir.File(written))) << written;
    EXPECT_NE(ReadFileBytes(dir.File("my data.html")), "old");
    std::filesystem::remove(dir.File("templete_1.html"));
    Save(1, "report.html");
    EXPECT_EQ(std::tuple(page->Recorder().State(), page->Recorder().SampleCount(), C(1103)->isEnabled()),
              std::tuple(CaptureState::Paused, count, true));
    Click(1003);
    EXPECT_EQ(std::pair(page->Recorder().SampleCount(), enabled()), std::pair(0, ready));
    ASSERT_EQ(boxes.shown.size(), 4u);
    EXPECT_EQ(boxes.shown[0].call.text, "my data.htmlは既に存在します。上書きしますか？");
    EXPECT_EQ(boxes.shown[2].call.text,
              "ファイル " + dir.File("templete_1.html") + " を読み込めませんでした");
    EXPECT_EQ(boxes.shown[3].call.text, "記録したデータを消去してよろしいですか？");
}

// The English page shows every temperature text in the unit chosen, and the emissivity rounded,
// not cut; the timer pickers, the manual scales and the interval follow their boxes, and a timer
// that would start in the past is refused with a box.
TEST_F(CapturePageTest, ChecksAndUnitButtonsDrivenAnyWayChangeThePage)
{
    sim->SetRegister(0x14, 937);
    Show(1);
    EXPECT_EQ(Text(1128), QStringLiteral("0.94"));
    C<QDateEdit>(1098)->setDate(Now().date().addDays(1));
    C<QDateEdit>(1100)->setDate(Now().date().addDays(2));
    const CaptureGraph& graph = page->Recorder().Graph();
    const auto fahrenheit = [&] {
        return page->Recorder().Snapshot().fahrenheit &&
               Text(1121) + Text(1120) + Text(1144) == "212.0 32.0(°F)";
    };
    ExpectStateFollowsControls(page.get(),
                               {{1102, 1102, [&] { return !C(1099)->isEnabled(); }}, // it waits
                                {1334, 1333, fahrenheit},
                                {1122, 1122, [&] { return !graph.tempAuto && C(1125)->isEnabled(); }},
                                {1129, 1129, [&] { return !graph.timeAuto; }},
                                {1119, 1119, [&] { return page->ComputeInterval() == 1; }}});
    C<QDateEdit>(1098)->setDate(Now().date().addDays(-1));
    Click(1102);
    EXPECT_FALSE(C<QAbstractButton>(1102)->isChecked());
    EXPECT_EQ(boxes.shown.at(0).call.text, "Invalid Timer value Entered");
    // Apply hands the manual scale to the graph.
    Click(1122);
    C<QLineEdit>(1123)->setText(QStringLiteral("80.0")), C<QLineEdit>(1124)->setText(QStringLiteral("20.0"));
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
        const JournalHeader header{1733562000, interval, fahrenheit, 4711};
        ASSERT_TRUE(journal.Start(app.journalPath, header, samples.data(), count));
        journal.Close();
        Show(0);
        boxes.shown.clear();
        boxes.answers = {MsgAnswer::Yes};
        page->OfferRecoveredRecording();
        page->OfferRecoveredRecording(); // nothing new: no second question
        EXPECT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(std::tuple(page->Recorder().State(), C<QRadioButton>(1334)->isChecked(),
                             C(1103)->isEnabled(), C(1106)->isEnabled(), page->ComputeInterval()),
                  std::tuple(CaptureState::Paused, fahrenheit, true, false, interval));
        EXPECT_GT(page->Recorder().Graph().xRange, int64_t{count} * interval);
        EXPECT_EQ(std::pair(C<QComboBox>(1009)->currentIndex(), C<QLineEdit>(1130)->text()),
                  std::pair(unitIndex, QString::fromLatin1(range)));
    }
}

} // namespace
