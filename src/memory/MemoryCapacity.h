#pragma once

#include <cstdint>
#include <string>

// How many records the thermometer holds for each layout of a record, from [MemSet].
struct CapacityTable {
    int temp = 150;                  // DataMax_TEMP: no item; also the size of the record buffer
    int tm = 35;                     // DataMax_TEMP_TM: time only
    int tmAdd[4] = {30, 25, 20, 20}; // DataMax_TEMP_TM_ADD1..4: time and 1..4 other items
    int add[4] = {90, 60, 45, 35};   // DataMax_TEMP_ADD1..4: 1..4 items, no time
};

struct AppState;

// Reads the ten [MemSet] keys (missing or bad: the default, a bad value told once). Every
// value is limited to DataMax_TEMP, since the list shows that many slots of the buffer at most.
CapacityTable ReadCapacityTable(AppState& app);

// The capacity for the item bits: DataMax_TEMP without items, else the time / no-time entry for
// the number of the other four items set (which ones does not matter).
int CapacityFor(const CapacityTable& table, uint16_t items);
// The [MemSet] key CapacityFor takes its value from, for messages.
std::string CapacityKeyFor(uint16_t items);

// Most record slots a buffer may have: at one word per record, no more records fit the
// thermometer's 16-bit word addresses from 0x42 on.
constexpr int kMaxRecordSlots = 0xFFFF - 0x42 + 1;
