#include "capture/RecordingSave.h"

#include "app/AppState.h"
#include "app/IniNumber.h"
#include "app/LangString.h"
#include "app/SafeFile.h"
#include "app/StartUp.h"
#include "app/UserInterface.h"
#include "image/CJpegImage.h"
#include "resources/StringIds.h"

#include <optional>
#include <sstream>

namespace {

// A file of the recording that could not be written: the box says so, and the save fails.
bool ReportSaveFailure(AppState& app, const std::string& path)
{
    ReportFileNotWritten(app, path);
    return false;
}

} // namespace

RecordingSaveData SaveDataOf(const AppState& app, const RecordingSnapshot& snapshot)
{
    RecordingSaveData data;
    data.samples = snapshot.samples;
    data.sampleCount = snapshot.sampleCount;
    data.recordStart = snapshot.recordStart;
    data.tickCount = snapshot.tickCount;
    data.recordMax = snapshot.recordMax;
    data.recordMin = snapshot.recordMin;
    data.average = snapshot.average;
    data.alarmHigh = snapshot.alarmHigh;
    data.alarmLow = snapshot.alarmLow;
    data.emissivity = snapshot.emissivity;
    data.fahrenheit = snapshot.fahrenheit;
    data.typeName = snapshot.typeName;
    data.unitText = RecordingUnitText(app, snapshot.fahrenheit);
    return data;
}

SaveTarget SplitSavePath(const std::string& chosenPath)
{
    SaveTarget target;
    const std::size_t slash = chosenPath.find_last_of(kPathSeparators);
    std::string name = chosenPath;
    if (slash != std::string::npos) {
        target.folder = chosenPath.substr(0, slash + 1);
        name = chosenPath.substr(slash + 1);
    }
    const std::size_t dot = name.find_last_of('.');
    // A name that is all extension (".csv") keeps it, so the file gets a name at all.
    target.baseName = (dot == std::string::npos || dot == 0) ? name : name.substr(0, dot);
    return target;
}

bool WriteRecordingCsvFile(AppState& app, const std::string& path, const RecordingSaveData& rec)
{
    std::ostringstream csv;
    WriteRecordingCsv(csv, rec);
    return WriteCp932File(path, csv.str()) || ReportSaveFailure(app, path);
}

bool SaveRecordingFiles(AppState& app, RecordingFormat format, const SaveTarget& target,
                        RecordingSaveData rec, const Bitmap24& graph)
{
    if (target.baseName.empty()) return ReportSaveFailure(app, target.folder);
    const std::string base = target.folder + target.baseName;
    if (format == RecordingFormat::Csv) return WriteRecordingCsvFile(app, base + ".csv", rec);

    rec.pictureName = RecordingPictureName(target.baseName);
    if (!CJpegImage::SaveBitmapAsJpeg(target.folder + rec.pictureName, graph))
        return ReportSaveFailure(app, target.folder + rec.pictureName);
    const std::optional<std::string> templateText = ReadWholeFile(RecordingTemplatePath(app));
    if (!templateText) {
        ReportFileNotRead(app, RecordingTemplatePath(app));
        return false;
    }
    std::istringstream templateStream(*templateText);
    std::ostringstream report;
    WriteRecordingReport(report, templateStream, rec);
    return WriteFileAtomically(base + ".html", report.str()) || ReportSaveFailure(app, base + ".html");
}

std::vector<std::string> SaveDialogFilters(const std::string& filterText)
{
    std::vector<std::string> parts;
    std::size_t from = 0;
    while (from <= filterText.size()) {
        const std::size_t bar = filterText.find('|', from);
        const std::size_t end = bar == std::string::npos ? filterText.size() : bar;
        parts.push_back(filterText.substr(from, end - from));
        if (bar == std::string::npos) break;
        from = bar + 1;
    }
    std::vector<std::string> filters;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty() || parts[i + 1].empty()) break;
        filters.push_back(parts[i].find('(') == std::string::npos ? parts[i] + " (" + parts[i + 1] + ")"
                                                                  : parts[i]);
    }
    return filters;
}
