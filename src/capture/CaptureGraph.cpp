#include "capture/CaptureGraph.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "app/AppState.h"
#include "app/IniFile.h"
#include "app/IniNumber.h"
#include "app/NumberText.h"

namespace {

constexpr double kClampHigh = 600.0;
constexpr int kMinRowGap = 3;    // pixels between grid rows at least
constexpr int kLabelHeight = 11; // pixels between temperature labels at least
constexpr int kLabelGap = 3;     // pixels between a temperature label and the plot's left edge
constexpr double kClampLow = -30.0;

int Round(double v)
{
    return static_cast<int>(v + 0.5);
}

// The smallest of the round steps 1, 2, 5, 10, 20, 50, 100 ... that is at least minimum and
// needed and a multiple of multipleOf.
int RoundStep(int minimum, double needed, int multipleOf)
{
    for (int decade = 1;; decade *= 10) {
        for (int mantissa : {1, 2, 5}) {
            const int step = mantissa * decade;
            if (step >= minimum && step >= needed && step % multipleOf == 0) return step;
            if (decade > 100000) return step; // more than any temperature scale spans
        }
    }
}

// The INI's number, or fallback when the value does not begin with a usable one.
double ParseDecimal(std::string_view text, double fallback)
{
    const LeadingNumber number = ReadLeadingNumber(text);
    return number.length > 0 && std::isfinite(number.value) ? number.value : fallback;
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

    // A row every degree and a label every 5 while there is room; on a wider scale both thin out
    // to the next round step (2, 5, 10, 20, 50 ...) that leaves kMinRowGap pixels between rows and
    // kLabelHeight between labels, the labels always on drawn rows.
    const int rowStep = RoundStep(1, kMinRowGap / yScale, 1);
    const int labelStep = RoundStep(5, kLabelHeight / yScale, rowStep);
    std::vector<std::pair<int, double>> labels; // row, value in the display unit
    for (int j = 0;; j += rowStep) {
        const double y = plot_.top + j * yScale;
        if (!(y < plot_.bottom)) break;
        const int row = Round(y);
        MoveTo(plot_.left, row);
        LineTo(plot_.right - 1, row);
        if (j % labelStep == 0) labels.emplace_back(row, fahrenheit ? (yMax - j) * 1.8 + 32 : yMax - j);
    }
    // Right-aligned against the plot, one decimal; when a label would not fit beside the plot
    // (four figures in degF), every label of the axis goes without its decimal instead.
    const int room = plot_.left - kLabelGap - client_.left;
    int decimals = 1;
    for (const auto& label : labels) {
        if (canvas_->TextWidth(FixedText(label.second, 1, 0)) > room) decimals = 0;
    }
    for (const auto& [row, value] : labels) {
        const std::string text = FixedText(value, decimals, 0);
        canvas_->Text(std::max(client_.left, plot_.left - kLabelGap - canvas_->TextWidth(text)), row - 6,
                      text);
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
    // Before the first DrawAxes there is no time scale and so nothing to label.
    const int64_t step = gridStep * 50;
    if (!(xScale > 0.0) || step <= 0) return;
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
    // A recording taken back from its journal may need many doublings at once.
    while (elapsedTicks >= xRange) {
        xRange *= 2;
        gridStep *= 2;
    }
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
