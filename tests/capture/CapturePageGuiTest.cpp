// The recording page against the in-process simulator in real time: REC, PAUSE and DELETE
// clicked, the enabled states, the values shown, the graph picture and the display unit.

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QRadioButton>

#include "CapturePageRig.h"

namespace {

class CapturePageTest : public CapturePageRig {
protected:
    template <class W> W* C(CCapturePage& page, int id) { return Control<W>(&page, id); }
    static QString Text(CCapturePage& page, int id) { return Control<QLabel>(&page, id)->text(); }
    static void Click(CCapturePage& page, int id)
    {
        QTest::mouseClick(Control<QPushButton>(&page, id), Qt::LeftButton);
    }
    static std::vector<bool> Enabled(CCapturePage& page, std::initializer_list<int> ids)
    {
        std::vector<bool> states;
        for (int id : ids)
            states.push_back(FindControl(&page, id)->isEnabled());
        return states;
    }
};

TEST_F(CapturePageTest, RecPauseAndDeleteDriveTheRecording)
{
    auto page = Page(0);
    EXPECT_EQ(Text(*page, 1121), QStringLiteral("100.0"));
    EXPECT_EQ(Text(*page, 1120), QStringLiteral("  0.0"));
    EXPECT_EQ(Text(*page, 1128), QStringLiteral("0.95"));
    EXPECT_EQ(Text(*page, 1105), QStringLiteral("---"));
    EXPECT_EQ(Text(*page, 1007).left(12), Now().toString(QStringLiteral(" yyyy/MM/dd ")));
    // REC, PAUSE, DELETE, SAVE, timer box, interval hours, ms combo, Apply.
    const auto ids = {1001, 1004, 1003, 1103, 1102, 1106, 1008, 1125};
    EXPECT_EQ(Enabled(*page, ids), (std::vector<bool>{true, true, true, false, true, true, true, false}));
    EXPECT_EQ(page->ComputeInterval(), 5);

    Click(*page, 1001);
    ASSERT_EQ(page->Recorder().State(), CaptureState::Recording);
    EXPECT_EQ(Enabled(*page, ids), (std::vector<bool>{true, true, false, false, false, false, false, false}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return page->Recorder().SampleCount() >= 4; }, 5000));
    EXPECT_EQ(Text(*page, 1105), QStringLiteral("25.0"));
    EXPECT_EQ(Text(*page, 1104), QStringLiteral("23.0"));
    // The live line is in the picture, which is the graph frame's client area.
    const QImage& image = page->GraphImage();
    EXPECT_EQ(image.size(), FindControl(page.get(), 1091)->contentsRect().size());
    bool blue = false;
    for (int y = 0; y < image.height() && !blue; ++y)
        for (int x = 0; x < image.width() && !blue; ++x)
            blue = image.pixelColor(x, y) == QColor(0, 0, 255);
    EXPECT_TRUE(blue);

    Click(*page, 1001); // REC while recording only beeps
    Click(*page, 1004);
    ASSERT_EQ(page->Recorder().State(), CaptureState::Paused);
    EXPECT_EQ(Text(*page, 1105), QStringLiteral("---"));
    EXPECT_EQ(Enabled(*page, ids), (std::vector<bool>{true, true, true, true, true, false, false, false}));

    boxes.answers = {MsgAnswer::Ok};
    Click(*page, 1003);
    EXPECT_EQ(page->Recorder().State(), CaptureState::Ready);
    EXPECT_EQ(page->Recorder().SampleCount(), 0);
    EXPECT_EQ(Enabled(*page, ids), (std::vector<bool>{true, true, true, false, true, true, true, false}));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].call.text, "記録したデータを消去してよろしいですか？");
}

// The texts are the recorder's; the page shows every one of them in the unit chosen.
TEST_F(CapturePageTest, FahrenheitChangesEveryTemperatureTextButNotTheEmissivity)
{
    auto japanese = Page(0);
    EXPECT_FALSE(C<QRadioButton>(*japanese, 1334)->isVisible());
    EXPECT_EQ(Text(*japanese, 1150), QStringLiteral("℃"));
    japanese.reset();

    sim->SetRegister(0x14, 937); // thousandths: shown rounded, not cut to 0.93
    auto page = Page(1);
    EXPECT_EQ(Text(*page, 1143), QStringLiteral("T E M P "));
    QTest::mouseClick(C<QRadioButton>(*page, 1334), Qt::LeftButton);
    EXPECT_EQ(Text(*page, 1150), QStringLiteral("°F"));
    EXPECT_EQ(Text(*page, 1144), QStringLiteral("(°F)"));
    EXPECT_EQ(Text(*page, 1120), QStringLiteral(" 32.0"));
    EXPECT_EQ(Text(*page, 1128), QStringLiteral("0.94"));
    EXPECT_EQ(C<QLineEdit>(*page, 1123)->text(), QStringLiteral("122.0"));
    QTest::mouseClick(C<QRadioButton>(*page, 1333), Qt::LeftButton);
    EXPECT_EQ(Text(*page, 1121), QStringLiteral("100.0"));
}

TEST_F(CapturePageTest, ChecksAndUnitButtonsDrivenAnyWayChangeThePage)
{
    auto page = Page(1);
    const QDate today = Now().date();
    C<QDateEdit>(*page, 1098)->setDate(today.addDays(1));
    C<QDateEdit>(*page, 1100)->setDate(today.addDays(2));
    const CaptureGraph& graph = page->Recorder().Graph();
    ExpectStateFollowsControls(
        page.get(),
        {{1102, 1102, [&] { return !FindControl(page.get(), 1099)->isEnabled(); }}, // the timer waits
         {1334, 1333, [&] { return page->Recorder().Snapshot().fahrenheit && Text(*page, 1121) == "212.0"; }},
         {1122, 1122, [&] { return !graph.tempAuto && C<QPushButton>(*page, 1125)->isEnabled(); }},
         {1129, 1129, [&] { return !graph.timeAuto; }},
         {1119, 1119,
          [&] { return page->ComputeInterval() == 1 && !FindControl(page.get(), 1008)->isEnabled(); }}});
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(CapturePageTest, ManualScaleControls)
{
    auto page = Page(1);
    auto* apply = C<QPushButton>(*page, 1125);
    QTest::mouseClick(C<QCheckBox>(*page, 1122), Qt::LeftButton); // temperature auto-scale off
    EXPECT_TRUE(apply->isEnabled());
    C<QLineEdit>(*page, 1123)->setText(QStringLiteral("10.0"));
    C<QLineEdit>(*page, 1124)->setText(QStringLiteral("20.0"));
    EXPECT_FALSE(apply->isEnabled()); // maximum not above minimum
    C<QLineEdit>(*page, 1123)->setText(QStringLiteral("80.0"));
    EXPECT_TRUE(apply->isEnabled());
    QTest::mouseClick(apply, Qt::LeftButton);
    EXPECT_DOUBLE_EQ(page->Recorder().Graph().yMax, 80.0);
    EXPECT_DOUBLE_EQ(page->Recorder().Graph().yMin, 20.0);

    // Wide scales in the picture itself: no label cut off or touching the plot's frame.
    struct Scale {
        int unit;
        const char *max, *min;
    };
    for (const Scale& scale : {Scale{1333, "176.0", "-21.0"}, Scale{1334, "1112.0", "-5.8"}}) {
        SCOPED_TRACE(scale.max);
        C<QRadioButton>(*page, scale.unit)->click();
        C<QLineEdit>(*page, 1123)->setText(QString::fromLatin1(scale.max));
        C<QLineEdit>(*page, 1124)->setText(QString::fromLatin1(scale.min));
        QTest::mouseClick(apply, Qt::LeftButton);
        const QImage& image = page->GraphImage();
        ASSERT_EQ(image.size(), QSize(593, 338));
        int labelPixels = 0;
        for (int y = 0; y < image.height() - CaptureGraph::kMarginY; ++y) {
            EXPECT_EQ(image.pixelColor(0, y), QColor(Qt::white)) << y;
            EXPECT_EQ(image.pixelColor(CaptureGraph::kMarginX - 1, y), QColor(Qt::white)) << y;
            for (int x = 0; x < CaptureGraph::kMarginX; ++x)
                labelPixels += image.pixelColor(x, y) != QColor(Qt::white);
        }
        EXPECT_GT(labelPixels, 10 * 20) << "ten labels of four figures at least";
    }

    auto* range = C<QLineEdit>(*page, 1130);
    auto* unit = C<QComboBox>(*page, 1009);
    range->setText(QStringLiteral("30"));
    unit->setCurrentIndex(0); // hours: at most a day
    EXPECT_EQ(range->text(), QStringLiteral("24"));
}

} // namespace
