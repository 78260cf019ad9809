#pragma once

#include <array>
#include <ctime>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "memory/MemoryList.h"

struct AppState;

// What a save takes from the list: the rows and captions as shown, the unit text and the
// registered type name. UTF-8 inside; the files are CP932.
struct MemoryListSnapshot {
    std::vector<MemoryListRow> rows;
    std::array<std::string, kMemoryColumns> captions;
    std::string unitText;
    std::string typeName;
    // A read that stopped part-way: the records that arrived whole and the thermometer's count.
    int recordsRead = 0;
    int storedCount = 0;
};

constexpr int kReportRowsPerPage = 20;

// The template's lines without their line ends.
std::vector<std::string> SplitTemplateLines(std::string_view text);

// One report page: the template's lines, each followed by CR LF, "__HARDNAME__" and "__SUFIX__"
// replaced (a line is looked at for them in that order and only the first kind found is
// handled); a "__LIST__" line becomes the rows from nextRow on, at most 20. nextRow moves past
// the rows written; complete becomes true when the last row has been written, or when the
// template has no "__LIST__" line at all (a page without rows would otherwise repeat forever).
// The template lines are CP932 and so is the page: every line without a placeholder is copied
// byte for byte, and only the inserted names, units and cells are converted.
void WriteMemoryReportPage(std::ostream& out, const std::vector<std::string>& templateLines,
                           const MemoryListSnapshot& list, int& nextRow, bool& complete);

// The CSV file: the captions, then one line per row with data; CR LF line ends.
void WriteMemoryCsv(std::ostream& out, const MemoryListSnapshot& list);

// "%s-%s": the type name (string 166 when empty) and the time as "%Y%m%d_%H%M%S".
std::string DefaultMemoryFileName(const AppState& app, const std::tm& localTime);

// Saves the list under the path the user chose: as report pages base(PAGEnn).html from the
// language's template beside the executable, or as base.csv; the chosen extension is not used.
// A template that cannot be read, or has no "__LIST__" line, is told by name and nothing is
// written. On a write failure shows message 218 and returns false; pages written before stay.
// saveDir receives the chosen folder (ending in '/', empty for the current folder). A list from a
// read that stopped part-way (fewer records read than stored) is saved as base + "-partial", and
// a message says how many records it holds and under which name.
bool SaveMemoryList(AppState& app, const std::string& chosenPath, bool asReport,
                    const MemoryListSnapshot& list, std::string& saveDir);

// The chosen path without its extension, and the page file of a report.
std::string SaveBasePath(const std::string& chosenPath);
std::string ReportPagePath(const std::string& basePath, int page);
