#include "app/Cp932.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kFffd = "\xEF\xBF\xBD";

struct TextPair {
    const char* name;
    std::string utf8;
    std::string cp932;
};

// Text that both directions must map exactly onto each other.
const TextPair kPairs[] = {
    {"empty", "", ""},
    {"ascii keeps backslash and tilde", "C:\\dir\\a~b=1;x", "C:\\dir\\a~b=1;x"},
    {"kanji and full-width katakana", "放射温度計アプリケーション",
     "\x95\xFA\x8E\xCB\x89\xB7\x93\x78\x8C\x76\x83\x41\x83\x76\x83\x8A\x83\x50\x81\x5B\x83\x56\x83\x87\x83"
     "\x93"},
    {"half-width katakana are single bytes", "ｱｲｳ", "\xB1\xB2\xB3"},
    {"mixed", "No.ｱ放1",
     "No.\xB1\x95\xFA"
     "1"},
};

TEST(Cp932Test, ConvertsKnownTextBothWays)
{
    for (const auto& p : kPairs) {
        SCOPED_TRACE(p.name);
        EXPECT_EQ(Utf8ToCp932(p.utf8), p.cp932);
        EXPECT_EQ(Cp932ToUtf8(p.cp932), p.utf8);
    }
}

TEST(Cp932Test, LongTextSurvivesTheRoundTrip)
{
    std::string utf8;
    for (int i = 0; i < 3000; ++i)
        utf8 += (i % 3 == 0) ? "放" : (i % 3 == 1 ? "ｱ" : "x");
    std::string cp932 = Utf8ToCp932(utf8);
    EXPECT_EQ(cp932.size(), 1000u * 2 + 1000 + 1000);
    EXPECT_EQ(Cp932ToUtf8(cp932), utf8);
}

struct BrokenCase {
    const char* name;
    std::string input;
    std::string expected;
};

TEST(Cp932Test, BrokenBytesBecomeReplacementCharacters)
{
    const BrokenCase cases[] = {
        {"lead byte at the end", "A\x81", "A" + kFffd},
        {"lead byte before a blank keeps the blank", "\x81 B", kFffd + " B"},
        {"unassigned single bytes", "\x80x\xA0y\xFF", kFffd + "x" + kFffd + "y" + kFffd},
        {"good text after a bad byte", "\xFD\x95\xFA", kFffd + "放"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Cp932ToUtf8(c.input), c.expected);
    }
}

TEST(Cp932Test, UnconvertibleCharactersBecomeQuestionMarks)
{
    const BrokenCase cases[] = {
        {"euro sign has no CP932 code", "a€b", "a?b"},
        {"emoji", "x😀y", "x?y"},
        {"truncated UTF-8 keeps the next ASCII",
         "\xE6\x94"
         "A",
         "?A"},
        {"stray continuation byte", "\x80z", "?z"},
        {"UTF-8 cut at the very end", "ok\xE6", "ok?"},
        {"good text after a bad character", "€放", "?\x95\xFA"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Utf8ToCp932(c.input), c.expected);
    }
}

} // namespace
