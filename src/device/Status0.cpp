#include "device/Status0.h"

#include <cstdio>

Status0Result ApplyStatus0Template(uint16_t value, std::string_view templ)
{
    Status0Result result{value, false};
    for (int bit = 0; bit < 16; ++bit) {
        std::size_t index = static_cast<std::size_t>(15 - bit);
        if (index >= templ.size()) continue;
        const auto mask = static_cast<uint16_t>(1u << bit);
        if (templ[index] == '1' && (result.value & mask) == 0) {
            result.value = static_cast<uint16_t>(result.value | mask);
            result.changed = true;
        } else if (templ[index] == '0' && (result.value & mask) != 0) {
            result.value = static_cast<uint16_t>(result.value & ~mask);
            result.changed = true;
        }
    }
    return result;
}

std::string FormatSerialKey(uint32_t serial)
{
    char text[16];
    std::snprintf(text, sizeof text, "%09d", static_cast<int32_t>(serial));
    return text;
}

std::string FormatSerialText(uint32_t serial)
{
    // "%09d" always gives at least nine characters; a tenth digit or more is dropped, and a
    // negative number keeps its sign as the first character.
    const std::string digits = FormatSerialKey(serial);
    return "0" + digits.substr(0, 6) + "0" + digits.substr(6, 3);
}
