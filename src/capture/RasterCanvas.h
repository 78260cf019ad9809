#pragma once

#include "capture/CaptureGraph.h"
#include "image/CJpegImage.h"

#include <cstdint>
#include <string_view>
#include <vector>

// A pen of the raster: its colour (0xRRGGBB), its width in pixels and whether it is dotted.
struct RasterPen {
    uint32_t rgb = 0x000000;
    int width = 1;
    bool dotted = false;
};

// A picture drawn without any window system: the graph of a recording made by the console tool,
// so that it can be saved as a JPEG beside a report like the page's graph. Starts white.
// Coordinates outside the picture are clipped; nothing ever writes outside it.
class RasterCanvas {
public:
    RasterCanvas(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }

    void SetPen(const RasterPen& pen) { pen_ = pen; }
    void MoveTo(int x, int y);
    // A line from the current position to (x, y) with the pen; (x, y) becomes the current
    // position. Like a window system's line, the end point itself is not drawn.
    void LineTo(int x, int y);
    // White over left <= x < right, top <= y < bottom.
    void FillWhite(int left, int top, int right, int bottom);
    // Black text on white with its top left corner at (x, y), in a built-in face 7 pixels high
    // (digits 4 pixels wide) of digits, '+', '-', '.', ':' and space; any other character is left
    // blank. The white box is one pixel wider than each glyph and one pixel taller above and below.
    void Text(int x, int y, std::string_view text);
    // The width of the white box Text writes.
    static int TextWidth(std::string_view text);

    // 0xRRGGBB of one pixel; 0 outside the picture.
    uint32_t Pixel(int x, int y) const;
    // The picture as bottom-up blue-green-red rows, each padded to 4 bytes.
    Bitmap24 ToBitmap24() const;

    static constexpr int kGlyphHeight = 7;
    static constexpr int kGlyphSpacing = 1; // blank column after each glyph
    static constexpr int kCellHeight = 9;   // one blank row above and below

private:
    void Put(int x, int y, uint32_t rgb);
    void Dot(int x, int y);

    int width_;
    int height_;
    std::vector<uint32_t> pixels_; // top-down rows of 0xRRGGBB
    RasterPen pen_;
    int x_ = 0;
    int y_ = 0;
    int dashPhase_ = 0; // position in the dotted pattern, carried from line to line
};

// The recording graph drawn on a raster, with the page's pens: blue and red 2 pixels wide for
// the line, black for the frame, dotted grey for the grid.
class RasterGraphCanvas final : public GraphCanvas {
public:
    RasterGraphCanvas(int width, int height) : raster(width, height) {}
    void SelectPen(GraphPen pen) override;
    void MoveTo(int x, int y) override { raster.MoveTo(x, y); }
    void LineTo(int x, int y) override { raster.LineTo(x, y); }
    void Text(int x, int y, const std::string& text) override { raster.Text(x, y, text); }
    int TextWidth(const std::string& text) override { return RasterCanvas::TextWidth(text); }
    void FillWhite(int left, int top, int right, int bottom) override
    {
        raster.FillWhite(left, top, right, bottom);
    }
    void Present() override {}

    RasterCanvas raster;
};

// The picture of a recording's graph as a full redraw draws it, at the graph's size, in its
// current scales and unit. The graph draws nothing afterwards (its canvas is then the null one):
// meant for a recording that no window shows.
Bitmap24 DrawGraphPicture(CaptureGraph& graph, const CaptureSample* samples, int32_t count,
                          int32_t intervalTicks);
