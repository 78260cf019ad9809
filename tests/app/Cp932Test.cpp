#include "app/Cp932.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Cp932Test, ConvertsKnownTextBothWays)
{
    const std::pair<std::string, std::string> pairs[] = {
        {"", ""},
        {"C:\\dir\\a~b=1;x", "C:\\dir\\a~b=1;x"},
        {"放射温度計アプリ", "\x95\xFA\x8E\xCB\x89\xB7\x93\x78\x8C\x76\x83\x41\x83\x76\x83\x8A"},
        {"No.ｱｲ放1", "No.\xB1\xB2\x95\xFA\x31"},
        // Where the Windows code page differs from plain Shift_JIS: the full-width tilde (plain
        // Shift_JIS has the wave dash there) and the NEC specials, which it lacks.
        {"～①№", "\x81\x60\x87\x40\x87\x82"}};
    for (const auto& [utf8, cp932] : pairs)
        EXPECT_EQ(std::pair(Utf8ToCp932(utf8), Cp932ToUtf8(cp932)), std::pair(cp932, utf8)) << utf8;
}

TEST(Cp932Test, BrokenInputIsReplacedNotFatal)
{
    const std::string bad = "\xEF\xBF\xBD"; // U+FFFD
    // clang-format off
    const std::pair<std::string, std::string> toUtf8[] = { // CP932 in, UTF-8 out
        {"A\x81", "A" + bad}, {"\x81 B", bad + " B"}, {"\x80x\xA0y\xFF", bad + "x" + bad + "y" + bad},
        {"\xFD\x95\xFA", bad + "放"}};
    const std::pair<std::string, std::string> toCp932[] = { // UTF-8 in, CP932 out
        {"a€b", "a?b"}, {"x😀y", "x?y"}, {"\xE6\x94\x41", "?A"}, {"\x80z", "?z"}, {"ok\xE6", "ok?"},
        {"€放", "?\x95\xFA"}};
    // clang-format on
    for (const auto& [in, out] : toUtf8)
        EXPECT_EQ(Cp932ToUtf8(in), out);
    for (const auto& [in, out] : toCp932)
        EXPECT_EQ(Utf8ToCp932(in), out) << in;
}

} // namespace
