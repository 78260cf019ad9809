#include "capture/RecordingSave.h"

#include "app/AppState.h"
#include "app/Cp932.h"
#include "app/LangString.h"
#include "app/SafeFile.h"
#include "app/UserInterface.h"
#include "image/CJpegImage.h"

#include <fstream>
#include <iterator>
#include <sstream>

namespace {

constexpr int kAppNameId = 165;
constexpr int kFileOutputErrorId = 218;

bool ReportSaveFailure(AppState& app)
{
    if (app.ui) {
        app.ui->MessageBox(LoadLangString(app, kFileOutputErrorId), LoadLangString(app, kAppNameId),
                           MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    }
    return false;
}

// The whole template as UTF-8; false when it is missing or cannot be read.
bool ReadTemplate(const std::string& path, std::string& utf8)
{
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) return false;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return false;
    utf8 = Cp932ToUtf8(bytes);
    return true;
}

} // namespace

SaveTarget SplitSavePath(const std::string& chosenPath)
{
    SaveTarget target;
    const std::size_t slash = chosenPath.find_last_of('/');
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

bool SaveRecordingFiles(AppState& app, RecordingFormat format, const SaveTarget& target,
                        RecordingSaveData rec, const Bitmap24& graph)
{
    if (target.baseName.empty()) return ReportSaveFailure(app);
    const std::string base = target.folder + target.baseName;
    if (format == RecordingFormat::Csv) {
        std::ostringstream csv;
        WriteRecordingCsv(csv, rec);
        return WriteCp932File(base + ".csv", csv.str()) || ReportSaveFailure(app);
    }

    rec.pictureName = RecordingPictureName(target.baseName);
    if (!CJpegImage::SaveBitmapAsJpeg(target.folder + rec.pictureName, graph)) return ReportSaveFailure(app);
    std::string templateText;
    if (!ReadTemplate(RecordingTemplatePath(app), templateText)) return ReportSaveFailure(app);
    std::istringstream templateStream(templateText);
    std::ostringstream report;
    WriteRecordingReport(report, templateStream, rec);
    return WriteCp932File(base + ".html", report.str()) || ReportSaveFailure(app);
}
