// Saving a recording from the page and the page's timer, against the in-process simulator in
// real time: the save dialog's two filters, the written CSV, report and picture (checked by an
// independent decoder), the failures, recordings taken back from their journal, and a timed start
// and stop.

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimeEdit>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "CapturePageRig.h"
#include "app/Cp932.h"
#include "capture/RecordingWriters.h"
#include "support/ChildProcess.h"

namespace {

class CaptureSaveTest : public CapturePageRig {
protected:
    CaptureSaveTest()
    {
        for (const char* name : {"templete_1.html", "templete_1(ENG).html"}) {
            WriteFileBytes(dir.File(name), ReadFileBytes(RunnableDir() + name));
        }
        app.desktopDir = out.Path();
        page = Page(0);
    }
    QPushButton* Button(int id) { return Control<QPushButton>(page.get(), id); }
    void Record(int32_t samples)
    {
        QTest::mouseClick(Button(1001), Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return page->Recorder().SampleCount() >= samples; }, 10000));
        QTest::mouseClick(Button(1004), Qt::LeftButton);
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
        QTest::mouseClick(Button(1103), Qt::LeftButton);
        return proposed;
    }
    std::vector<std::string> Files()
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(out.Path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir out;
    std::unique_ptr<CCapturePage> page;
};

TEST_F(CaptureSaveTest, SavesTheRecordingAsCsvAndAsReportWithItsPicture)
{
    QTest::mouseClick(Control<QCheckBox>(page.get(), 1119), Qt::LeftButton); // 100 ms interval
    Record(5);
    const int32_t count = page->Recorder().SampleCount();

    const auto [folder, proposed] = Save(0, "data.txt");
    EXPECT_EQ(folder, out.Path());
    const std::string day = Now().toString(QStringLiteral("yyyyMMdd_")).toStdString();
    EXPECT_TRUE(std::regex_match(proposed, std::regex("機種名未登録-" + day + "[0-9]{6}"))) << proposed;
    // The formats are the writers' (golden files); here the page hands them its recording.
    const std::string csv = ReadFileBytes(out.File("data.csv"));
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), count + 1);
    EXPECT_NE(csv.find("\r\n" + FormatElapsedTicks(1) + ",25.0,23.0\r\n"), std::string::npos) << csv;

    // The report: the typed extension gives way, the picture's name loses its space.
    Save(1, "my data.csv");
    EXPECT_EQ(Files(), (std::vector<std::string>{"data.csv", "my data.html", "my_data.jpg"}));
    const std::string report = Cp932ToUtf8(ReadFileBytes(out.File("my data.html")));
    EXPECT_NE(report.find("<img src=my_data.jpg>"), std::string::npos);
    const QSize graph = page->GraphImage().size();
    const ProcessResult identify = RunProcess(
        {"/usr/bin/env", "identify", "-format", "%w %h %[jpeg:sampling-factor] %Q", out.File("my_data.jpg")});
    ASSERT_EQ(identify.exitCode, 0) << identify.err;
    EXPECT_EQ(identify.out,
              std::to_string(graph.width()) + " " + std::to_string(graph.height()) + " 1x1,1x1,1x1 80");

    // The next dialog opens where the last save went; a cancelled one writes nothing.
    EXPECT_EQ(Save(0, "").first, out.Path());
    EXPECT_EQ(Files().size(), 3u);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(page->Recorder().State(), CaptureState::Paused);
    EXPECT_EQ(page->Recorder().SampleCount(), count);
}

TEST_F(CaptureSaveTest, FailuresShowTheFileErrorAndKeepTheRecording)
{
    Record(2);
    const int32_t count = page->Recorder().SampleCount();
    std::filesystem::remove(dir.File("templete_1.html"));
    Save(1, "report.html");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].call.text,
              "ファイル " + dir.File("templete_1.html") + " を読み込めませんでした");
    EXPECT_EQ(Files(), std::vector<std::string>{"report.jpg"}) << "the picture stays";

    // An existing file of the written name is asked about; No keeps it.
    WriteFileBytes(out.File("kept.csv"), "old");
    boxes.answers = {MsgAnswer::No};
    Save(0, "kept");
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].call.text, "kept.csvは既に存在します。上書きしますか？");
    EXPECT_EQ(ReadFileBytes(out.File("kept.csv")), "old");
    boxes.answers = {MsgAnswer::Yes};
    Save(0, "kept");
    EXPECT_NE(ReadFileBytes(out.File("kept.csv")), "old");

    EXPECT_EQ(page->Recorder().State(), CaptureState::Paused);
    EXPECT_EQ(page->Recorder().SampleCount(), count);
    EXPECT_TRUE(Button(1103)->isEnabled());
}

// Recordings a killed run left in its journal (the file written directly), taken back and
// continued: they go on at their own interval, not the controls' 0.5 s, and the axis and the range
// field cover all of them (the report's picture is the graph as drawn).
TEST_F(CaptureSaveTest, ARecoveredRecordingGoesOnAtItsIntervalAndIsDrawnWhole)
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
        page.reset();
        page = Page(0);
        boxes.shown.clear();
        boxes.answers = {MsgAnswer::Yes};
        page->OfferRecoveredRecording();
        ASSERT_EQ(boxes.shown.size(), 1u);
        CaptureRecorder& recorder = page->Recorder();
        ASSERT_EQ(recorder.State(), CaptureState::Paused);
        EXPECT_EQ(Control<QRadioButton>(page.get(), 1334)->isChecked(), row.fahrenheit);
        EXPECT_TRUE(Button(1103)->isEnabled());
        EXPECT_EQ(page->ComputeInterval(), row.interval);
        EXPECT_FALSE(FindControl(page.get(), 1106)->isEnabled());
        page->OfferRecoveredRecording(); // nothing new: no second question
        EXPECT_EQ(boxes.shown.size(), 1u);

        QTest::mouseClick(Button(1001), Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return recorder.SampleCount() > row.count; }, 5000));
        if (recorder.Sampling()) QTest::mouseClick(Button(1004), Qt::LeftButton);
        ASSERT_EQ(recorder.State(), CaptureState::Paused);
        EXPECT_EQ(recorder.Samples()[row.count].interval, row.interval);
        const CaptureGraph& graph = recorder.Graph();
        EXPECT_GT(graph.xRange, recorder.Data().TickCount());
        EXPECT_EQ(Control<QComboBox>(page.get(), 1009)->currentIndex(), row.unitIndex);
        EXPECT_EQ(Control<QLineEdit>(page.get(), 1130)->text(), row.range);
    }
}

TEST_F(CaptureSaveTest, TimerStartsAndStopsTheRecordingAndRecCancelsIt)
{
    auto* box = Button(1102);
    QLabel* status = Control<QLabel>(page.get(), 1127);
    const int ids[6] = {1099, 1111, 1112, 1101, 1113, 1114};
    auto set = [&](QDateTime start, QDateTime end) {
        Control<QDateEdit>(page.get(), 1098)->setDate(start.date());
        Control<QDateEdit>(page.get(), 1100)->setDate(end.date());
        for (int i = 0; i < 6; ++i)
            Control<QTimeEdit>(page.get(), ids[i])->setTime((i < 3 ? start : end).time());
    };

    auto colours = [&] {
        const QPalette p = status->palette();
        return std::make_pair(p.color(QPalette::WindowText), p.color(QPalette::Window));
    };
    EXPECT_EQ(colours(), std::make_pair(QColor(Qt::black), QColor(Qt::white)));

    // A start in the past is refused and leaves the box unchecked.
    const QDateTime now = Now();
    set(now.addSecs(-60), now.addSecs(60));
    QTest::mouseClick(box, Qt::LeftButton);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].call.text, "設定されたタイマー時刻は無効です");
    EXPECT_FALSE(box->isChecked());
    boxes.shown.clear();

    // A start far ahead waits; REC replaces it with a start at once.
    set(now.addSecs(3600), now.addSecs(7200));
    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_EQ(status->text(), QStringLiteral("取込タイマー待機中"));
    EXPECT_EQ(colours(), std::make_pair(QColor(Qt::white), QColor(255, 0, 0)));
    EXPECT_FALSE(Control<QTimeEdit>(page.get(), 1099)->isEnabled());
    QTest::mouseClick(Button(1001), Qt::LeftButton);
    EXPECT_EQ(page->Recorder().State(), CaptureState::Recording);
    EXPECT_EQ(status->text(), QStringLiteral("取込タイマー未設定"));
    EXPECT_FALSE(box->isChecked());
    QTest::mouseClick(Button(1004), Qt::LeftButton);

    // A start two seconds ahead begins within the next clock ticks; the end stops it.
    QDateTime soon = Now().addSecs(2);
    soon.setTime(QTime(soon.time().hour(), soon.time().minute(), soon.time().second())); // whole seconds
    set(soon, soon.addSecs(2));
    QTest::mouseClick(box, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return page->Recorder().Sampling(); }, 3000));
    EXPECT_EQ(status->text(), QStringLiteral("取込タイマー動作中"));
    EXPECT_EQ(colours(), std::make_pair(QColor(Qt::black), QColor(255, 255, 0)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !page->Recorder().Sampling(); }, 8000));
    EXPECT_GE(Now(), soon.addSecs(3)) << "stopped once the end had passed";
    EXPECT_EQ(page->Recorder().State(), CaptureState::Paused);
    EXPECT_EQ(status->text(), QStringLiteral("取込タイマー未設定"));
    EXPECT_FALSE(box->isChecked());
    EXPECT_TRUE(boxes.shown.empty());
}

} // namespace
