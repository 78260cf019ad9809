#pragma once

#include <array>
#include <cstdint>
#include <string>

// Item bits of the thermometer's flag word (register 35): which items every stored record
// holds besides its measured temperature. The other bits of that word belong to the settings.
constexpr uint16_t ITEM_TIME = 0x04;       // four time stamp words
constexpr uint16_t ITEM_ROOM = 0x08;       // room temperature, tenths of a kelvin
constexpr uint16_t ITEM_EMISSIVITY = 0x10; // thousandths
constexpr uint16_t ITEM_MAX = 0x20;        // tenths of a kelvin
constexpr uint16_t ITEM_MIN = 0x40;        // tenths of a kelvin
constexpr uint16_t ITEM_MASK = 0x7C;

// The empty marker: a word without a value.
constexpr const char* kNoValueWord = "FFFF";

// One record slot of the thermometer's memory. Each field holds the four hex digits the
// thermometer sent, "FFFF" when the record was read without that item, or "" when the slot
// was not read.
struct MemoryRecord {
    std::string temp;
    std::array<std::string, 4> time; // year, day/month, minute/hour, second
    std::string room;
    std::string emissivity;
    std::string max;
    std::string min;
};

// Words one record takes with these item bits: 1 to 9.
inline int RecordWords(uint16_t items)
{
    int words = 1;
    if (items & ITEM_TIME) words += 4;
    for (uint16_t bit : {ITEM_ROOM, ITEM_EMISSIVITY, ITEM_MAX, ITEM_MIN}) {
        if (items & bit) ++words;
    }
    return words;
}

// A record with data: its temperature field is neither "FFFF" nor empty.
inline bool HasData(const MemoryRecord& record)
{
    return !record.temp.empty() && record.temp != kNoValueWord;
}
