#include "capture/CaptureGraph.h"
#include "CaptureSimRig.h"
#include "capture/RasterCanvas.h"

#include <regex>

#include <map>

namespace {

constexpr int kWidth = 566, kHeight = 375;
constexpr uint32_t kWhite = 0xFFFFFF, kBlue = 0x0000FF, kRed = 0xFF0000;

// Records the drawing calls as text ("pen:alarm", "line:x,y", "x,y:text" ...) and counts grid lines.
struct CallCanvas final : GraphCanvas {
    void SelectPen(GraphPen p) override { pen = p, Add(std::string("pen:") + kPens[static_cast<int>(p)]); }
    void MoveTo(int x, int y) override { Add("move:" + At(x, y)); }
    void LineTo(int x, int y) override { Add("line:" + At(x, y)), gridLines += pen == GraphPen::Grid; }
    void Text(int x, int y, const std::string& s) override { Add(texts.emplace_back(At(x, y) + ":" + s)); }
    int TextWidth(const std::string& s) override { return 5 * static_cast<int>(s.size()); }
    void FillWhite(int l, int t, int r, int b) override { Add("fill:" + At(l, t) + "," + At(r, b)); }
    void Present() override { Add("present"); }
    void Add(const std::string& call) { calls.push_back(call); }
    static std::string At(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }
    static constexpr const char* kPens[] = {"normal", "alarm", "frame", "grid"};
    std::vector<std::string> calls, texts;
    int gridLines = 0;
    GraphPen pen = GraphPen::Frame;
};

class CaptureGraphTest : public ::testing::Test {
protected:
    CaptureGraphTest() { graph.SetCanvas(&canvas, kWidth, kHeight), graph.SetAlarmLimits(40.0, 10.0); }
    // The axes in short: grid lines; time labels; temperature labels, each as "x,y:first second .. last xN".
    std::string Axes() const
    {
        std::string out = std::to_string(canvas.gridLines);
        const auto bare = [](const std::string& t) { return t.substr(t.find(':') + 1); };
        for (bool time : {true, false}) {
            std::vector<std::string> l;
            for (const std::string& t : canvas.texts)
                if ((std::count(t.begin(), t.end(), ':') > 1) == time) l.push_back(t);
            if (l.size() < 2) return out + "; too few labels";
            out += "; " + l[0] + " " + bare(l[1]) + " .. " + bare(l.back()) + " x" + std::to_string(l.size());
        }
        return out;
    }
    CallCanvas canvas;
    CaptureGraph graph;
};

TEST_F(CaptureGraphTest, AxesDrawARowPerDegreeAndSixDivisionsThinnedOutInRoundSteps)
{
    for (const auto& row : DataRows("capture/graph_axes.txt")) {
        canvas = CallCanvas{};
        graph.StartScales(std::stoi(row[0])), graph.SetManualTemp(std::stod(row[1]), std::stod(row[2]));
        graph.fahrenheit = row[3] == "F", graph.DrawAxes();
        EXPECT_EQ(Axes(), row[4]);
        EXPECT_EQ(std::vector(canvas.calls.end() - 4, canvas.calls.end()), // the frame, closed
                  (std::vector<std::string>{"line:536,20", "line:536,354", "line:30,354", "line:30,20"}));
    }
}

TEST_F(CaptureGraphTest, ScalesGrowAutomaticallyAndTakeOnlyUsableValues)
{
    graph.RedrawTimeLabels(); // before the first axes there is no time scale: nothing to label, no hang
    EXPECT_TRUE(canvas.texts.empty());
    for (const auto& r : DataRows("capture/graph_grows.txt")) {
        if (r[0] == "1") graph.StartScales(5);
        EXPECT_EQ((std::tuple{graph.GrowTimeRange(std::stoll(r[1])), graph.xRange, graph.gridStep}),
                  std::tuple(r[2] == "1", std::stoll(r[3]), std::stoll(r[4])))
            << r[1];
    }
    graph.timeAuto = false;
    EXPECT_FALSE(graph.GrowTimeRange(10'000));

    for (const auto& r : DataRows("capture/graph_autoscale.txt")) {
        graph.StartScales(5);
        EXPECT_EQ((std::tuple{graph.AutoScaleTemp(std::stod(r[0])), graph.yMax, graph.yMin}),
                  std::tuple(r[1] != "50" || r[2] != "0", std::stod(r[1]), std::stod(r[2])))
            << r[0];
    }
    graph.tempAuto = false;
    EXPECT_EQ((std::pair{graph.AutoScaleTemp(99.0), graph.yMax}), std::pair(false, 50.0));

    // Unusable manual and starting scales are never taken.
    EXPECT_EQ((std::tuple{graph.SetManualTemp(20.0, 20.0), graph.SetManualTemp(10.0, 20.0),
                          graph.SetManualRange(0), graph.yMax, graph.yMin, graph.xRange}),
              std::tuple(false, false, false, 50.0, 0.0, int64_t{300}));
    EXPECT_EQ((std::tuple{graph.SetManualTemp(120.0, -20.0), graph.SetManualRange(36000), graph.gridStep}),
              std::tuple(true, true, int64_t{120}));

    TempDir dir;
    AppState app;
    app.iniPath = dir.File("a.ini");
    for (const auto& row : DataRows("capture/graph_starts.txt")) {
        WriteFileBytes(app.iniPath, "[Capture]\n" + std::regex_replace(row[0], std::regex(";"), "\n") + "\n");
        const GraphStartSettings s = ReadGraphStartSettings(app);
        EXPECT_EQ(std::tuple(s.xMaxStartSeconds, s.yMaxStart, s.yMinStart, s.autoScaleAdj),
                  std::tuple(std::stoi(row[1]), std::stod(row[2]), std::stod(row[3]), std::stod(row[4])))
            << row[0];
    }
}

TEST_F(CaptureGraphTest, SegmentsChangeColourWhereTheyCrossAnAlarmRowAndStopAtTheRightEdge)
{
    graph.SetCanvas(&canvas, 160, 140); // plot 100 x 100: 2 rows per degree on 0 .. 50
    graph.DrawAxes();
    ASSERT_EQ(std::pair(graph.hiLineY, graph.loLineY), std::pair(40, 100)); // 40 and 10 degC
    for (const auto& row : DataRows("capture/graph_segments.txt")) {
        graph.NewRecording();
        bool first = true;
        graph.PlotSample(first, std::stod(row[0]), 30, graph.SampleY(std::stod(row[0]))),
            canvas.calls.clear();
        graph.PlotSample(first, std::stod(row[1]), 50, graph.SampleY(std::stod(row[1])));
        EXPECT_EQ(canvas.calls, std::vector(row.begin() + 2, row.end())) << row[0] << " -> " << row[1];
    }
    // Both ends on one row (a steep scale): the colour changes at the end of the segment.
    graph.SetManualTemp(1000, 0), graph.DrawAxes(), graph.NewRecording();
    bool first = true;
    graph.PlotSample(first, 39.9, 30, 120), canvas.calls.clear(), graph.PlotSample(first, 40.1, 31, 120);
    EXPECT_EQ(canvas.calls, (std::vector<std::string>{"line:31,120", "pen:alarm"}));

    // Points beyond the right edge are not drawn: the number of calls after each point.
    std::vector<std::size_t> drawn;
    for (const auto& [seconds, c] : {std::pair(0, 20.0), {30, 21.0}, {31, 22.0}}) // 30: at the right edge
        canvas.calls.clear(), graph.PlotLive(seconds, 10, c), drawn.push_back(canvas.calls.size());
    EXPECT_EQ(drawn, (std::vector<std::size_t>{drawn[0], 1, 0}));
}

// The line's two colours in 1-pixel lines with their end points, grid and frame white, no text: two
// drawings compare pixel for pixel.
struct LineCanvas final : GraphCanvas {
    void SelectPen(GraphPen p) override { raster.SetPen({kRgb[static_cast<int>(p)]}); }
    void MoveTo(int x, int y) override { raster.MoveTo(x, y); }
    void LineTo(int x, int y) override { raster.LineTo(x, y), raster.LineTo(x + 1, y), raster.MoveTo(x, y); }
    void Text(int, int, const std::string&) override {}
    int TextWidth(const std::string&) override { return 0; }
    void FillWhite(int, int, int, int) override {}
    void Present() override {}
    static constexpr uint32_t kRgb[] = {kBlue, kRed, kWhite, kWhite}; // normal, alarm, frame, grid
    RasterCanvas raster{kWidth, kHeight};
};

TEST(CaptureGraphReplot, ColumnSpansMatchDrawingEverySegment)
{
    for (int32_t count : {4'000, 300'000}) {
        SCOPED_TRACE(count);
        // A recording that runs through both alarm colours with a few gaps.
        std::vector<CaptureSample> samples(static_cast<std::size_t>(count), {kNoData, 2950, 1});
        for (int32_t n = 0; n < count; ++n) {
            const double c = 25 + 30 * std::sin(n * 6 * 3.14159265 / count) + 4 * std::sin(n * 0.37);
            if (n % (count / 7) != count / 14)
                samples[static_cast<std::size_t>(n)].temp = static_cast<uint16_t>((c + 273.2) * 10);
        }
        LineCanvas canvases[2]; // every segment, column spans
        for (LineCanvas& canvas : canvases) {
            CaptureGraph graph;
            graph.SetCanvas(&canvas, kWidth, kHeight), graph.SetAlarmLimits(40.0, 10.0), graph.StartScales(1);
            graph.SetManualTemp(60.0, -10.0), graph.GrowTimeRange(count), graph.DrawAxes();
            (graph.*(&canvas == canvases ? &CaptureGraph::ReplotEverySegment : &CaptureGraph::ReplotSamples))(
                samples.data(), count, 1);
        }
        int painted = 0, alarm = 0, differing = 0, wrongColour = 0;
        for (int i = 0; i < kHeight * kWidth; ++i) {
            const uint32_t p[2] = {canvases[0].raster.Pixel(i % kWidth, i / kWidth),
                                   canvases[1].raster.Pixel(i % kWidth, i / kWidth)};
            painted += p[0] != kWhite, alarm += p[1] == kRed,
                differing += (p[0] != kWhite) != (p[1] != kWhite);
            wrongColour += p[0] != kWhite && p[1] != kWhite && p[0] != p[1];
        }
        // Next to nothing differs, and the alarm colour survives.
        EXPECT_TRUE(painted > 5000 && differing <= painted / 200 && wrongColour <= painted / 100 &&
                    alarm > painted / 10)
            << painted << " painted, " << differing << " differ, " << wrongColour << " in the wrong colour, "
            << alarm << " alarm";
    }
}

// Rows of a raster's pixels, top first, one character each: . white, # black, b blue, r red, g grey.
std::string Art(const RasterCanvas& c)
{
    static const std::map<uint32_t, char> kNames{
        {kWhite, '.'}, {0, '#'}, {kBlue, 'b'}, {kRed, 'r'}, {0x787878, 'g'}};
    std::string out;
    for (int y = 0; y < c.Height(); ++y, out += '|')
        for (int x = 0; x < c.Width(); ++x)
            out += kNames.contains(c.Pixel(x, y)) ? kNames.at(c.Pixel(x, y)) : '?';
    return out;
}

TEST(RasterCanvasTest, PensAndTextDrawTheirPixelsClippedAndTheGraphPictureInThePagesColours)
{
    RasterCanvas canvas(16, 8);
    canvas.SetPen({kBlue, 2, false}), canvas.MoveTo(1, 1), canvas.LineTo(6, 1); // right and down of the line
    canvas.SetPen({kRed, 1, false}), canvas.LineTo(6, 5); // on from where the last line ended
    // Two on, two off, the pattern carried from line to line.
    canvas.SetPen({0x787878, 1, true}), canvas.MoveTo(0, 6), canvas.LineTo(5, 6), canvas.LineTo(12, 6);
    canvas.SetPen({kBlue, 2, false}), canvas.MoveTo(-500, -509), canvas.LineTo(5000, 4991);
    EXPECT_EQ(Art(canvas), "........bbb.....|.bbbbbr..bbb....|.bbbbbr...bbb...|......r....bbb..|"
                           "......r.....bbb.|.............bbb|gg..gg..gg....bb|...............b|");
    canvas.FillWhite(-10, -10, 100, 100);
    EXPECT_EQ(std::tuple(canvas.Pixel(-1, 0), canvas.Pixel(16, 0), Art(canvas).find_first_not_of(".|")),
              std::tuple(0u, 0u, std::string::npos));
    RasterCanvas empty(-3, 0);
    EXPECT_TRUE((empty.LineTo(10, 10), empty.ToBitmap24().bottomUpRows.empty()));

    // Text is black on a white cell; an unknown character is a blank of a digit's width. An odd pen width
    // goes as much up and left of the line as down and right.
    canvas = RasterCanvas(24, 11);
    canvas.SetPen({kBlue, 11, false}), canvas.MoveTo(0, 5), canvas.LineTo(30, 5);
    canvas.Text(1, 1, "0-A:"), canvas.Text(20, 5, "7");
    EXPECT_EQ(Art(canvas), "bbbbbbbbbbbbbbbbbbbbbbbb|b.................bbbbbb|b.##..............bbbbbb|"
                           "b#..#.............bbbbbb|b#..#...........#.bbbbbb|b#..#.####........bb....|"
                           "b#..#.............bb####|b#..#...........#.bb...#|b.##..............bb..#.|"
                           "b.................bb..#.|bbbbbbbbbbbbbbbbbbbb.#..|");
    // The console tool's picture of a recording: a line that crosses the alarm limit changes colour
    // as on the page, inside the frame, at the page's size, as bottom-up blue-green-red rows.
    CaptureGraph graph;
    graph.SetAlarmLimits(40.0, 10.0), graph.StartScales(5);
    std::vector<CaptureSample> samples(40, {2982, 2932, 5}); // 25 degC, then 45 degC
    std::fill(samples.begin() + 20, samples.end(), CaptureSample{3182, 2932, 5});
    const Bitmap24 bitmap = DrawGraphPicture(graph, samples.data(), 40, 5);
    ASSERT_EQ(std::tuple(bitmap.width, bitmap.height, bitmap.bottomUpRows.size()),
              std::tuple(566, 375, std::size_t{1700 * 375})); // 1698 bytes and 2 of padding a row
    const auto pixel = [&](int x, int y) {
        const uint8_t* p = &bitmap.bottomUpRows[static_cast<std::size_t>((374 - y) * 1700 + 3 * x)];
        return static_cast<uint32_t>(p[2] << 16 | p[1] << 8 | p[0]);
    };
    // The line before and after the limit, the frame, the margin.
    EXPECT_EQ((std::vector{pixel(graph.SampleX(10, 5), graph.SampleY(25.0)),
                           pixel(graph.SampleX(30, 5), graph.SampleY(45.0)),
                           pixel(graph.PlotRect().left, graph.PlotRect().top + 3), pixel(2, 2)}),
              (std::vector{kBlue, kRed, 0x000000u, kWhite}));
}

} // namespace
