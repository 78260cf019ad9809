#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "memory/MemoryRecord.h"

struct AppState;

// Display units of the memory list.
enum MemoryUnit : int { UNIT_CELSIUS = 0, UNIT_FAHRENHEIT = 1, UNIT_KELVIN = 2 };

// List columns: number, temperature, room, time, emissivity, MAX, MIN.
constexpr int kMemoryColumns = 7;
constexpr const char* kNoValueCell = "----";

// A temperature word (four hex digits, tenths of a kelvin) in the unit; offset 273.2.
double ToDisplayUnit(std::string_view word, int unit);

// "  %3d" of the row index + 1.
std::string RowNumberText(int index);
// The time stamp "YYYY/MM/DD  hh:mm:ss" from the four time words (bytes, not BCD).
std::string TimeStampText(const std::array<std::string, 4>& time);

// One list row as shown: the number and six value cells. A row without data has empty value
// cells; a value field that is "FFFF" or empty shows "----".
struct MemoryListRow {
    bool hasData = false;
    std::array<std::string, kMemoryColumns> cells;
};
MemoryListRow MakeListRow(const MemoryRecord& record, int index, int unit);
// Rows 0 .. capacity - 1 of the records (slots beyond the buffer count as not read).
std::vector<MemoryListRow> MakeListRows(const std::vector<MemoryRecord>& records, int capacity, int unit);

// String 148, 216 or 217 in the current language.
std::string UnitText(const AppState& app, int unit);
// The seven column captions; temperature columns as "%s(%s)" with the unit text.
std::array<std::string, kMemoryColumns> ColumnCaptions(const AppState& app, int unit);
