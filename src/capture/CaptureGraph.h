#pragma once

#include <cstdint>
#include <string>

#include "capture/CaptureSample.h"

struct AppState;

enum class GraphPen { Normal, Alarm, Frame, Grid };

// Where the graph draws: an off-screen picture with a current pen position. The widget side
// paints into an image; tests record the calls.
class GraphCanvas {
public:
    virtual ~GraphCanvas() = default;
    virtual void SelectPen(GraphPen pen) = 0;
    virtual void MoveTo(int x, int y) = 0;
    // A line from the current position to (x, y), which becomes the current position.
    virtual void LineTo(int x, int y) = 0;
    // Text with its top left corner at (x, y), in the default text colour and background.
    virtual void Text(int x, int y, const std::string& text) = 0;
    // The width in pixels of what Text writes.
    virtual int TextWidth(const std::string& text) = 0;
    // White over left <= x < right, top <= y < bottom.
    virtual void FillWhite(int left, int top, int right, int bottom) = 0;
    // Copies the whole picture to the screen.
    virtual void Present() = 0;
};

// A canvas that draws nothing (a recording without a window).
class NullCanvas final : public GraphCanvas {
public:
    void SelectPen(GraphPen) override {}
    void MoveTo(int, int) override {}
    void LineTo(int, int) override {}
    void Text(int, int, const std::string&) override {}
    int TextWidth(const std::string&) override { return 0; }
    void FillWhite(int, int, int, int) override {}
    void Present() override {}
};

struct GraphRect {
    int left = 0, top = 0, right = 0, bottom = 0; // right and bottom exclusive
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

// The [Capture] keys the graph starts from.
struct GraphStartSettings {
    int xMaxStartSeconds = 30;
    double yMaxStart = 50.0;
    double yMinStart = 0.0;
    double autoScaleAdj = 3.0;
};

// Reads X_MaxStart (a bad value told once, the default used), Y_MaxStart, Y_MinStart and
// Y_AutoScaleAdj. A
// maximum not above the minimum gives way to the defaults.
GraphStartSettings ReadGraphStartSettings(AppState& app);

// The temperature graph: elapsed time across, measured temperature up, one grid line per
// degree and every gridStep * 5 s, line colour by the alarm limits. Temperatures are degC.
class CaptureGraph {
public:
    static constexpr int kMarginX = 30;
    static constexpr int kMarginY = 20;

    CaptureGraph();

    // The picture's size and the canvas to draw on (not owned; null draws nothing).
    void SetCanvas(GraphCanvas* canvas, int width, int height);
    void SetStartSettings(const GraphStartSettings& settings);
    void SetAlarmLimits(double high, double low);

    const GraphRect& ClientRect() const { return client_; }
    const GraphRect& PlotRect() const { return plot_; }

    // Recompute the scale factors and alarm rows, clear, draw the grid with labels and the frame.
    void DrawAxes();
    // Draws one point; starts a new line when first is true (and clears it).
    void PlotSample(bool& first, double t, int x, int y);
    // Every sample of the recording again. Where many samples share a pixel column, the column's
    // span is drawn instead of each segment; the line breaks at kNoData and the alarm colours stay.
    void ReplotSamples(const CaptureSample* samples, int32_t count, int32_t intervalTicks);
    // The same with every segment drawn one by one.
    void ReplotEverySegment(const CaptureSample* samples, int32_t count, int32_t intervalTicks);
    void RedrawTimeLabels();
    void Present();
    // DrawAxes, ReplotSamples and Present with redrawing set.
    void Redraw(const CaptureSample* samples, int32_t count, int32_t intervalTicks);

    // Pixel position of sample n at temperature t (degC).
    int SampleX(int32_t n, int32_t intervalTicks) const;
    int SampleY(double t) const;
    // Plots a live sample: t is clamped to -30 .. 600.
    void PlotLive(int32_t n, int32_t intervalTicks, double t);

    // Widens the temperature scale to t when the auto-scale is on; true when it changed (the
    // caller then redraws).
    bool AutoScaleTemp(double t);
    // Scales of a new recording.
    void StartScales(int32_t intervalTicks);
    // Doubles the time range while elapsed ticks reach it (auto-scale on); true when it grew.
    bool GrowTimeRange(int64_t elapsedTicks);
    // Manual scales: each is taken only when usable (maximum above minimum, range above 0); a
    // refused value leaves the scale as it was. False when something was refused.
    bool SetManualTemp(double maximum, double minimum);
    bool SetManualRange(int64_t rangeTicks);
    void NewRecording();

    double yMax = 50.0, yMin = 0.0;
    double yMaxStart = 50.0, yMinStart = 0.0;
    double autoScaleAdj = 3.0;
    double manualMax = 50.0, manualMin = 0.0;
    int64_t xRange = 300;
    int64_t xRangeStart = 300;
    int64_t manualRange = 300;
    int64_t gridStep = 1;
    double xScale = 0.0, yScale = 0.0;
    int hiLineY = 0, loLineY = 0;
    bool tempAuto = true;
    bool timeAuto = true;
    bool firstPoint = true;
    int alarmState = 0, previousAlarmState = 0;
    bool redrawing = false;
    bool fahrenheit = false;
    double alarmHigh = 600.0, alarmLow = -30.0;

private:
    void Select(GraphPen pen);
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void CrossRow(int row, int x, int y);
    void DrawTimeLabels(bool lines);
    void DrawColumnSpan(int x, int top, int bottom);
    static int AlarmStateOf(double t, double high, double low);

    GraphCanvas* canvas_;
    NullCanvas null_;
    GraphRect client_;
    GraphRect plot_;
    int penX_ = 0, penY_ = 0;
};

// "%02d:%02d:%02d" of a time in 100 ms ticks (hours take as many digits as they need).
std::string FormatElapsed(int64_t ticks);
// degC of a wire temperature (tenths of a kelvin, taken as signed 16 bits).
inline double SampleCelsius(uint16_t k10)
{
    return (static_cast<int16_t>(k10) - 2732) / 10.0;
}
