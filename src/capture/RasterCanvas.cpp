#include "capture/RasterCanvas.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;
constexpr int kDotRun = 2; // a dotted pen draws two pixels and leaves two

// A glyph: its width in pixels and its rows, top first; bit width - 1 is the leftmost column.
// Digits are four pixels wide, so that a label of the temperature scale stays clear of the frame.
struct Glyph {
    char c;
    int width;
    std::array<uint8_t, 7> rows;
};
constexpr std::array<Glyph, 15> kGlyphs{{
    {'0', 4, {0x6, 0x9, 0x9, 0x9, 0x9, 0x9, 0x6}},
    {'1', 4, {0x2, 0x6, 0x2, 0x2, 0x2, 0x2, 0x7}},
    {'2', 4, {0x6, 0x9, 0x1, 0x2, 0x4, 0x8, 0xF}},
    {'3', 4, {0xE, 0x1, 0x1, 0x6, 0x1, 0x1, 0xE}},
    {'4', 4, {0x2, 0x6, 0xA, 0xA, 0xF, 0x2, 0x2}},
    {'5', 4, {0xF, 0x8, 0xE, 0x1, 0x1, 0x9, 0x6}},
    {'6', 4, {0x6, 0x8, 0x8, 0xE, 0x9, 0x9, 0x6}},
    {'7', 4, {0xF, 0x1, 0x2, 0x2, 0x4, 0x4, 0x4}},
    {'8', 4, {0x6, 0x9, 0x9, 0x6, 0x9, 0x9, 0x6}},
    {'9', 4, {0x6, 0x9, 0x9, 0x7, 0x1, 0x1, 0x6}},
    {'+', 3, {0x0, 0x0, 0x2, 0x7, 0x2, 0x0, 0x0}},
    {'-', 4, {0x0, 0x0, 0x0, 0xF, 0x0, 0x0, 0x0}},
    {'.', 1, {0x0, 0x0, 0x0, 0x0, 0x0, 0x0, 0x1}},
    {':', 1, {0x0, 0x0, 0x1, 0x0, 0x0, 0x1, 0x0}},
    {' ', 1, {0x0, 0x0, 0x0, 0x0, 0x0, 0x0, 0x0}},
}};
constexpr int kUnknownWidth = 4; // a character without a glyph leaves a blank of a digit's width

const Glyph* FindGlyph(char c)
{
    for (const Glyph& glyph : kGlyphs) {
        if (glyph.c == c) return &glyph;
    }
    return nullptr;
}

} // namespace

RasterCanvas::RasterCanvas(int width, int height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), kWhite)
{
}

void RasterCanvas::Put(int x, int y, uint32_t rgb)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)] =
        rgb;
}

// One point of a line: a square of the pen's width, its top left corner half a width up and left.
void RasterCanvas::Dot(int x, int y)
{
    if (pen_.dotted && (dashPhase_++ / kDotRun) % 2 == 1) return;
    const int width = std::max(pen_.width, 1);
    const int offset = (width - 1) / 2;
    for (int dy = 0; dy < width; ++dy) {
        for (int dx = 0; dx < width; ++dx) {
            Put(x - offset + dx, y - offset + dy, pen_.rgb);
        }
    }
}

void RasterCanvas::MoveTo(int x, int y)
{
    x_ = x;
    y_ = y;
}

void RasterCanvas::LineTo(int x, int y)
{
    // Bresenham from the current position; the last point is left for the next segment.
    int cx = x_;
    int cy = y_;
    const int dx = std::abs(x - cx);
    const int dy = -std::abs(y - cy);
    const int sx = cx < x ? 1 : -1;
    const int sy = cy < y ? 1 : -1;
    int error = dx + dy;
    while (cx != x || cy != y) {
        Dot(cx, cy);
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            cx += sx;
        }
        if (twice <= dx) {
            error += dx;
            cy += sy;
        }
    }
    x_ = x;
    y_ = y;
}

void RasterCanvas::FillWhite(int left, int top, int right, int bottom)
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, width_);
    bottom = std::min(bottom, height_);
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            Put(x, y, kWhite);
        }
    }
}

int RasterCanvas::TextWidth(std::string_view text)
{
    text = text.substr(0, 1000);
    int width = 0;
    for (char c : text) {
        const Glyph* glyph = FindGlyph(c);
        width += (glyph ? glyph->width : kUnknownWidth) + kGlyphSpacing;
    }
    return width;
}

void RasterCanvas::Text(int x, int y, std::string_view text)
{
    text = text.substr(0, 1000);
    FillWhite(x, y, x + TextWidth(text), y + kCellHeight);
    int left = x;
    for (char c : text) {
        const Glyph* glyph = FindGlyph(c);
        if (!glyph) {
            left += kUnknownWidth + kGlyphSpacing;
            continue;
        }
        for (int row = 0; row < kGlyphHeight; ++row) {
            for (int column = 0; column < glyph->width; ++column) {
                if (glyph->rows[static_cast<std::size_t>(row)] & (1 << (glyph->width - 1 - column))) {
                    Put(left + column, y + 1 + row, kBlack);
                }
            }
        }
        left += glyph->width + kGlyphSpacing;
    }
}

uint32_t RasterCanvas::Pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                   static_cast<std::size_t>(x)];
}

Bitmap24 RasterCanvas::ToBitmap24() const
{
    Bitmap24 bitmap{width_, height_, {}};
    const std::size_t stride = static_cast<std::size_t>((3 * width_ + 3) / 4 * 4);
    bitmap.bottomUpRows.assign(stride * static_cast<std::size_t>(height_), 0);
    for (int y = 0; y < height_; ++y) {
        uint8_t* row = bitmap.bottomUpRows.data() + static_cast<std::size_t>(height_ - 1 - y) * stride;
        for (int x = 0; x < width_; ++x) {
            const uint32_t rgb = Pixel(x, y);
            row[3 * x] = static_cast<uint8_t>(rgb);
            row[3 * x + 1] = static_cast<uint8_t>(rgb >> 8);
            row[3 * x + 2] = static_cast<uint8_t>(rgb >> 16);
        }
    }
    return bitmap;
}

void RasterGraphCanvas::SelectPen(GraphPen pen)
{
    switch (pen) {
    case GraphPen::Normal:
        raster.SetPen({0x0000FF, 2, false});
        return;
    case GraphPen::Alarm:
        raster.SetPen({0xFF0000, 2, false});
        return;
    case GraphPen::Grid:
        raster.SetPen({0x787878, 1, true});
        return;
    case GraphPen::Frame:
        break;
    }
    raster.SetPen({kBlack, 1, false});
}

Bitmap24 DrawGraphPicture(CaptureGraph& graph, const CaptureSample* samples, int32_t count,
                          int32_t intervalTicks)
{
    const int width = graph.ClientRect().Width();
    const int height = graph.ClientRect().Height();
    RasterGraphCanvas canvas(width, height);
    graph.SetCanvas(&canvas, width, height);
    graph.Redraw(samples, count, intervalTicks);
    graph.SetCanvas(nullptr, width, height);
    return canvas.raster.ToBitmap24();
}
