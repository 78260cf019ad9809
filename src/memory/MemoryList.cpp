#include "memory/MemoryList.h"

#include "app/LangString.h"
#include "app/NumberText.h"
#include "device/CCommIO.h"

#include <cstdio>

namespace {

constexpr int kColumnCaptionIds[kMemoryColumns] = {190, 191, 193, 192, 194, 195, 196};
constexpr bool kColumnHasUnit[kMemoryColumns] = {false, true, true, false, false, true, true};

std::string Format(const char* format, auto... values)
{
    char text[64];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

bool IsValue(const std::string& field)
{
    return !field.empty() && field != kNoValueWord;
}

std::string TemperatureCell(const std::string& field, int unit)
{
    return IsValue(field) ? FixedText(ToDisplayUnit(field, unit), 1) : kNoValueCell;
}

} // namespace

double ToDisplayUnit(std::string_view word, int unit)
{
    const double kelvin = static_cast<unsigned>(HexToInt(word, 4)) / 10.0;
    switch (unit) {
    case UNIT_FAHRENHEIT:
        return (kelvin - 273.2) * 1.8 + 32.0;
    case UNIT_KELVIN:
        return kelvin;
    default:
        return kelvin - 273.2;
    }
}

std::string RowNumberText(int index)
{
    return Format("  %3d", index + 1);
}

std::string TimeStampText(const std::array<std::string, 4>& time)
{
    const auto byte = [&](int word, bool high) {
        const int value = HexToInt(time[static_cast<std::size_t>(word)], 4) & 0xFFFF;
        return high ? value >> 8 : value & 0xFF;
    };
    return Format("%02d%02d/%02d/%02d  %02d:%02d:%02d", byte(0, true), byte(0, false), byte(1, false),
                  byte(1, true), byte(2, false), byte(2, true), byte(3, false));
}

MemoryListRow MakeListRow(const MemoryRecord& record, int index, int unit)
{
    MemoryListRow row;
    row.cells[0] = RowNumberText(index);
    if (!HasData(record)) {
        return row;
    }
    row.hasData = true;
    row.cells[1] = TemperatureCell(record.temp, unit);
    row.cells[2] = TemperatureCell(record.room, unit);
    row.cells[3] = IsValue(record.time[0]) ? TimeStampText(record.time) : kNoValueCell;
    row.cells[4] = IsValue(record.emissivity)
                       ? FixedText(static_cast<unsigned>(HexToInt(record.emissivity, 4)) / 1000.0, 2)
                       : kNoValueCell;
    row.cells[5] = TemperatureCell(record.max, unit);
    row.cells[6] = TemperatureCell(record.min, unit);
    return row;
}

std::vector<MemoryListRow> MakeListRows(const std::vector<MemoryRecord>& records, int capacity, int unit)
{
    std::vector<MemoryListRow> rows;
    const MemoryRecord unread;
    for (int i = 0; i < capacity; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        rows.push_back(MakeListRow(slot < records.size() ? records[slot] : unread, i, unit));
    }
    return rows;
}

std::string UnitText(const AppState& app, int unit)
{
    switch (unit) {
    case UNIT_FAHRENHEIT:
        return LoadLangString(app, 216);
    case UNIT_KELVIN:
        return LoadLangString(app, 217);
    default:
        return LoadLangString(app, 148);
    }
}

std::array<std::string, kMemoryColumns> ColumnCaptions(const AppState& app, int unit)
{
    std::array<std::string, kMemoryColumns> captions;
    const std::string unitText = UnitText(app, unit);
    for (int c = 0; c < kMemoryColumns; ++c) {
        const std::string caption = LoadLangString(app, kColumnCaptionIds[c]);
        captions[static_cast<std::size_t>(c)] = kColumnHasUnit[c] ? caption + "(" + unitText + ")" : caption;
    }
    return captions;
}
