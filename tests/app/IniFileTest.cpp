#include "app/IniFile.h"
#include "app/AppState.h"
#include "app/IniNumber.h"
#include "support/DataRows.h"
#include "support/FakeUserInterface.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>
#include <tuple>

namespace {

const std::string kKanji = "\x95\xFA\x8E\xCB\x89\xB7\x93\x78\x8C\x76"; // 放射温度計 in CP932

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
    for (std::vector<std::string> row : DataRows("ini/read-keys.txt")) {
        row.resize(3);
        EXPECT_EQ((std::vector{row[0], row[1], IniFile::GetString(path, row[0], row[1], "-")}), row);
    }
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
    // The line end is the file's own, CRLF when it has none; a CP932 file is written in CP932, a
    // UTF-8 file (with its mark) in UTF-8.
    TempDir dir;
    const std::string path = dir.File("app.ini");
    for (const std::vector<std::string>& row : DataRows("ini/writes.txt")) {
        const std::string &name = row[0], golden = TestDataPath("ini/" + name);
        std::filesystem::remove(path);
        if (std::filesystem::exists(golden + ".before.ini"))
            WriteFileBytes(path, ReadFileBytes(golden + ".before.ini"));
        ASSERT_TRUE(IniFile::WriteString(path, row[1], row[2], row[3]));
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
        const std::string head = std::string("[") + row.section + "]\n" + row.key + "=";
        for (const std::string& bad :
             {std::string("abc"), std::to_string(row.min - 1), std::to_string(row.max + 1),
              std::string("4000000000"), std::string("5x"), std::string("")}) {
            SCOPED_TRACE(head + bad);
            FakeUserInterface ui;
            AppState app;
            std::tie(app.iniPath, app.language, app.ui) = std::tuple(dir.File("a.ini"), 1, &ui);
            WriteFileBytes(app.iniPath, head + bad + "\n");
            const int64_t first = ReadIniNumber(app, row.section, row.key);
            EXPECT_EQ(std::pair(first, ReadIniNumber(app, row.section, row.key)),
                      std::pair(row.defaultValue, row.defaultValue));
            EXPECT_EQ(ui.BoxTexts(), std::vector<std::string>{
                                         "INI file: [" + std::string(row.section) + "] " + row.key + " = \"" +
                                         bad + "\" is not accepted (" + std::to_string(row.min) + " to " +
                                         std::to_string(row.max) + "); " + std::to_string(row.defaultValue) +
                                         " is used instead"});
            WriteFileBytes(app.iniPath, head + " " + std::to_string(row.max) + " \n");
            EXPECT_EQ(ReadIniNumber(app, row.section, row.key), row.max);
            std::filesystem::remove(app.iniPath);
            EXPECT_EQ(std::pair(ReadIniNumber(app, row.section, row.key), ui.boxes.size()),
                      std::pair(row.defaultValue, std::size_t{1}));
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
