// The recording page against the in-process simulator in real time: REC, PAUSE and DELETE, the
// enabled states, the values shown, the display unit, the scale controls, the save dialog and its
// failures, recordings taken back from their journal, and the timer panel.

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimeEdit>

#include <filesystem>
#include <regex>

#include "capture/CCapturePage.h"
#include "device/Clock.h"
#include "support/ChildProcess.h"
#include "ui/GuiTestSupport.h"

namespace {

// Real ticks and sleeps (the simulator streams in real time) on a calendar of the test's own, so
// the dates the page shows, offers and waits for are known: from 2026-03-14 09:26:53 UTC.
class StagedCalendarClock final : public Clock {
public:
    uint64_t TickMs() override { return steady_.TickMs(); }
    void SleepMs(uint32_t ms) override { steady_.SleepMs(ms); }
    std::time_t WallTime() override
    {
        return 1773480413 + static_cast<std::time_t>(TickMs() / 1000 - start_);
    }

private:
    SteadyClock steady_;
    uint64_t start_ = steady_.TickMs() / 1000;
};

class CapturePageTest : public SimPageRig<StagedCalendarClock> {
protected:
    CapturePageTest()
    {
        SimConfig fast;
        fast.streamRateHz = 50.0;
        UseThermometer(fast);
        for (const char* name : {"templete_1.html", "templete_1(ENG).html"})
            WriteFileBytes(dir.File(name), ReadFileBytes(RunnableDir() + name));
        app.desktopDir = out.Path();
    }
    // Writes the INI in the language given and makes the page, shown as the main window shows it.
    void Show(int language)
    {
        page.reset();
        WriteIni("Langage=" + std::to_string(language));
        app.language = language;
        page = std::make_unique<CCapturePage>(app, nullptr);
        page->show();
        page->PageShown();
    }
    template <class W = QWidget> W* C(int id) { return Control<W>(page.get(), id); }
    QString Text(int id) { return C<QLabel>(id)->text(); }
    void Click(int id) { QTest::mouseClick(C<QAbstractButton>(id), Qt::LeftButton); }
    std::vector<bool> Enabled(std::initializer_list<int> ids)
    {
        std::vector<bool> states;
        for (int id : ids)
            states.push_back(C(id)->isEnabled());
        return states;
    }
    QDateTime Now() { return QDateTime::fromSecsSinceEpoch(clock.WallTime()); }
    void Record(int32_t samples)
    {
        Click(1001);
        ASSERT_TRUE(QTest::qWaitFor([&] { return page->Recorder().SampleCount() >= samples; }, 10000));
        Click(1004);
        ASSERT_EQ(page->Recorder().State(), CaptureState::Paused);
    }
    // SAVE with the dialog answered: the filter (0 CSV, 1 report) and the name typed; an empty
    // name cancels. Returns the dialog's folder and its proposed name.
    std::pair<std::string, std::string> Save(int filter, const std::string& name)
    {
        std::pair<std::string, std::string> proposed;
        EndModalWhenShown(QStringLiteral("recordingSaveDialog"), !name.empty(), [&](QDialog& dialog) {
            auto& files = static_cast<QFileDialog&>(dialog);
            proposed = {files.directory().absolutePath().toStdString() + "/",
                        QFileInfo(files.selectedFiles().value(0)).fileName().toStdString()};
            files.selectNameFilter(files.nameFilters().value(filter));
            if (!name.empty()) files.selectFile(QString::fromStdString(out.File(name)));
        });
        Click(1103);
        return proposed;
    }

    TempDir out;
    std::unique_ptr<CCapturePage> page;
};

TEST_F(CapturePageTest, RecPauseAndDeleteDriveTheRecording)
{
    Show(0);
    EXPECT_EQ(std::vector<QString>({Text(1121), Text(1120), Text(1128), Text(1105), Text(1007).left(12)}),
              std::vector<QString>({"100.0", "  0.0", "0.95", "---", Now().toString(" yyyy/MM/dd ")}));
    // REC, PAUSE, DELETE, SAVE, timer box, interval hours, ms combo, Apply.
    const auto ids = {1001, 1004, 1003, 1103, 1102, 1106, 1008, 1125};
    const std::vector<bool> ready{true, true, true, false, true, true, true, false};
    EXPECT_EQ(Enabled(ids), ready);
    EXPECT_EQ(page->ComputeInterval(), 5);

    Click(1001);
    ASSERT_EQ(page->Recorder().State(), CaptureState::Recording);
    EXPECT_EQ(Enabled(ids), (std::vector<bool>{true, true, false, false, false, false, false, false}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return page->Recorder().SampleCount() >= 4; }, 5000));
    EXPECT_EQ(Text(1105) + Text(1104), QStringLiteral("25.023.0"));
    EXPECT_EQ(page->GraphImage().size(), C(1091)->contentsRect().size()); // the graph frame's client area

    Click(1001); // REC while recording only beeps
    Click(1004);
    ASSERT_EQ(page->Recorder().State(), CaptureState::Paused);
    EXPECT_EQ(Text(1105), QStringLiteral("---"));
    EXPECT_EQ(Enabled(ids), (std::vector<bool>{true, true, true, true, true, false, false, false}));

    boxes.answers = {MsgAnswer::Ok};
    Click(1003);
    EXPECT_EQ(page->Recorder().SampleCount(), 0);
    EXPECT_EQ(Enabled(ids), ready);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].call.text, "記録したデータを消去してよろしいですか？");
}

// The texts are the recorder's; the page shows every one of them in the unit chosen, and the
// emissivity rounded, not cut.
TEST_F(CapturePageTest, FahrenheitChangesEveryTemperatureTextButNotTheEmissivity)
{
    Show(0);
    EXPECT_FALSE(C(1334)->isVisible());
    EXPECT_EQ(Text(1150), QStringLiteral("℃"));
    sim->SetRegister(0x14, 937);
    Show(1);
    Click(1334);
    EXPECT_EQ(
        std::vector<QString>({Text(1150), Text(1144), Text(1120), Text(1128), C<QLineEdit>(1123)->text()}),
        std::vector<QString>({"°F", "(°F)", " 32.0", "0.94", "122.0"}));
    Click(1333);
    EXPECT_EQ(Text(1121), QStringLiteral("100.0"));
}

TEST_F(CapturePageTest, ChecksAndUnitButtonsDrivenAnyWayChangeThePage)
{
    Show(1);
    C<QDateEdit>(1098)->setDate(Now().date().addDays(1));
    C<QDateEdit>(1100)->setDate(Now().date().addDays(2));
    const CaptureGraph& graph = page->Recorder().Graph();
    ExpectStateFollowsControls(
        page.get(),
        {{1102, 1102, [&] { return !C(1099)->isEnabled(); }}, // the timer waits
         {1334, 1333, [&] { return page->Recorder().Snapshot().fahrenheit && Text(1121) == "212.0"; }},
         {1122, 1122, [&] { return !graph.tempAuto && C(1125)->isEnabled(); }},
         {1129, 1129, [&] { return !graph.timeAuto; }},
         {1119, 1119, [&] { return page->ComputeInterval() == 1 && !C(1008)->isEnabled(); }}});
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(CapturePageTest, ManualScaleControls)
{
    Show(1);
    Click(1122); // temperature auto-scale off
    const auto apply = [&](const char* max, const char* min) {
        C<QLineEdit>(1123)->setText(QString::fromLatin1(max));
        C<QLineEdit>(1124)->setText(QString::fromLatin1(min));
        const bool enabled = C(1125)->isEnabled();
        Click(1125);
        return enabled;
    };
    EXPECT_FALSE(apply("10.0", "20.0")); // maximum not above minimum
    EXPECT_TRUE(apply("80.0", "20.0"));
    EXPECT_EQ(std::pair(page->Recorder().Graph().yMax, page->Recorder().Graph().yMin), std::pair(80.0, 20.0));

    // The widest scale in the picture itself: no label cut off or touching the plot's frame.
    Click(1334);
    apply("1112.0", "-5.8");
    const QImage& image = page->GraphImage();
    ASSERT_EQ(image.size(), QSize(593, 338));
    int labelPixels = 0, marginEdgePixels = 0;
    for (int y = 0; y < image.height() - CaptureGraph::kMarginY; ++y) {
        for (int x = 0; x < CaptureGraph::kMarginX; ++x)
            labelPixels += image.pixelColor(x, y) != QColor(Qt::white);
        marginEdgePixels += (image.pixelColor(0, y) != Qt::white) +
                            (image.pixelColor(CaptureGraph::kMarginX - 1, y) != Qt::white);
    }
    EXPECT_EQ(marginEdgePixels, 0);
    EXPECT_GT(labelPixels, 10 * 20) << "ten labels of four figures at least";
    C<QLineEdit>(1130)->setText(QStringLiteral("30"));
    C<QComboBox>(1009)->setCurrentIndex(0); // hours: at most a day
    EXPECT_EQ(C<QLineEdit>(1130)->text(), QStringLiteral("24"));
}

// The contents are the writers'; here the page offers a name and folder, hands the recording to
// the format chosen, asks before replacing a file and keeps the recording whatever happens.
TEST_F(CapturePageTest, SaveOffersANameWritesTheChosenFormatAndKeepsTheRecording)
{
    Show(0);
    Click(1119); // 100 ms interval
    Record(5);
    const int32_t count = page->Recorder().SampleCount();
    const auto [folder, proposed] = Save(0, "data.txt");
    EXPECT_EQ(folder, out.Path());
    const std::string day = Now().toString(QStringLiteral("yyyyMMdd_")).toStdString();
    EXPECT_TRUE(std::regex_match(proposed, std::regex("機種名未登録-" + day + "[0-9]{6}"))) << proposed;
    const std::string csv = ReadFileBytes(out.File("data.csv"));
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), count + 1);
    Save(1, "my data.csv");
    EXPECT_TRUE(std::filesystem::exists(out.File("my data.html")) &&
                std::filesystem::exists(out.File("my_data.jpg")));
    EXPECT_EQ(Save(0, "").first, out.Path()) << "the next dialog opens where the last save went";

    // An existing file is asked about and No keeps it; a failed report shows the file error.
    WriteFileBytes(out.File("kept.csv"), "old");
    boxes.answers = {MsgAnswer::No, MsgAnswer::Yes};
    Save(0, "kept");
    EXPECT_EQ(ReadFileBytes(out.File("kept.csv")), "old");
    Save(0, "kept");
    EXPECT_NE(ReadFileBytes(out.File("kept.csv")), "old");
    std::filesystem::remove(dir.File("templete_1.html"));
    Save(1, "report.html");
    std::vector<std::string> told;
    for (const auto& box : boxes.shown)
        told.push_back(box.call.text);
    EXPECT_EQ(told,
              (std::vector<std::string>{
                  "kept.csvは既に存在します。上書きしますか？", "kept.csvは既に存在します。上書きしますか？",
                  "ファイル " + dir.File("templete_1.html") + " を読み込めませんでした"}));
    EXPECT_EQ(std::tuple(page->Recorder().State(), page->Recorder().SampleCount(), C(1103)->isEnabled()),
              std::tuple(CaptureState::Paused, count, true));
}

// Recordings a killed run left in its journal, taken back and continued: they go on at their own
// interval, not the controls' 0.5 s, in their unit, and the axis and the range field cover them all.
TEST_F(CapturePageTest, ARecoveredRecordingGoesOnAtItsIntervalAndIsDrawnWhole)
{
    struct Row {
        int32_t interval, count;
        bool fahrenheit;
        int unitIndex; // of the range field: 0 hours, 1 minutes, 2 seconds
        QString range;
    };
    const Row rows[] = {
        {300, 40, false, 1, QStringLiteral("32")},              // 12000 ticks on a 19200-tick axis
        {1, kMaxSamples - 10, false, 0, QStringLiteral("137")}, // 72 hours: 2^14 times the 30 s start
        {10, 40, true, 2, QStringLiteral("60")},
    };
    app.journalPath = dir.File("state/journal.rmj");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.interval);
        const std::vector<CaptureSample> samples(static_cast<std::size_t>(row.count),
                                                 CaptureSample{2982, 2962, row.interval});
        RecordingJournal journal;
        ASSERT_TRUE(journal.Start(app.journalPath,
                                  JournalHeader{1733562000, row.interval, row.fahrenheit, 4711},
                                  samples.data(), row.count));
        journal.Close();
        Show(0);
        boxes.shown.clear();
        boxes.answers = {MsgAnswer::Yes};
        page->OfferRecoveredRecording();
        page->OfferRecoveredRecording(); // nothing new: no second question
        ASSERT_EQ(boxes.shown.size(), 1u);
        CaptureRecorder& recorder = page->Recorder();
        ASSERT_EQ(recorder.State(), CaptureState::Paused);
        EXPECT_EQ(std::tuple(C<QRadioButton>(1334)->isChecked(), C(1103)->isEnabled(), C(1106)->isEnabled()),
                  std::tuple(row.fahrenheit, true, false));
        EXPECT_EQ(page->ComputeInterval(), row.interval);

        Click(1001);
        ASSERT_TRUE(QTest::qWaitFor([&] { return recorder.SampleCount() > row.count; }, 5000));
        if (recorder.Sampling()) Click(1004);
        ASSERT_EQ(recorder.State(), CaptureState::Paused);
        EXPECT_EQ(recorder.Samples()[row.count].interval, row.interval);
        EXPECT_GT(recorder.Graph().xRange, recorder.Data().TickCount());
        EXPECT_EQ(C<QComboBox>(1009)->currentIndex(), row.unitIndex);
        EXPECT_EQ(C<QLineEdit>(1130)->text(), row.range);
    }
}

// The timer's own rules are CaptureTimerTest's; the page refuses a past start with a box, shows
// the timer's state in its status field, cancels it on REC, and starts and stops the recording.
TEST_F(CapturePageTest, TimerStartsAndStopsTheRecordingAndRecCancelsIt)
{
    Show(0);
    auto* box = C<QAbstractButton>(1102);
    QLabel* status = C<QLabel>(1127);
    const auto set = [&](QDateTime start, QDateTime end) {
        C<QDateEdit>(1098)->setDate(start.date());
        C<QDateEdit>(1100)->setDate(end.date());
        const int ids[6] = {1099, 1111, 1112, 1101, 1113, 1114};
        for (int i = 0; i < 6; ++i)
            C<QTimeEdit>(ids[i])->setTime((i < 3 ? start : end).time());
        Click(1102);
    };
    const auto shown = [&] {
        const QPalette p = status->palette();
        return std::tuple(status->text(), p.color(QPalette::WindowText), p.color(QPalette::Window),
                          box->isChecked());
    };
    const QColor black(Qt::black), white(Qt::white);
    const auto idle = std::tuple(QStringLiteral("取込タイマー未設定"), black, white, false);
    EXPECT_EQ(shown(), idle);

    const QDateTime now = Now();
    set(now.addSecs(-60), now.addSecs(60));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].call.text, "設定されたタイマー時刻は無効です");
    EXPECT_FALSE(box->isChecked());

    // A start far ahead waits; REC replaces it with a start at once.
    set(now.addSecs(3600), now.addSecs(7200));
    EXPECT_EQ(shown(), std::tuple(QStringLiteral("取込タイマー待機中"), white, QColor(255, 0, 0), true));
    EXPECT_FALSE(C(1099)->isEnabled());
    Click(1001);
    EXPECT_EQ(page->Recorder().State(), CaptureState::Recording);
    EXPECT_EQ(shown(), idle);
    Click(1004);

    // A start two seconds ahead begins within the next clock ticks; the end stops it.
    QDateTime soon = Now().addSecs(2);
    soon.setTime(QTime(soon.time().hour(), soon.time().minute(), soon.time().second())); // whole seconds
    set(soon, soon.addSecs(2));
    ASSERT_TRUE(QTest::qWaitFor([&] { return page->Recorder().Sampling(); }, 3000));
    EXPECT_EQ(shown(), std::tuple(QStringLiteral("取込タイマー動作中"), black, QColor(255, 255, 0), true));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !page->Recorder().Sampling(); }, 8000));
    EXPECT_GE(Now(), soon.addSecs(3)) << "stopped once the end had passed";
    EXPECT_EQ(page->Recorder().State(), CaptureState::Paused);
    EXPECT_EQ(shown(), idle);
    EXPECT_EQ(boxes.shown.size(), 1u);
}

} // namespace
