#include "app/IniFile.h"
#include "app/AppState.h"
#include "app/IniNumber.h"
#include "support/FakeUserInterface.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>
#include <tuple>

namespace {

const std::string kKanji = "\x95\xFA\x8E\xCB\x89\xB7\x93\x78\x8C\x76"; // 放射温度計 in CP932

// Keys of [System] and their values ("-" when not found).
// clang-format off
const std::pair<const char*, const char*> kSystemKeys[] = {
    {"LANGAGE", "1"}, {"WindowTitle", "  Quoted Title  "}, {"Single", "abc"}, {"Mismatch", "\"abc'"},
    {"Blank", ""}, {"Hidden", "-"}, {";Hidden", "-"}, {"Dup", "first"}, {"Eq", "a=b"},
    {"NoEqualsSign", "-"}, {"Japanese", "放射温度計"}, {"Late", "-"}, {"Tail", "-"}};
// clang-format on

class IniFileReadTest : public testing::TestWithParam<const char*> {};

TEST_P(IniFileReadTest, FindsTheFirstMatchingSectionAndKey)
{
    TempDir dir;
    const std::string path = dir.File("app.ini");
    std::string text;
    // CP932 bytes as they lie on disk. ゾ is 83 5D: its trail byte is ']'.
    for (char c : ReadFileBytes(TestDataPath("ini/read-sample.ini")))
        text += c == '\n' ? std::string(GetParam()) : std::string(1, c);
    WriteFileBytes(path, text);
    for (const auto& [key, expected] : kSystemKeys)
        EXPECT_EQ(IniFile::GetString(path, "System", key, "-"), expected) << key;
    EXPECT_EQ(IniFile::GetString(path, "other", "Langage", "-"), "2");
    EXPECT_EQ(IniFile::GetString(path, "ゾーン", "Key", "-"), "zone");
    EXPECT_EQ(IniFile::GetString(path, "Last", "Tail", "-"), "no line end");
    EXPECT_EQ(IniFile::GetString(path, "Missing", "Langage", "-"), "-");
    EXPECT_EQ(IniFile::GetString(dir.File("none.ini"), "System", "Langage", "0"), "0");
    EXPECT_EQ(IniFile::GetString(dir.Path(), "System", "Langage", "dir"), "dir");
}

INSTANTIATE_TEST_SUITE_P(LineEnds, IniFileReadTest, testing::Values("\n", "\r\n"),
                         [](const auto& p) { return std::string(p.param[0] == '\r' ? "CrLf" : "Lf"); });

TEST(IniFileTest, BufferSizeCutsAtCharacterBoundaries)
{
    // Value in CP932, buffer size, expected: bufferSize - 1 bytes, never half a character.
    const std::string x300(300, 'x');
    // clang-format off
    const std::tuple<std::string, std::size_t, std::string> cases[] = {
        {kKanji, 11, "放射温度計"}, {kKanji, 10, "放射温度"}, {"a\xB1\x95\xFA", 4, "aｱ"}, {"a\xB1\x95\xFA", 5, "aｱ放"},
        {x300, IniFile::kValueBuffer, x300.substr(46)}, {x300, IniFile::kComPortBuffer, x300.substr(41)}};
    // clang-format on
    TempDir dir;
    for (const auto& [value, bufferSize, expected] : cases) {
        WriteFileBytes(dir.File("cut.ini"), "[S]\r\nK=" + value + "\r\n");
        EXPECT_EQ(IniFile::GetString(dir.File("cut.ini"), "S", "K", "def", bufferSize), expected)
            << bufferSize;
    }
}

TEST(IniFileTest, WriteReplacesTheValueOrAppendsKeySectionOrFileKeepingEveryOtherByte)
{
    // Golden files before and after, section, key, value. The line end is the file's own, CRLF when it
    // has none; a CP932 file is written in CP932, a UTF-8 file (with its mark) in UTF-8.
    const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
        {"replace", "SYSTEM", "Langage", "0"},
        {"cp932", "Capture", "langage", "放射"},
        {"after-comment", "A", "k", "v"},
        {"before-blanks", "A", "k", "v"},
        {"last-section", "B", "k", "v"},
        {"no-line-end", "A", "k", "v"},
        {"header-only", "a", "k", "v"},
        {"new-section", "B", "k", "v"},
        {"new-file", "B", "k", "v"},
        {"other-section", "A", "k", "v"},
        {"new-file-cp932", "HardName", "012345678", "放射温度計ｱ"},
        {"utf8", "ComPort", "Port", "温"}};
    TempDir dir;
    const std::string path = dir.File("app.ini");
    for (const auto& [name, section, key, value] : cases) {
        const std::string golden = TestDataPath(std::string("ini/") + name);
        std::filesystem::remove(path);
        if (std::filesystem::exists(golden + ".before.ini"))
            WriteFileBytes(path, ReadFileBytes(golden + ".before.ini"));
        ASSERT_TRUE(IniFile::WriteString(path, section, key, value));
        EXPECT_EQ(ReadFileBytes(path), ReadFileBytes(golden + ".after.ini")) << name;
    }
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(IniFileTest, FailedWritesLeaveTheOriginal)
{
    TempDir dir;
    const std::string path = dir.File("app.ini");
    WriteFileBytes(path, "[A]\nx=1\n");
    // clang-format off
    const std::tuple<const char*, const char*, const char*> refused[] = {
        {"A", "x", "two\nlines"}, {"A", "a=b", "1"}, {"A]", "x", "1"}, {"A", "", "1"}, {"", "x", "1"}};
    // clang-format on
    for (const auto& [section, key, value] : refused)
        EXPECT_FALSE(IniFile::WriteString(path, section, key, value))
            << section << "/" << key << "=" << value;
    EXPECT_FALSE(IniFile::WriteString(dir.File("no/such.ini"), "A", "x", "1"));
    EXPECT_EQ(ReadFileBytes(path), "[A]\nx=1\n");
}

TEST(IniFileTest, ToIntReadsLikeAtoi)
{
    // clang-format off
    const std::pair<const char*, int> cases[] = {
        {"", 0}, {" \t42", 42}, {"-7x", -7}, {"+3", 3}, {"abc", 0}, {"1.9", 1}, {"- 1", 0},
        {"2147483648", INT_MAX}, {"-99999999999999999999", INT_MIN}};
    // clang-format on
    for (const auto& [text, value] : cases)
        EXPECT_EQ(IniFile::ToInt(text), value) << text;
}

} // namespace

// Every number key: a bad value names the key, the value and the range once, and the default is
// used; a good value is taken.
TEST(IniNumberTest, EveryKeyToldOnceWithItsRangeAndTheDefaultUsed)
{
    TempDir dir;
    for (const IniNumberKey& row : IniNumberKeys()) {
        SCOPED_TRACE(std::string(row.section) + " " + row.key);
        for (const std::string& bad :
             {std::string("abc"), std::to_string(row.min - 1), std::to_string(row.max + 1),
              std::string("4000000000"), std::string("5x"), std::string("")}) {
            FakeUserInterface ui;
            AppState app;
            app.language = 1;
            app.ui = &ui;
            app.iniPath = dir.File("a.ini");
            WriteFileBytes(app.iniPath, std::string("[") + row.section + "]\n" + row.key + "=" + bad + "\n");
            EXPECT_EQ(ReadIniNumber(app, row.section, row.key), row.defaultValue) << bad;
            EXPECT_EQ(ReadIniNumber(app, row.section, row.key), row.defaultValue) << bad;
            ASSERT_EQ(ui.boxes.size(), 1u) << bad;
            EXPECT_EQ(ui.boxes[0].text, "INI file: [" + std::string(row.section) + "] " + row.key + " = \"" +
                                            bad + "\" is not accepted (" + std::to_string(row.min) + " to " +
                                            std::to_string(row.max) + "); " +
                                            std::to_string(row.defaultValue) + " is used instead");
            WriteFileBytes(app.iniPath, std::string("[") + row.section + "]\n" + row.key + "= " +
                                            std::to_string(row.max) + " \n");
            EXPECT_EQ(ReadIniNumber(app, row.section, row.key), row.max);
            std::filesystem::remove(app.iniPath);
            EXPECT_EQ(ReadIniNumber(app, row.section, row.key), row.defaultValue);
            EXPECT_EQ(ui.boxes.size(), 1u);
        }
    }
}

// An editor's UTF-8 byte-order mark is no part of the first section's name; the file's UTF-8
// text is read as UTF-8.
TEST(IniFileTest, AUtf8FileWithItsMarkIsReadAsUtf8)
{
    TempDir dir;
    const std::string path = dir.File("a.ini");
    WriteFileBytes(path, "\xEF\xBB\xBF[System]\r\nLangage=1\r\nWindowTitle=放射温度計\r\n");
    EXPECT_EQ(IniFile::GetString(path, "System", "Langage", "0") +
                  IniFile::GetString(path, "System", "WindowTitle", "") +
                  IniFile::GetString(path, "System", "WindowTitle", "", 7),
              "1放射温度計放射");
}
