#include "capture/RecordingWriters.h"

#include "app/AppPaths.h"
#include "app/AppState.h"
#include "app/Calendar.h"
#include "app/Cp932.h"
#include "app/LangString.h"
#include "app/NumberText.h"
#include "capture/CaptureGraph.h"
#include "resources/StringIds.h"

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstdio>
#include <istream>
#include <ostream>

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kNoValue = "---";

double InUnit(double celsius, bool fahrenheit)
{
    return fahrenheit ? celsius * 1.8 + 32 : celsius;
}

template <typename... Args> std::string Format(const char* format, Args... args)
{
    std::array<char, 128> buffer{};
    std::snprintf(buffer.data(), buffer.size(), format, args...);
    return buffer.data();
}

// Replaces every occurrence of what, scanning on after each inserted text so that a value that
// holds the placeholder itself is left alone.
void ReplaceAll(std::string& text, std::string_view what, std::string_view with)
{
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size())) {
        text.replace(at, what.size(), with);
    }
}

enum class Placeholder { HardName, Time, Max, Min, Ave, AlarmHi, AlarmLo, Emissivity, Graph };
struct PlaceholderName {
    Placeholder id;
    std::string_view text;
};
// The order in which a line is searched.
constexpr std::array<PlaceholderName, 9> kPlaceholders{{
    {Placeholder::HardName, "__HARDNAME__"},
    {Placeholder::Time, "__TIME__"},
    {Placeholder::Max, "__MAX__"},
    {Placeholder::Min, "__MIN__"},
    {Placeholder::Ave, "__AVE__"},
    {Placeholder::AlarmHi, "__ALARMHI__"},
    {Placeholder::AlarmLo, "__ALARMLO__"},
    {Placeholder::Emissivity, "__EMISSIVITY__"},
    {Placeholder::Graph, "__GRAPH__"},
}};
constexpr std::string_view kUnitPlaceholder = "__SUFIX__";

std::string ValueOf(Placeholder id, const RecordingSaveData& rec)
{
    const bool hasSamples = rec.sampleCount > 0;
    auto temperature = [&](double celsius) { return FixedText(InUnit(celsius, rec.fahrenheit), 1, 5); };
    switch (id) {
    case Placeholder::HardName:
        return rec.typeName;
    case Placeholder::Time:
        return FormatElapsedTicks(static_cast<uint64_t>(rec.tickCount > 0 ? rec.tickCount : 0));
    case Placeholder::Max:
        return hasSamples ? temperature(rec.recordMax) : kNoValue;
    case Placeholder::Min:
        return hasSamples ? temperature(rec.recordMin) : kNoValue;
    case Placeholder::Ave:
        return hasSamples ? temperature(rec.average) : kNoValue;
    case Placeholder::AlarmHi:
        return temperature(rec.alarmHigh);
    case Placeholder::AlarmLo:
        return temperature(rec.alarmLow);
    case Placeholder::Emissivity:
        return FixedText(rec.emissivity, 2, 5);
    case Placeholder::Graph:
        return "<img src=" + rec.pictureName + ">";
    }
    return {};
}

} // namespace

std::string RecordingUnitText(const AppState& app, bool fahrenheit)
{
    return LoadLangString(app, fahrenheit ? StringId::Fahrenheit : StringId::Celsius);
}

std::string FormatElapsedTicks(uint64_t ticks)
{
    const uint64_t seconds = ticks / 10;
    return Format("%02" PRIu64 ":%02" PRIu64 ":%02" PRIu64 ".%" PRIu64 "00", ticks / 36000,
                  seconds % 3600 / 60, seconds % 60, ticks % 10);
}

std::string FormatSampleLine(int64_t elapsedTicks, const CaptureSample& sample, bool fahrenheit)
{
    // A missing value (a gap while the thermometer was away) leaves its field empty.
    auto field = [fahrenheit](uint16_t k10) {
        if (k10 == kNoData) return std::string(",");
        return "," + FixedText(InUnit(SampleCelsius(k10), fahrenheit), 1);
    };
    return FormatElapsedTicks(static_cast<uint64_t>(std::max<int64_t>(elapsedTicks, 0))) +
           field(sample.temp) + field(sample.roomTemp);
}

std::string FormatRecordStart(std::time_t time)
{
    std::tm local{};
    LocalTimeOf(time, local);
    std::array<char, 32> buffer{};
    if (std::strftime(buffer.data(), buffer.size(), "%Y%m%d_%H%M%S", &local) == 0) return {};
    return buffer.data();
}

std::string DefaultRecordingName(const AppState& app, std::time_t now)
{
    const std::string name = app.typeName.empty() ? LoadLangString(app, StringId::NoTypeName) : app.typeName;
    return name + "-" + FormatRecordStart(now);
}

std::string RecordingPictureName(std::string_view baseName)
{
    std::string name(baseName);
    ReplaceAll(name, "\u3000", "_");
    ReplaceAll(name, " ", "_");
    return name + ".jpg";
}

std::string RecordingTemplatePath(const AppState& app)
{
    return DataFilePath(app, app.language == 1 ? "templete_1(ENG).html" : "templete_1.html");
}

void WriteRecordingCsv(std::ostream& out, const RecordingSaveData& rec)
{
    out << FormatRecordStart(rec.recordStart) << kCrLf;
    uint64_t elapsed = 0;
    for (int32_t i = 0; i < rec.sampleCount; ++i) {
        const CaptureSample& sample = rec.samples[i];
        out << FormatSampleLine(static_cast<int64_t>(elapsed), sample, rec.fahrenheit) << kCrLf;
        // A negative interval cannot come from the page; it must not wind the clock back.
        elapsed += static_cast<uint64_t>(sample.interval > 0 ? sample.interval : 0);
    }
}

std::string FillReportLine(std::string_view line, const RecordingSaveData& rec)
{
    const PlaceholderName* found = nullptr;
    for (const PlaceholderName& placeholder : kPlaceholders) {
        if (line.find(placeholder.text) != std::string_view::npos) {
            found = &placeholder;
            break;
        }
    }
    // The template's bytes stay as they are; only the inserted values are converted, so an edited
    // template keeps every character the editor wrote, whatever the conversion would make of it.
    std::string filled(line);
    ReplaceAll(filled, kUnitPlaceholder, Utf8ToCp932(rec.unitText));
    if (found) ReplaceAll(filled, found->text, Utf8ToCp932(ValueOf(found->id, rec)));
    return filled;
}

void WriteRecordingReport(std::ostream& out, std::istream& templateText, const RecordingSaveData& rec)
{
    std::string line;
    while (std::getline(templateText, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out << FillReportLine(line, rec) << kCrLf;
    }
}
