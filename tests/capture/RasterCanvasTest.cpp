#include "capture/RasterCanvas.h"

#include "capture/CaptureGraph.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlue = 0x0000FF;
constexpr uint32_t kRed = 0xFF0000;

TEST(RasterCanvasTest, WidePenCoversTwoRowsAndStopsBeforeTheEndPoint)
{
    RasterCanvas canvas(40, 30);
    canvas.SetPen({kBlue, 2, false});
    canvas.MoveTo(10, 10);
    canvas.LineTo(20, 10);
    for (int x = 10; x <= 20; ++x) {
        EXPECT_EQ(canvas.Pixel(x, 10), kBlue) << x;
        EXPECT_EQ(canvas.Pixel(x, 11), kBlue) << x;
    }
    EXPECT_EQ(canvas.Pixel(9, 10), kWhite);
    EXPECT_EQ(canvas.Pixel(21, 10), kWhite);
    EXPECT_EQ(canvas.Pixel(15, 9), kWhite);
    EXPECT_EQ(canvas.Pixel(15, 12), kWhite);

    // The line goes on from where the last one ended.
    canvas.SetPen({kRed, 1, false});
    canvas.LineTo(20, 20);
    EXPECT_EQ(canvas.Pixel(20, 15), kRed);
    EXPECT_EQ(canvas.Pixel(20, 19), kRed);
    EXPECT_EQ(canvas.Pixel(20, 20), kWhite);
}

TEST(RasterCanvasTest, DottedPenLeavesGapsAndEverythingIsClipped)
{
    RasterCanvas canvas(20, 20);
    canvas.SetPen({0x787878, 1, true});
    canvas.MoveTo(0, 5);
    canvas.LineTo(12, 5);
    const uint32_t expected[] = {0x787878, 0x787878, kWhite,   kWhite,   0x787878, 0x787878,
                                 kWhite,   kWhite,   0x787878, 0x787878, kWhite,   kWhite};
    for (int x = 0; x < 12; ++x) {
        EXPECT_EQ(canvas.Pixel(x, 5), expected[x]) << x;
    }

    canvas.SetPen({kBlue, 2, false});
    canvas.MoveTo(-500, -500);
    canvas.LineTo(5000, 5000);
    EXPECT_EQ(canvas.Pixel(7, 7), kBlue);
    canvas.FillWhite(-10, -10, 100, 100);
    canvas.Text(15, 15, "12345678");
    canvas.Text(-30, -4, "-1");
    EXPECT_EQ(canvas.Pixel(7, 7), kWhite);
    EXPECT_EQ(canvas.Pixel(-1, 0), 0u);
    EXPECT_EQ(canvas.Pixel(20, 0), 0u);

    RasterCanvas empty(-3, 0);
    empty.LineTo(10, 10);
    EXPECT_TRUE(empty.ToBitmap24().bottomUpRows.empty());
}

TEST(RasterCanvasTest, TextIsBlackOnAWhiteCell)
{
    RasterCanvas canvas(30, 12);
    canvas.SetPen({kBlue, 2, false});
    for (int y = 0; y < 12; ++y) {
        canvas.MoveTo(0, y);
        canvas.LineTo(30, y);
    }
    canvas.Text(2, 1, "0-A");
    // clang-format off
    const std::tuple<int, int, uint32_t> pixels[] = {
        // "0": its top row is the two middle columns, one row below the box's top.
        {2, 2, kWhite}, {3, 2, 0}, {4, 2, 0}, {5, 2, kWhite}, {3, 1, kWhite},
        // "-": the middle row of the second glyph, four pixels from x = 7.
        {7, 5, 0}, {10, 5, 0}, {11, 5, kWhite}, {8, 4, kWhite},
        // An unknown character is a blank of a digit's width; outside the box the picture is untouched.
        {16, 5, kWhite}, {17, 5, kBlue}, {2, 10, kBlue}};
    // clang-format on
    for (const auto& [x, y, rgb] : pixels)
        EXPECT_EQ(canvas.Pixel(x, y), rgb) << x << "," << y;
}

TEST(RasterCanvasTest, BitmapRowsAreBottomUpPaddedAndBlueGreenRed)
{
    RasterCanvas canvas(509, 364);
    canvas.SetPen({kRed, 2, false});
    for (int y = 0; y < 40; ++y) {
        canvas.MoveTo(0, y);
        canvas.LineTo(40, y);
    }
    const Bitmap24 bitmap = canvas.ToBitmap24();
    ASSERT_EQ(bitmap.width, 509);
    ASSERT_EQ(bitmap.height, 364);
    ASSERT_EQ(bitmap.bottomUpRows.size(), 1528u * 364u) << "1527 bytes and 1 of padding a row";
    const uint8_t* top = bitmap.bottomUpRows.data() + 1528u * 363u;
    EXPECT_EQ(top[0], 0);
    EXPECT_EQ(top[1], 0);
    EXPECT_EQ(top[2], 255);
    EXPECT_EQ(bitmap.bottomUpRows[0], 255) << "the bottom row is white";
}

// The console tool's picture of a recording: a line that crosses the alarm limit changes colour
// as on the page, inside the frame, at the graph's size.
TEST(RasterCanvasTest, GraphPictureShowsTheRecordingInThePagesColours)
{
    CaptureGraph graph;
    graph.SetAlarmLimits(40.0, 10.0);
    graph.StartScales(5);
    std::vector<CaptureSample> samples;
    for (int i = 0; i < 40; ++i) {
        samples.push_back({static_cast<uint16_t>(i < 20 ? 2982 : 3182), 2932, 5}); // 25 degC, then 45 degC
    }
    const Bitmap24 bitmap = DrawGraphPicture(graph, samples.data(), 40, 5);
    ASSERT_EQ(std::pair(bitmap.width, bitmap.height), std::pair(566, 375));
    const auto pixel = [&](int x, int y) {
        const uint8_t* p = &bitmap.bottomUpRows[static_cast<std::size_t>((374 - y) * 1700 + 3 * x)];
        return static_cast<uint32_t>(p[2] << 16 | p[1] << 8 | p[0]);
    };
    EXPECT_EQ(pixel(graph.SampleX(10, 5), graph.SampleY(25.0)), kBlue);
    EXPECT_EQ(pixel(graph.SampleX(30, 5), graph.SampleY(45.0)), kRed);
    EXPECT_EQ(pixel(graph.PlotRect().left, graph.PlotRect().top + 3), 0x000000u) << "the frame";
    EXPECT_EQ(pixel(2, 2), kWhite);
}

} // namespace
