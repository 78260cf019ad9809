#include "memory/MemoryCapacity.h"

#include "app/AppState.h"
#include "app/IniNumber.h"
#include "memory/MemoryRecord.h"

#include <algorithm>
#include <bit>

CapacityTable ReadCapacityTable(AppState& app)
{
    const auto read = [&](const char* key) { return static_cast<int>(ReadIniNumber(app, "MemSet", key)); };
    CapacityTable table;
    table.temp = read("DataMax_TEMP");
    const auto limited = [&](const char* key) { return std::min(read(key), table.temp); };
    table.tm = limited("DataMax_TEMP_TM");
    table.tmAdd[0] = limited("DataMax_TEMP_TM_ADD1");
    table.tmAdd[1] = limited("DataMax_TEMP_TM_ADD2");
    table.tmAdd[2] = limited("DataMax_TEMP_TM_ADD3");
    table.tmAdd[3] = limited("DataMax_TEMP_TM_ADD4");
    table.add[0] = limited("DataMax_TEMP_ADD1");
    table.add[1] = limited("DataMax_TEMP_ADD2");
    table.add[2] = limited("DataMax_TEMP_ADD3");
    table.add[3] = limited("DataMax_TEMP_ADD4");
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
