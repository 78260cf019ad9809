// The recording page's timer controls on their own widgets: arming, refusing, the status box's
// colours, the locked pickers and tabs, and the timed start and stop.

#include "capture/CaptureTimerPanel.h"

#include "support/FakeUserInterface.h"
#include "ui/GuiTestSupport.h"

#include <QDateEdit>
#include <QDateTime>
#include <QLabel>
#include <QPushButton>
#include <QTimeEdit>

#include <algorithm>

namespace {

class CaptureTimerPanelTest : public testing::Test {
protected:
    CaptureTimerPanelTest()
    {
        app.ui = &ui;
        box.setCheckable(true);
        for (QTimeEdit*& time : times) {
            time = new QTimeEdit(&host);
        }
        panel = std::make_unique<CaptureTimerPanel>(app, &box, &startDate, &endDate, times, &status);
        panel->now = [this] { return now; };
        panel->startCapture = [this] { events.push_back("start"); };
        panel->stopCapture = [this] { events.push_back("stop"); };
    }
    // Start and end today at the given times of day; now at 09:59:00.
    void Pick(QTime start, QTime end)
    {
        const QDate today(2026, 3, 2);
        now = static_cast<std::time_t>(QDateTime(today, QTime(9, 59, 0)).toSecsSinceEpoch());
        startDate.setDate(today);
        endDate.setDate(today);
        times[0]->setTime(QTime(start.hour(), 0));
        times[1]->setTime(QTime(0, start.minute()));
        times[2]->setTime(QTime(0, 0, start.second()));
        times[3]->setTime(QTime(end.hour(), 0));
        times[4]->setTime(QTime(0, end.minute()));
        times[5]->setTime(QTime(0, 0, end.second()));
    }
    void ExpectStatus(const char* text, QColor foreground, QColor background)
    {
        EXPECT_EQ(status.text().toStdString(), text);
        EXPECT_EQ(status.palette().color(QPalette::WindowText), foreground) << text;
        EXPECT_EQ(status.palette().color(QPalette::Window), background) << text;
    }
    bool PickersEnabled() const
    {
        bool all = startDate.isEnabled() && endDate.isEnabled();
        for (QTimeEdit* time : times) {
            all = all && time->isEnabled();
        }
        return all;
    }

    AppState app;
    FakeUserInterface ui;
    QWidget host;
    QPushButton box;
    QDateEdit startDate;
    QDateEdit endDate;
    QTimeEdit* times[6] = {};
    QLabel status;
    std::unique_ptr<CaptureTimerPanel> panel;
    std::time_t now = 0;
    std::vector<std::string> events;
};

TEST_F(CaptureTimerPanelTest, ArmedTimerLocksTheControlsStartsAndStopsOnTime)
{
    ExpectStatus("取込タイマー未設定", Qt::black, Qt::white);
    Pick(QTime(10, 0, 0), QTime(10, 5, 0));
    QTest::mouseClick(&box, Qt::LeftButton);
    ASSERT_TRUE(panel->Waiting());
    ExpectStatus("取込タイマー待機中", Qt::white, QColor(255, 0, 0));
    EXPECT_FALSE(PickersEnabled());
    EXPECT_EQ(ui.events.back(), "tabs:0");
    panel->EnablePickers(true);
    EXPECT_FALSE(PickersEnabled()) << "the pickers stay locked while the timer waits";

    now += 56; // 09:59:56
    panel->CheckTimerStart();
    EXPECT_TRUE(events.empty());
    now += 1; // 09:59:57, start less three seconds
    panel->CheckTimerStart();
    EXPECT_EQ(events, std::vector<std::string>{"start"});
    ExpectStatus("取込タイマー動作中", Qt::black, QColor(255, 255, 0));

    now += 3 + 300; // 10:05:00, the end itself
    panel->CheckTimerEnd(0);
    now += 1;
    panel->CheckTimerEnd(7);
    EXPECT_EQ(events.size(), 1u);
    panel->CheckTimerEnd(0);
    EXPECT_EQ(events, (std::vector<std::string>{"start", "stop"}));
    ExpectStatus("取込タイマー未設定", Qt::black, Qt::white);
    EXPECT_FALSE(box.isChecked());
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(CaptureTimerPanelTest, InvalidTimesAreRefusedAndUncheckTheBox)
{
    app.language = 1;
    const std::pair<QTime, QTime> cases[] = {
        {QTime(9, 58, 59), QTime(10, 0, 0)}, // start one second in the past
        {QTime(10, 0, 0), QTime(10, 0, 0)},  // end equal to the start
        {QTime(10, 0, 0), QTime(9, 59, 59)},
    };
    for (const auto& [start, end] : cases) {
        Pick(start, end);
        QTest::mouseClick(&box, Qt::LeftButton);
        EXPECT_FALSE(box.isChecked());
        EXPECT_FALSE(panel->Waiting());
        EXPECT_TRUE(PickersEnabled());
        ExpectStatus("Timer Stand-by", Qt::black, Qt::white);
    }
    ASSERT_EQ(ui.boxes.size(), 3u);
    EXPECT_EQ(ui.boxes[0].text, "Invalid Timer value Entered");
    EXPECT_EQ(ui.boxes[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(std::count(ui.events.begin(), ui.events.end(), "tabs:0"), 0);
}

TEST_F(CaptureTimerPanelTest, UncheckingRecAndPauseReturnToNotSet)
{
    Pick(QTime(10, 0, 0), QTime(10, 5, 0));
    QTest::mouseClick(&box, Qt::LeftButton);
    QTest::mouseClick(&box, Qt::LeftButton); // unchecked again
    EXPECT_FALSE(panel->Waiting());
    EXPECT_TRUE(PickersEnabled());
    EXPECT_EQ(ui.events.back(), "tabs:1");

    QTest::mouseClick(&box, Qt::LeftButton);
    ASSERT_TRUE(panel->Waiting());
    panel->CancelTimer(); // REC while waiting
    EXPECT_FALSE(box.isChecked());
    ExpectStatus("取込タイマー未設定", Qt::black, Qt::white);
    now += 3600;
    panel->CheckTimerStart();
    EXPECT_TRUE(events.empty());

    Pick(QTime(10, 0, 0), QTime(10, 5, 0));
    QTest::mouseClick(&box, Qt::LeftButton);
    now += 57;
    panel->CheckTimerStart();
    panel->Paused(); // PAUSE while running
    EXPECT_FALSE(box.isChecked());
    EXPECT_EQ(panel->State(), CaptureTimer::State::NotSet);
    now += 600;
    panel->CheckTimerEnd(0);
    EXPECT_EQ(events, std::vector<std::string>{"start"});
}

} // namespace
