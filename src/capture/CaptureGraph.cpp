#include "capture/CaptureGraph.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <vector>

#include "app/AppState.h"
#include "app/IniFile.h"
#include "app/IniNumber.h"

namespace {

constexpr double kClampHigh = 600.0;
constexpr int kMinRowGap = 3;    // pixels between grid rows at least
constexpr int kLabelHeight = 11; // pixels between temperature labels at least
constexpr double kClampLow = -30.0;

int Round(double v)
{
    return static_cast<int>(v + 0.5);
}

// Leading blanks, then the longest decimal number; fallback when there is none.
double ParseDecimal(std::string_view text, double fallback)
{
    const std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos) return fallback;
    text.remove_prefix(start);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = fallback;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() ? value : fallback;
}

} // namespace

GraphStartSettings ReadGraphStartSettings(AppState& app)
{
    const std::string& iniPath = app.iniPath;
    GraphStartSettings settings;
    const GraphStartSettings defaults;
    settings.xMaxStartSeconds = static_cast<int>(ReadIniNumber(app, "Capture", "X_MaxStart"));
    settings.yMaxStart = ParseDecimal(IniFile::GetString(iniPath, "Capture", "Y_MaxStart", "50"), 0.0);
    settings.yMinStart = ParseDecimal(IniFile::GetString(iniPath, "Capture", "Y_MinStart", "0"), 0.0);
    if (!(settings.yMaxStart > settings.yMinStart)) {
        settings.yMaxStart = defaults.yMaxStart;
        settings.yMinStart = defaults.yMinStart;
    }
    settings.autoScaleAdj = ParseDecimal(IniFile::GetString(iniPath, "Capture", "Y_AutoScaleAdj", "3"), 0.0);
    return settings;
}

std::string FormatElapsed(int64_t ticks)
{
    const auto i = static_cast<uint64_t>(std::max<int64_t>(ticks, 0));
    char text[48];
    std::snprintf(text, sizeof text, "%02llu:%02llu:%02llu", static_cast<unsigned long long>(i / 36000),
                  static_cast<unsigned long long>((i / 10 % 3600) / 60),
                  static_cast<unsigned long long>(i / 10 % 60));
    return text;
}

CaptureGraph::CaptureGraph() : canvas_(&null_)
{
    SetCanvas(nullptr, 566, 375);
}

void CaptureGraph::SetCanvas(GraphCanvas* canvas, int width, int height)
{
    canvas_ = canvas != nullptr ? canvas : &null_;
    client_ = GraphRect{0, 0, width, height};
    plot_ = GraphRect{kMarginX, kMarginY, width - kMarginX, height - kMarginY};
    if (plot_.right <= plot_.left) plot_.right = plot_.left + 1;
    if (plot_.bottom <= plot_.top) plot_.bottom = plot_.top + 1;
}

void CaptureGraph::SetStartSettings(const GraphStartSettings& settings)
{
    yMaxStart = settings.yMaxStart;
    yMinStart = settings.yMinStart;
    autoScaleAdj = settings.autoScaleAdj;
    xRangeStart = static_cast<int64_t>(settings.xMaxStartSeconds) * 10;
    yMax = manualMax = yMaxStart;
    yMin = manualMin = yMinStart;
    xRange = manualRange = xRangeStart;
    gridStep = 1;
}

void CaptureGraph::SetAlarmLimits(double high, double low)
{
    alarmHigh = high;
    alarmLow = low;
}

void CaptureGraph::Select(GraphPen pen)
{
    canvas_->SelectPen(pen);
}

void CaptureGraph::MoveTo(int x, int y)
{
    penX_ = x;
    penY_ = y;
    canvas_->MoveTo(x, y);
}

void CaptureGraph::LineTo(int x, int y)
{
    penX_ = x;
    penY_ = y;
    canvas_->LineTo(x, y);
}

void CaptureGraph::DrawAxes()
{
    xScale = static_cast<double>(plot_.Width()) / static_cast<double>(xRange);
    yScale = plot_.Height() / (yMax - yMin);
    hiLineY = plot_.bottom - static_cast<int>((alarmHigh - yMin) * yScale);
    loLineY = plot_.bottom - static_cast<int>((alarmLow - yMin) * yScale);

    canvas_->FillWhite(client_.left, client_.top, client_.right, client_.bottom);
    Select(GraphPen::Grid);
    DrawTimeLabels(true);

    char text[32];
    // On a wide scale the rows crowd together: a row closer than kMinRowGap to the last one drawn
    // and a label closer than kLabelHeight to the last one written are left out.
    int lastRow = INT_MIN / 2;
    int lastLabel = INT_MIN / 2;
    for (int j = 0;; ++j) {
        const double y = plot_.top + j * yScale;
        if (!(y < plot_.bottom)) break;
        const int row = Round(y);
        if (row - lastRow >= kMinRowGap) {
            MoveTo(plot_.left, row);
            LineTo(plot_.right - 1, row);
            lastRow = row;
        }
        if (j % 5 == 0 && row - lastLabel >= kLabelHeight) {
            lastLabel = row;
            const double value = fahrenheit ? (yMax - j) * 1.8 + 32 : yMax - j;
            std::snprintf(text, sizeof text, "%5.1f", value);
            canvas_->Text(client_.left + 6, row - 6, text);
        }
    }

    Select(GraphPen::Frame);
    MoveTo(plot_.left, plot_.top);
    LineTo(plot_.right, plot_.top);
    LineTo(plot_.right, plot_.bottom - 1);
    LineTo(plot_.left, plot_.bottom - 1);
    LineTo(plot_.left, plot_.top);
}

void CaptureGraph::DrawTimeLabels(bool lines)
{
    // Only every gridStep * 50 ticks carries a line and a label: step straight from one to the next.
    const int64_t step = gridStep * 50;
    for (int64_t i = 0;; i += step) {
        const double x = plot_.left + static_cast<double>(i) * xScale;
        if (!(x < plot_.right + 1)) break;
        const int column = Round(x);
        if (lines) {
            MoveTo(column, plot_.bottom - 1);
            LineTo(column, plot_.top);
        }
        canvas_->Text(column - 15, plot_.bottom + 5, FormatElapsed(i));
    }
}

void CaptureGraph::RedrawTimeLabels()
{
    canvas_->FillWhite(plot_.left, client_.top, plot_.right, plot_.top);
    canvas_->FillWhite(plot_.left, plot_.bottom, plot_.right, client_.bottom);
    DrawTimeLabels(false);
}

void CaptureGraph::Present()
{
    canvas_->Present();
}

int CaptureGraph::AlarmStateOf(double t, double high, double low)
{
    int state = 0;
    if (t > high) state = 1;
    if (t < low) state = 2;
    return state;
}

void CaptureGraph::CrossRow(int row, int x, int y)
{
    const int64_t dx = x - penX_;
    const int64_t dy = y - penY_;
    const int64_t toRow = row - penY_;
    LineTo(penX_ + static_cast<int>(dx * toRow / dy), row);
}

void CaptureGraph::PlotSample(bool& first, double t, int x, int y)
{
    previousAlarmState = alarmState;
    alarmState = AlarmStateOf(t, alarmHigh, alarmLow);
    if (x > plot_.right) return;

    const GraphPen statePen = alarmState != 0 ? GraphPen::Alarm : GraphPen::Normal;
    if (first) {
        Select(statePen);
        MoveTo(x, y);
        LineTo(x + 1, y);
        first = false;
        return;
    }
    if (alarmState != previousAlarmState) {
        if (y == penY_) {
            // No row is crossed in between: the colour changes at the end of the segment.
            LineTo(x, y);
            Select(statePen);
            return;
        }
        switch (previousAlarmState * 3 + alarmState) {
        case 0 * 3 + 1:
        case 1 * 3 + 0:
            CrossRow(hiLineY, x, y);
            Select(statePen);
            break;
        case 0 * 3 + 2:
        case 2 * 3 + 0:
            CrossRow(loLineY, x, y);
            Select(statePen);
            break;
        case 2 * 3 + 1:
            CrossRow(loLineY, x, y);
            Select(GraphPen::Normal);
            if (y != penY_) CrossRow(hiLineY, x, y);
            Select(GraphPen::Alarm);
            break;
        case 1 * 3 + 2:
            CrossRow(hiLineY, x, y);
            Select(GraphPen::Normal);
            if (y != penY_) CrossRow(loLineY, x, y);
            Select(GraphPen::Alarm);
            break;
        default:
            break;
        }
    }
    LineTo(x, y);
}

int CaptureGraph::SampleX(int32_t n, int32_t intervalTicks) const
{
    return plot_.left + static_cast<int>(static_cast<double>(n) * xScale * intervalTicks);
}

int CaptureGraph::SampleY(double t) const
{
    return plot_.bottom - static_cast<int>((t - yMin) * yScale);
}

void CaptureGraph::PlotLive(int32_t n, int32_t intervalTicks, double t)
{
    const double clamped = std::clamp(t, kClampLow, kClampHigh);
    PlotSample(firstPoint, clamped, SampleX(n, intervalTicks), SampleY(clamped));
}

void CaptureGraph::ReplotEverySegment(const CaptureSample* samples, int32_t count, int32_t intervalTicks)
{
    Select(GraphPen::Normal);
    bool first = true;
    for (int32_t n = 0; n < count; ++n) {
        if (samples[n].temp == kNoData) {
            first = true;
            continue;
        }
        const double t = SampleCelsius(samples[n].temp);
        PlotSample(first, t, SampleX(n, intervalTicks), SampleY(t));
    }
    RedrawTimeLabels();
}

void CaptureGraph::DrawColumnSpan(int x, int top, int bottom)
{
    // Rows above alarm HI's row and below alarm LO's are drawn in the alarm colour.
    struct Piece {
        int from, to;
        GraphPen pen;
    };
    const Piece pieces[] = {
        {top, std::min(bottom, hiLineY), GraphPen::Alarm},
        {std::max(top, hiLineY), std::min(bottom, loLineY), GraphPen::Normal},
        {std::max(top, loLineY), bottom, GraphPen::Alarm},
    };
    for (const Piece& p : pieces) {
        if (p.from >= p.to) continue;
        Select(p.pen);
        MoveTo(x, p.from);
        LineTo(x, p.to);
    }
}

void CaptureGraph::ReplotSamples(const CaptureSample* samples, int32_t count, int32_t intervalTicks)
{
    const double step = xScale * intervalTicks;
    // Each sample in a column of its own, or few of them: the exact drawing is as quick.
    if (step >= 0.5 || count <= 2 * plot_.Width()) {
        ReplotEverySegment(samples, count, intervalTicks);
        return;
    }

    // The row of every possible reading, worked out once with the same formula as for a point.
    std::vector<int> rowOf(65536);
    for (int k10 = 0; k10 < 65536; ++k10) {
        rowOf[static_cast<std::size_t>(k10)] = SampleY(SampleCelsius(static_cast<uint16_t>(k10)));
    }

    Select(GraphPen::Normal);
    bool first = true;
    // The open run: consecutive valid samples in one column.
    bool open = false;
    int column = 0, firstY = 0, lastY = 0, minY = 0, maxY = 0;
    uint16_t firstTemp = 0, lastTemp = 0;
    int32_t runLength = 0;

    auto flush = [&] {
        if (!open) return;
        open = false;
        PlotSample(first, SampleCelsius(firstTemp), column, firstY);
        if (runLength < 2 || column > plot_.right) return;
        if (maxY > minY) {
            DrawColumnSpan(column, minY, maxY);
        }
        previousAlarmState = alarmState;
        alarmState = AlarmStateOf(SampleCelsius(lastTemp), alarmHigh, alarmLow);
        Select(alarmState != 0 ? GraphPen::Alarm : GraphPen::Normal);
        MoveTo(column, lastY);
    };

    const int left = plot_.left;
    const int* rows = rowOf.data();
    for (int32_t n = 0; n < count; ++n) {
        const uint16_t temp = samples[n].temp;
        if (temp == kNoData) {
            flush();
            first = true;
            continue;
        }
        const int x = left + static_cast<int>(static_cast<double>(n) * step);
        const int y = rows[temp];
        if (open && x == column) {
            lastY = y;
            lastTemp = temp;
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
            ++runLength;
            continue;
        }
        flush();
        if (x > plot_.right) {
            // Every later sample lies further right still; only the colour state follows them.
            previousAlarmState = alarmState;
            alarmState = AlarmStateOf(SampleCelsius(temp), alarmHigh, alarmLow);
            break;
        }
        open = true;
        column = x;
        firstY = lastY = minY = maxY = y;
        firstTemp = lastTemp = temp;
        runLength = 1;
    }
    flush();
    RedrawTimeLabels();
}

void CaptureGraph::Redraw(const CaptureSample* samples, int32_t count, int32_t intervalTicks)
{
    redrawing = true;
    DrawAxes();
    ReplotSamples(samples, count, intervalTicks);
    Present();
    redrawing = false;
}

bool CaptureGraph::AutoScaleTemp(double t)
{
    if (!tempAuto) return false;
    bool changed = false;
    if (t > yMax) {
        yMax = std::trunc(t + autoScaleAdj + 0.5);
        changed = true;
    }
    if (t < yMin) {
        yMin = std::trunc(t - autoScaleAdj + 0.5);
        changed = true;
    }
    return changed;
}

void CaptureGraph::StartScales(int32_t intervalTicks)
{
    if (tempAuto) {
        yMax = yMaxStart;
        yMin = yMinStart;
    } else {
        yMax = manualMax;
        yMin = manualMin;
    }
    if (timeAuto) {
        xRange = xRangeStart;
        gridStep = 1;
        while (intervalTicks >= xRange / 6) {
            xRange *= 2;
            gridStep *= 2;
        }
    } else {
        xRange = manualRange;
        gridStep = std::max<int64_t>(xRange / xRangeStart, 1);
    }
}

bool CaptureGraph::GrowTimeRange(int64_t elapsedTicks)
{
    if (!timeAuto || elapsedTicks < xRange) return false;
    xRange *= 2;
    gridStep *= 2;
    return true;
}

bool CaptureGraph::SetManualTemp(double maximum, double minimum)
{
    if (!(maximum > minimum) || !std::isfinite(maximum) || !std::isfinite(minimum)) return false;
    manualMax = yMax = maximum;
    manualMin = yMin = minimum;
    return true;
}

bool CaptureGraph::SetManualRange(int64_t rangeTicks)
{
    if (rangeTicks <= 0) return false;
    manualRange = xRange = rangeTicks;
    gridStep = std::max<int64_t>(xRange / xRangeStart, 1);
    return true;
}

void CaptureGraph::NewRecording()
{
    alarmState = previousAlarmState = 0;
    firstPoint = true;
}
