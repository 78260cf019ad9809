#pragma once

#include "capture/CaptureSample.h"

#include <cstdint>
#include <ctime>
#include <iosfwd>
#include <string>
#include <string_view>

struct AppState;

// What saving needs of a paused recording, taken from the page at the moment of the save. The
// samples are not copied: they must outlive the writers' calls. Temperatures are degC.
struct RecordingSaveData {
    const CaptureSample* samples = nullptr;
    int32_t sampleCount = 0;
    std::time_t recordStart = 0; // local time of the most recent REC plus one second
    int64_t tickCount = 0;       // running time over all runs, 100 ms ticks
    double recordMax = -9999.0;
    double recordMin = 9999.0;
    double average = 0.0; // meaningless without samples; the report then shows "---"
    double alarmHigh = 600.0;
    double alarmLow = -30.0;
    double emissivity = 0.0;
    bool fahrenheit = false; // every temperature written in degF, the emissivity as it is
    std::string typeName;    // may be empty
    std::string unitText;    // "__SUFIX__": RecordingUnitText
    std::string pictureName; // "__GRAPH__": RecordingPictureName of the report's name
};

// Unit text of the current language: string 216 in degF, 148 in degC.
std::string RecordingUnitText(const AppState& app, bool fahrenheit);

// A duration of 100 ms ticks as "%02d:%02d:%02d.%d00"; hours take as many digits as they need.
std::string FormatElapsedTicks(uint64_t ticks);

// One sample as a line of the recording's CSV, without its line end: the elapsed time of the
// sample (100 ms ticks) as FormatElapsedTicks, then measured and room temperature "%.1f" in the
// display unit, not clamped; a missing value (kNoData) leaves its field empty.
std::string FormatSampleLine(int64_t elapsedTicks, const CaptureSample& sample, bool fahrenheit);
// The first line of the recording's CSV: the time "%Y%m%d_%H%M%S" in local time.
std::string FormatRecordStart(std::time_t time);

// "<typeName>-%Y%m%d_%H%M%S" of now; string 166 stands in for an empty type name.
std::string DefaultRecordingName(const AppState& app, std::time_t now);

// The graph picture's file name for a report named baseName (no folder, no extension): every
// space and full-width space becomes "_", then ".jpg".
std::string RecordingPictureName(std::string_view baseName);

// "templete_1.html", or "templete_1(ENG).html" in English, found by DataFilePath.
std::string RecordingTemplatePath(const AppState& app);

// Line 1 the start stamp "%Y%m%d_%H%M%S" (local time), then one "elapsed,temperature,room temperature" line
// per sample; CR LF line ends, no header. Temperatures are the thermometer's, not clamped.
void WriteRecordingCsv(std::ostream& out, const RecordingSaveData& rec);

// One template line with its placeholders replaced: every "__SUFIX__" by the unit text, and
// every occurrence of the first placeholder found (in the order __HARDNAME__, __TIME__, __MAX__,
// __MIN__, __AVE__, __ALARMHI__, __ALARMLO__, __EMISSIVITY__, __GRAPH__) by its value; any other
// placeholder on the same line stays. A recording without samples gives "---" for the maximum,
// minimum and average. The line is CP932 and so is the result: the line's own bytes are kept as
// they are and only the inserted values are converted.
std::string FillReportLine(std::string_view line, const RecordingSaveData& rec);

// The report: every line of the template (CP932, LF or CR LF ends) filled in and ended by CR LF;
// the result is CP932, ready to be written as it is.
void WriteRecordingReport(std::ostream& out, std::istream& templateText, const RecordingSaveData& rec);
