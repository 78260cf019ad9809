#pragma once

#include <cstdint>
#include <string>
#include <string_view>

constexpr std::string_view kDefaultStatus0Template = "111111_0000__1__";

struct Status0Result {
    uint16_t value;
    bool changed;
};

// Character 15 - b of the template governs bit b: '1' sets, '0' clears, anything else (or a
// missing character) leaves the bit as it is.
Status0Result ApplyStatus0Template(uint16_t value, std::string_view templ);

// "0" d1..d6 "0" d7..d9 from "%09d" of the serial taken as a signed 32-bit number.
std::string FormatSerialText(uint32_t serial);
// "%09d" of the serial taken as a signed 32-bit number: the type-name key.
std::string FormatSerialKey(uint32_t serial);
