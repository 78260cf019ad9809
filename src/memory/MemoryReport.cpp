#include "memory/MemoryReport.h"

#include "app/AppPaths.h"
#include "app/AppState.h"
#include "app/Cp932.h"
#include "app/IniNumber.h"
#include "app/LangString.h"
#include "app/SafeFile.h"
#include "app/StartUp.h"
#include "app/UserInterface.h"
#include "app/Utf8Path.h"
#include "resources/StringIds.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <sstream>

namespace {

constexpr const char* kLineEnd = "\r\n";

// The saved files leave a cell empty where the list shows that it has no value.
const std::string& SavedCell(const std::string& cell)
{
    static const std::string empty;
    return cell == kNoValueCell ? empty : cell;
}

void ReplaceAll(std::string& line, std::string_view placeholder, const std::string& text)
{
    for (std::size_t at = line.find(placeholder); at != std::string::npos;
         at = line.find(placeholder, at + text.size())) {
        line.replace(at, placeholder.size(), text);
    }
}

void WriteReportRow(std::ostream& out, const MemoryListRow& row, int index)
{
    // Report column order: number, (blank), temperature, time, room, emissivity, MAX, MIN, (blank).
    static constexpr int kCells[] = {-1, -2, 1, 3, 2, 4, 5, 6, -2};
    out << "<tr>";
    for (int cell : kCells) {
        out << "<td align=center>";
        if (cell == -1) {
            out << index + 1;
        } else if (cell > 0 && row.hasData) {
            out << Utf8ToCp932(SavedCell(row.cells[static_cast<std::size_t>(cell)]));
        }
        out << "</td>";
    }
    out << "</tr>" << kLineEnd;
}

} // namespace

std::vector<std::string> SplitTemplateLines(std::string_view text)
{
    std::vector<std::string> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r')) line.remove_suffix(1);
        lines.emplace_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

void WriteMemoryReportPage(std::ostream& out, const std::vector<std::string>& templateLines,
                           const MemoryListSnapshot& list, int& nextRow, bool& complete)
{
    const int rowCount = static_cast<int>(list.rows.size());
    bool listed = false;
    for (std::string line : templateLines) {
        if (line.find("__HARDNAME__") != std::string::npos) {
            ReplaceAll(line, "__HARDNAME__", Utf8ToCp932(list.typeName));
        } else if (line.find("__SUFIX__") != std::string::npos) {
            ReplaceAll(line, "__SUFIX__", Utf8ToCp932(list.unitText));
        } else if (line.find("__LIST__") != std::string::npos) {
            listed = true;
            for (int n = 0; n < kReportRowsPerPage && nextRow < rowCount; ++n, ++nextRow) {
                WriteReportRow(out, list.rows[static_cast<std::size_t>(nextRow)], nextRow);
            }
            continue;
        }
        out << line << kLineEnd;
    }
    complete = !listed || nextRow >= rowCount;
}

void WriteMemoryCsv(std::ostream& out, const MemoryListSnapshot& list)
{
    for (std::size_t c = 0; c < list.captions.size(); ++c) {
        out << (c == 0 ? "" : ",") << list.captions[c];
    }
    out << kLineEnd;
    for (std::size_t i = 0; i < list.rows.size(); ++i) {
        const MemoryListRow& row = list.rows[i];
        if (!row.hasData) continue;
        out << i + 1;
        for (std::size_t c = 1; c < row.cells.size(); ++c) {
            out << ',' << SavedCell(row.cells[c]);
        }
        out << kLineEnd;
    }
}

std::string DefaultMemoryFileName(const AppState& app, const std::tm& localTime)
{
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d_%H%M%S", &localTime);
    const std::string name = app.typeName.empty() ? LoadLangString(app, StringId::NoTypeName) : app.typeName;
    return name + "-" + stamp;
}

std::string SaveBasePath(const std::string& chosenPath)
{
    const std::size_t slash = chosenPath.find_last_of(kPathSeparators);
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = chosenPath.rfind('.');
    return dot != std::string::npos && dot >= nameStart ? chosenPath.substr(0, dot) : chosenPath;
}

std::string ReportPagePath(const std::string& basePath, int page)
{
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "(PAGE%02d).html", page);
    return basePath + suffix;
}

bool SaveMemoryList(AppState& app, const std::string& chosenPath, bool asReport,
                    const MemoryListSnapshot& list, std::string& saveDir)
{
    const std::size_t slash = chosenPath.find_last_of(kPathSeparators);
    saveDir = slash == std::string::npos ? std::string() : chosenPath.substr(0, slash + 1);
    // A part of the memory must not pass for the whole of it: its name says so.
    const bool partial = list.storedCount > list.recordsRead;
    const std::string base = SaveBasePath(chosenPath) + (partial ? "-partial" : "");
    const auto tellPartial = [&](const std::string& path) {
        if (partial && app.ui != nullptr) {
            app.ui->MessageBox(
                FormatLangString(app, StringId::PartialSaved,
                                 {std::to_string(list.recordsRead), std::to_string(list.storedCount), path}),
                LoadLangString(app, StringId::AppName), MsgIcon::Information, MsgButtons::Ok, MsgAnswer::Ok);
        }
        return true;
    };
    if (!asReport) {
        std::ostringstream csv;
        WriteMemoryCsv(csv, list);
        if (!WriteCp932File(base + ".csv", csv.str())) {
            ReportFileNotWritten(app, base + ".csv");
            return false;
        }
        return tellPartial(base + ".csv");
    }
    const std::string templatePath =
        DataFilePath(app, app.language == 1 ? "templete_2(ENG).html" : "templete_2.html");
    int nextRow = 0;
    bool complete = false;
    for (int page = 1; !complete; ++page) {
        // The template is opened again for every page, as a page is a whole copy of it.
        const std::optional<std::string> text = ReadWholeFile(templatePath);
        if (!text) {
            ReportFileNotRead(app, templatePath);
            return false;
        }
        const std::vector<std::string> lines = SplitTemplateLines(*text);
        if (std::none_of(lines.begin(), lines.end(), [](const std::string& line) {
                return line.find("__LIST__") != std::string::npos;
            })) {
            // Pages without rows would be a report that silently lost the list.
            if (app.ui != nullptr) {
                app.ui->MessageBox(FormatLangString(app, StringId::NoListLine, {templatePath}),
                                   LoadLangString(app, StringId::AppName), MsgIcon::Exclamation,
                                   MsgButtons::Ok, MsgAnswer::Ok);
            }
            return false;
        }
        std::ostringstream html;
        WriteMemoryReportPage(html, lines, list, nextRow, complete);
        if (!WriteFileAtomically(ReportPagePath(base, page), html.str())) {
            ReportFileNotWritten(app, ReportPagePath(base, page));
            return false;
        }
    }
    return tellPartial(ReportPagePath(base, 1));
}
