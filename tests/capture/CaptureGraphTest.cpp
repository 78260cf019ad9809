#include "capture/CaptureGraph.h"
#include "app/AppState.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Records every drawing call as text: "pen:N", "move:x,y", "line:x,y", "text:x,y:s", "fill:l,t,r,b",
// "present".
class RecordingCanvas final : public GraphCanvas {
public:
    void SelectPen(GraphPen pen) override
    {
        pen_ = pen;
        calls.push_back(std::string("pen:") + kPens[static_cast<int>(pen)]);
    }
    void MoveTo(int x, int y) override { calls.push_back("move:" + Point(x, y)); }
    void LineTo(int x, int y) override
    {
        calls.push_back("line:" + Point(x, y));
        gridLines += pen_ == GraphPen::Grid;
    }
    void Text(int x, int y, const std::string& text) override
    {
        calls.push_back("text:" + Point(x, y) + ":" + text);
        texts.push_back(text);
    }
    int TextWidth(const std::string& text) override { return 5 * static_cast<int>(text.size()); }
    void FillWhite(int l, int t, int r, int b) override
    {
        calls.push_back("fill:" + Point(l, t) + "," + Point(r, b));
    }
    void Present() override { calls.emplace_back("present"); }
    void Clear() { *this = RecordingCanvas{}; }
    static std::string Point(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }

    static constexpr const char* kPens[] = {"normal", "alarm", "frame", "grid"};
    std::vector<std::string> calls;
    std::vector<std::string> texts;
    int gridLines = 0;

private:
    GraphPen pen_ = GraphPen::Frame;
};

// A picture of 1-pixel lines: 0 white, 1 normal, 2 alarm; grid and frame are not painted.
class RasterCanvas final : public GraphCanvas {
public:
    RasterCanvas(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w * h), 0) {}
    void SelectPen(GraphPen pen) override { pen_ = pen; }
    void MoveTo(int x, int y) override { x_ = x, y_ = y; }
    void LineTo(int x, int y) override
    {
        if (pen_ == GraphPen::Normal || pen_ == GraphPen::Alarm) {
            const int dx = std::abs(x - x_), dy = -std::abs(y - y_);
            const int sx = x_ < x ? 1 : -1, sy = y_ < y ? 1 : -1;
            int err = dx + dy, px = x_, py = y_;
            for (;;) {
                Put(px, py);
                if (px == x && py == y) break;
                const int e2 = 2 * err;
                if (e2 >= dy) err += dy, px += sx;
                if (e2 <= dx) err += dx, py += sy;
            }
        }
        x_ = x, y_ = y;
    }
    void Text(int, int, const std::string&) override {}
    int TextWidth(const std::string&) override { return 0; }
    void FillWhite(int l, int t, int r, int b) override
    {
        for (int y = std::max(t, 0); y < std::min(b, height); ++y)
            for (int x = std::max(l, 0); x < std::min(r, width); ++x)
                pixels[Index(x, y)] = 0;
    }
    void Present() override {}

    int width, height;
    std::vector<uint8_t> pixels;

private:
    std::size_t Index(int x, int y) const { return static_cast<std::size_t>(y * width + x); }
    void Put(int x, int y)
    {
        if (x >= 0 && y >= 0 && x < width && y < height)
            pixels[Index(x, y)] = pen_ == GraphPen::Alarm ? 2 : 1;
    }
    GraphPen pen_ = GraphPen::Frame;
    int x_ = 0, y_ = 0;
};

constexpr int kWidth = 566;
constexpr int kHeight = 375;

class CaptureGraphTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        graph.SetCanvas(&canvas, kWidth, kHeight);
        graph.SetStartSettings(GraphStartSettings{});
        graph.SetAlarmLimits(40.0, 10.0);
    }
    std::vector<std::string> TimeLabels() const
    {
        std::vector<std::string> labels;
        for (const std::string& t : canvas.texts)
            if (t.find(':') != std::string::npos) labels.push_back(t);
        return labels;
    }
    RecordingCanvas canvas;
    CaptureGraph graph;
};

TEST_F(CaptureGraphTest, DefaultAxesHaveFiftyRowsAndSixDivisions)
{
    graph.DrawAxes();
    EXPECT_EQ(graph.PlotRect().Width(), kWidth - 60);
    EXPECT_EQ(canvas.gridLines, 50 + 7);
    EXPECT_EQ(TimeLabels(), (std::vector<std::string>{"00:00:00", "00:00:05", "00:00:10", "00:00:15",
                                                      "00:00:20", "00:00:25", "00:00:30"}));
    const std::vector<std::string> temps(canvas.texts.begin() + 7, canvas.texts.end());
    EXPECT_EQ(temps, (std::vector<std::string>{"50.0", "45.0", "40.0", "35.0", "30.0", "25.0", "20.0", "15.0",
                                               "10.0", "5.0"}));
    // The top row is labelled level with it, ending 3 pixels before the plot.
    EXPECT_NE(std::find(canvas.calls.begin(), canvas.calls.end(), "text:7,14:50.0"), canvas.calls.end());
    // The frame closes on itself.
    EXPECT_EQ(canvas.calls.back(), "line:30,20");

    canvas.Clear();
    graph.fahrenheit = true; // the grid stays one row per degC; only the labels change
    graph.DrawAxes();
    EXPECT_EQ(canvas.gridLines, 57);
    EXPECT_EQ(canvas.texts[7], "122.0");
    EXPECT_EQ(canvas.texts[8], "113.0");
}

TEST_F(CaptureGraphTest, LongIntervalsWidenTheStartRange)
{
    struct Row {
        int32_t interval;
        int64_t range, step;
        std::string secondLabel;
    };
    const Row rows[] = {{5, 300, 1, "00:00:05"},
                        {49, 300, 1, "00:00:05"},
                        {50, 600, 2, "00:00:10"},
                        {100, 1200, 4, "00:00:20"},
                        {36000, 307200, 1024, "01:25:20"}};
    for (const Row& row : rows) {
        graph.StartScales(row.interval);
        EXPECT_EQ(graph.xRange, row.range) << row.interval;
        EXPECT_EQ(graph.gridStep, row.step) << row.interval;
        canvas.Clear();
        graph.DrawAxes();
        ASSERT_EQ(TimeLabels().size(), 7u);
        EXPECT_EQ(TimeLabels()[1], row.secondLabel);
    }
    // During a run the range doubles once the samples reach its end.
    graph.StartScales(5);
    EXPECT_FALSE(graph.GrowTimeRange(299));
    EXPECT_TRUE(graph.GrowTimeRange(300));
    EXPECT_EQ(graph.xRange, 600);
    graph.timeAuto = false;
    EXPECT_FALSE(graph.GrowTimeRange(10'000));
}

TEST_F(CaptureGraphTest, AutoScaleWidensWithTheMarginTruncatedTowardZero)
{
    struct Row {
        double t, yMax, yMin;
    };
    const Row rows[] = {{52.4, 55, 0}, {-5.2, 50, -7}, {-12.3, 50, -14}, {25.0, 50, 0}, {50.0, 50, 0}};
    for (const Row& row : rows) {
        graph.StartScales(5);
        EXPECT_EQ(graph.AutoScaleTemp(row.t), row.yMax != 50 || row.yMin != 0) << row.t;
        EXPECT_DOUBLE_EQ(graph.yMax, row.yMax) << row.t;
        EXPECT_DOUBLE_EQ(graph.yMin, row.yMin) << row.t;
    }
    graph.tempAuto = false;
    EXPECT_FALSE(graph.AutoScaleTemp(99.0));
    EXPECT_DOUBLE_EQ(graph.yMax, 50.0);
}

TEST_F(CaptureGraphTest, UnusableScalesAreNeverTaken)
{
    EXPECT_FALSE(graph.SetManualTemp(20.0, 20.0));
    EXPECT_FALSE(graph.SetManualTemp(10.0, 20.0));
    EXPECT_FALSE(graph.SetManualRange(0));
    EXPECT_DOUBLE_EQ(graph.yMax, 50.0);
    EXPECT_DOUBLE_EQ(graph.yMin, 0.0);
    EXPECT_EQ(graph.xRange, 300);
    EXPECT_TRUE(graph.SetManualTemp(120.0, -20.0));
    EXPECT_TRUE(graph.SetManualRange(36000));
    EXPECT_EQ(graph.gridStep, 120);

    TempDir dir;
    struct Row {
        std::string keys;
        int seconds;
        double yMax, yMin, adj;
    };
    const Row rows[] = {
        {"", 30, 50, 0, 3},
        {"X_MaxStart=120\nY_MaxStart=80.5\nY_MinStart=-10\nY_AutoScaleAdj=2.5\n", 120, 80.5, -10, 2.5},
        {"X_MaxStart=0\nY_MaxStart=10\nY_MinStart=10\n", 30, 50, 0, 3},
        {"X_MaxStart=-5\nY_MaxStart=abc\nY_MinStart=5\n", 30, 50, 0, 3},
    };
    for (const Row& row : rows) {
        WriteFileBytes(dir.File("a.ini"), "[Capture]\n" + row.keys);
        AppState app;
        app.iniPath = dir.File("a.ini");
        const GraphStartSettings s = ReadGraphStartSettings(app);
        EXPECT_EQ(s.xMaxStartSeconds, row.seconds) << row.keys;
        EXPECT_DOUBLE_EQ(s.yMaxStart, row.yMax) << row.keys;
        EXPECT_DOUBLE_EQ(s.yMinStart, row.yMin) << row.keys;
        EXPECT_DOUBLE_EQ(s.autoScaleAdj, row.adj) << row.keys;
    }
}

TEST_F(CaptureGraphTest, SegmentsChangeColourWhereTheyCrossAnAlarmRow)
{
    graph.SetCanvas(&canvas, 160, 140); // plot 100 x 100: 2 rows per degree on 0 .. 50
    graph.DrawAxes();
    ASSERT_EQ(graph.hiLineY, 40);  // 40 degC
    ASSERT_EQ(graph.loLineY, 100); // 10 degC
    struct Row {
        const char* name;
        std::vector<double> temps;
        std::vector<std::string> calls; // after the first point
    };
    const Row rows[] = {
        // The first point's dot leaves the pen at (31, y0).
        {"up through HI", {30, 45}, {"line:43,40", "pen:alarm", "line:50,30"}},
        {"down through HI", {45, 30}, {"line:37,40", "pen:normal", "line:50,60"}},
        {"down through LO", {20, 5}, {"line:43,100", "pen:alarm", "line:50,110"}},
        {"above HI to below LO",
         {45, 5},
         {"line:33,40", "pen:normal", "line:47,100", "pen:alarm", "line:50,110"}},
        {"below LO to above HI",
         {5, 45},
         {"line:33,100", "pen:normal", "line:47,40", "pen:alarm", "line:50,30"}},
        {"no change", {20, 30}, {"line:50,60"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        graph.NewRecording();
        bool first = true;
        graph.PlotSample(first, row.temps[0], 30, graph.SampleY(row.temps[0]));
        canvas.Clear();
        graph.PlotSample(first, row.temps[1], 50, graph.SampleY(row.temps[1]));
        EXPECT_EQ(canvas.calls, row.calls);
    }
    // Both ends on one row (a steep scale): the colour changes at the end of the segment.
    graph.SetManualTemp(1000, 0);
    graph.DrawAxes();
    graph.NewRecording();
    bool first = true;
    graph.PlotSample(first, 39.9, 30, 120);
    canvas.Clear();
    graph.PlotSample(first, 40.1, 31, 120);
    EXPECT_EQ(canvas.calls, (std::vector<std::string>{"line:31,120", "pen:alarm"}));
}

TEST_F(CaptureGraphTest, PointsBeyondTheRightEdgeAreNotDrawn)
{
    graph.timeAuto = false;
    graph.SetManualRange(300);
    graph.DrawAxes();
    graph.PlotLive(0, 10, 20.0);
    canvas.Clear();
    graph.PlotLive(30, 10, 21.0); // at the right edge: drawn
    EXPECT_EQ(canvas.calls.size(), 1u);
    canvas.Clear();
    graph.PlotLive(31, 10, 22.0);
    EXPECT_TRUE(canvas.calls.empty());
    EXPECT_FALSE(graph.GrowTimeRange(310));
}

// A recording that runs through both alarm colours with a few gaps.
std::vector<CaptureSample> AlarmRecording(int32_t count)
{
    std::vector<CaptureSample> samples(static_cast<std::size_t>(count));
    for (int32_t n = 0; n < count; ++n) {
        const double phase = static_cast<double>(n) / count;
        const double c = 25 + 30 * std::sin(phase * 6 * 3.14159265) + 4 * std::sin(n * 0.37);
        auto& s = samples[static_cast<std::size_t>(n)];
        s.temp = static_cast<uint16_t>((c + 273.2) * 10);
        s.roomTemp = 2950;
        s.interval = 1;
        if (n % (count / 7) == count / 14) s.temp = kNoData;
    }
    return samples;
}

TEST(CaptureGraphReplot, ColumnSpansMatchDrawingEverySegment)
{
    for (int32_t count : {4'000, 300'000}) {
        SCOPED_TRACE(count);
        const std::vector<CaptureSample> samples = AlarmRecording(count);
        RasterCanvas fast(kWidth, kHeight), naive(kWidth, kHeight);
        for (RasterCanvas* canvas : {&fast, &naive}) {
            CaptureGraph graph;
            graph.SetCanvas(canvas, kWidth, kHeight);
            graph.SetStartSettings(GraphStartSettings{});
            graph.SetAlarmLimits(40.0, 10.0);
            graph.SetManualTemp(60.0, -10.0);
            graph.StartScales(1);
            while (graph.GrowTimeRange(count)) {
            }
            graph.DrawAxes();
            if (canvas == &fast) {
                graph.ReplotSamples(samples.data(), count, 1);
            } else {
                graph.ReplotEverySegment(samples.data(), count, 1);
            }
        }
        int painted = 0, differing = 0, wrongColour = 0;
        for (std::size_t i = 0; i < naive.pixels.size(); ++i) {
            painted += naive.pixels[i] != 0;
            differing += (naive.pixels[i] != 0) != (fast.pixels[i] != 0);
            wrongColour += naive.pixels[i] != 0 && fast.pixels[i] != 0 && naive.pixels[i] != fast.pixels[i];
        }
        ASSERT_GT(painted, 5000);
        EXPECT_LE(differing, painted / 200) << differing << " of " << painted;
        EXPECT_LE(wrongColour, painted / 100) << wrongColour << " of " << painted;
        // Both colours and the gaps survive.
        EXPECT_NE(std::count(fast.pixels.begin(), fast.pixels.end(), 2), 0);
        EXPECT_NE(std::count(fast.pixels.begin(), fast.pixels.end(), 1), 0);
    }
}

TEST_F(CaptureGraphTest, CrowdedRowsAndLabelsThinOutRegularlyInRoundSteps)
{
    struct Row {
        double yMax, yMin;
        int rows;                        // grid rows drawn
        std::vector<std::string> labels; // the first two
        std::size_t labelCount;
    };
    const Row rows[] = {
        {653.0, -43.0, 70, {"653.0", "603.0"}, 14}, // the widest auto-scale: a row every 10, a label every 50
        {176.0, -21.0, 99, {"176.0", "166.0"}, 20}, // a row every 2 degrees, a label every 10
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.yMax);
        canvas.Clear();
        graph.SetManualTemp(row.yMax, row.yMin); // 335 rows of plot
        graph.DrawAxes();
        EXPECT_EQ(canvas.gridLines - 7, row.rows);
        const std::vector<std::string> temps(canvas.texts.begin() + 7, canvas.texts.end());
        ASSERT_EQ(temps.size(), row.labelCount);
        EXPECT_EQ(std::vector<std::string>(temps.begin(), temps.begin() + 2), row.labels);
    }
}

} // namespace
