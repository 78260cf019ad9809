#include "device/Status0.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

TEST(Status0Test, TemplateSetsClearsAndLeavesBits)
{
    // Value, template, result, changed. Character 0 governs bit 15, character 15 bit 0; a short
    // template, or any character but '0' and '1', leaves the bit; characters past 16 are ignored.
    const std::string_view def = kDefaultStatus0Template;
    // clang-format off
    const std::tuple<uint16_t, std::string_view, uint16_t, bool> cases[] = {
        {0x0000, def, 0xFC04, true}, {0xFC04, def, 0xFC04, false}, {0xFFFF, def, 0xFE1F, true},
        {0x0000, "1", 0x8000, true}, {0x0001, "00000000000000011", 0x0001, false},
        {0xFFFF, "0000000000000000", 0x0000, true}, {0x00FF, "11110000", 0xF0FF, true},
        {0x1234, "", 0x1234, false}, {0xA5A5, "x_ 2-Y?.________", 0xA5A5, false}};
    // clang-format on
    for (const auto& [value, templ, expected, changed] : cases) {
        const Status0Result r = ApplyStatus0Template(value, templ);
        EXPECT_EQ(r.value, expected) << value << " " << templ;
        EXPECT_EQ(r.changed, changed) << value << " " << templ;
    }
}

TEST(Status0Test, SerialFormsTakeTheNumberAsSigned)
{
    // Serial, INI key, display text (the first nine characters with a '0' before and inside).
    const std::tuple<uint32_t, const char*, const char*> cases[] = {
        {0, "000000000", "00000000000"},           {12345678, "012345678", "00123450678"},
        {123456789, "123456789", "01234560789"},   {1234567890, "1234567890", "01234560789"},
        {0xFFFFFFFFu, "-00000001", "0-000000001"}, {0x80000000u, "-2147483648", "0-214740836"}};
    for (const auto& [serial, key, text] : cases) {
        EXPECT_EQ(FormatSerialKey(serial), key);
        EXPECT_EQ(FormatSerialText(serial), text);
    }
}

} // namespace
