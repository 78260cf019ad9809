#include "memory/MemoryCapacity.h"

#include "app/IniFile.h"
#include "memory/MemoryRecord.h"

#include <algorithm>
#include <bit>

namespace {

int ReadValue(const std::string& iniPath, const char* key, const char* defaultValue)
{
    return std::max(0, IniFile::ToInt(IniFile::GetString(iniPath, "MemSet", key, defaultValue)));
}

} // namespace

CapacityTable ReadCapacityTable(const std::string& iniPath)
{
    CapacityTable table;
    table.temp = ReadValue(iniPath, "DataMax_TEMP", "150");
    const auto limited = [&](const char* key, const char* defaultValue) {
        return std::min(ReadValue(iniPath, key, defaultValue), table.temp);
    };
    table.tm = limited("DataMax_TEMP_TM", "35");
    table.tmAdd[0] = limited("DataMax_TEMP_TM_ADD1", "30");
    table.tmAdd[1] = limited("DataMax_TEMP_TM_ADD2", "25");
    table.tmAdd[2] = limited("DataMax_TEMP_TM_ADD3", "20");
    table.tmAdd[3] = limited("DataMax_TEMP_TM_ADD4", "20");
    table.add[0] = limited("DataMax_TEMP_ADD1", "90");
    table.add[1] = limited("DataMax_TEMP_ADD2", "60");
    table.add[2] = limited("DataMax_TEMP_ADD3", "45");
    table.add[3] = limited("DataMax_TEMP_ADD4", "35");
    return table;
}

int CapacityFor(const CapacityTable& table, uint16_t items)
{
    if ((items & ITEM_MASK) == 0) {
        return table.temp;
    }
    const int others =
        std::popcount(static_cast<unsigned>(items & (ITEM_ROOM | ITEM_EMISSIVITY | ITEM_MAX | ITEM_MIN)));
    if (items & ITEM_TIME) {
        return others == 0 ? table.tm : table.tmAdd[others - 1];
    }
    return table.add[others - 1];
}

std::string CapacityKeyFor(uint16_t items)
{
    if ((items & ITEM_MASK) == 0) return "DataMax_TEMP";
    const int others =
        std::popcount(static_cast<unsigned>(items & (ITEM_ROOM | ITEM_EMISSIVITY | ITEM_MAX | ITEM_MIN)));
    std::string key = (items & ITEM_TIME) ? "DataMax_TEMP_TM" : "DataMax_TEMP";
    if (others > 0) key += "_ADD" + std::to_string(others);
    return key;
}
