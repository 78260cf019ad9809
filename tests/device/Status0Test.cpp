#include "device/Status0.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

struct TemplateCase {
    uint16_t value;
    std::string_view templ;
    uint16_t expected;
    bool changed;
};

std::string Describe(const TemplateCase& c)
{
    char text[64];
    std::snprintf(text, sizeof text, "0x%04X with \"%.*s\"", c.value, static_cast<int>(c.templ.size()),
                  c.templ.data());
    return text;
}

TEST(Status0Test, TemplateSetsClearsAndLeavesBits)
{
    const TemplateCase cases[] = {
        {0x0000, kDefaultStatus0Template, 0xFC04, true},
        {0xFC04, kDefaultStatus0Template, 0xFC04, false},
        {0xFFFF, kDefaultStatus0Template, 0xFE1F, true},
        // Bits 9, 4, 3, 1 and 0 are the thermometer's own under the default template.
        {0xFE1F, kDefaultStatus0Template, 0xFE1F, false},
        {0x021B, kDefaultStatus0Template, 0xFE1F, true},
        // Character 0 governs bit 15, character 15 bit 0.
        {0x0000, "1", 0x8000, true},
        {0xFFFF, "0", 0x7FFF, true},
        {0x0000, "0000000000000001", 0x0001, true},
        {0x0001, "0000000000000001", 0x0001, false},
        {0x0000, "1111111111111111", 0xFFFF, true},
        {0xFFFF, "0000000000000000", 0x0000, true},
        // A short template leaves the bits of its missing characters alone.
        {0x00FF, "11110000", 0xF0FF, true},
        {0x1234, "", 0x1234, false},
        // Characters after the sixteenth are not looked at.
        {0x0001, "00000000000000011", 0x0001, false},
        // Anything but '1' and '0' leaves the bit.
        {0xA5A5, "x_ 2-Y?.________", 0xA5A5, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Describe(c));
        const Status0Result r = ApplyStatus0Template(c.value, c.templ);
        EXPECT_EQ(r.value, c.expected);
        EXPECT_EQ(r.changed, c.changed);
    }
}

TEST(Status0Test, SerialFormsTakeTheNumberAsSigned)
{
    const struct {
        uint32_t serial;
        const char* key;
        const char* text;
    } cases[] = {
        {0, "000000000", "00000000000"},
        {12345678, "012345678", "00123450678"},
        {123456789, "123456789", "01234560789"},
        {999999999, "999999999", "09999990999"},
        // Ten digits: the display form keeps the first nine.
        {1234567890, "1234567890", "01234560789"},
        // Negative as a signed number: the first nine characters, sign included.
        {0xFFFFFFFFu, "-00000001", "0-000000001"},
        {0x80000000u, "-2147483648", "0-214740836"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.serial);
        EXPECT_EQ(FormatSerialKey(c.serial), c.key);
        const std::string text = FormatSerialText(c.serial);
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(text.size(), 11u);
    }
}

} // namespace
