#include "app/IniFile.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string WithLineEnds(const std::string& lfText, const std::string& eol)
{
    std::string out;
    for (char c : lfText) {
        if (c == '\n')
            out += eol;
        else
            out += c;
    }
    return out;
}

// CP932 bytes as they lie on disk. ゾ is 83 5D: its trail byte is ']'.
const std::string kSample = "; settings of the thermometer program\n"
                            "[System]\n"
                            "Langage=1\n"
                            " windowtitle = \"  Quoted Title  \" \n"
                            "Single='abc'\n"
                            "Mismatch=\"abc'\n"
                            "LoneQuote=\"\n"
                            "Empty=\n"
                            "Blank =  \t \n"
                            ";Hidden=1\n"
                            "Dup=first\n"
                            "DUP=second\n"
                            "Eq=a=b\n"
                            "Japanese=\x95\xFA\x8E\xCB\x89\xB7\x93\x78\x8C\x76\n"
                            "NoEqualsSign\n"
                            "\n"
                            "[system]\n"
                            "Late=second section\n"
                            "[Other]\n"
                            "Langage=2\n"
                            "[\t Spaced ]\n"
                            "Key=v\n"
                            "[\x83\x5D\x81\x5B\x83\x93]\n"
                            "Key=zone\n"
                            "[Last]\n"
                            "Tail=no line end";

struct ReadCase {
    const char* section;
    const char* key;
    std::string expected;
};

const ReadCase kReadCases[] = {
    {"System", "Langage", "1"},
    {"SYSTEM", "LANGAGE", "1"},
    {"System", "WindowTitle", "  Quoted Title  "},
    {"System", "Single", "abc"},
    {"System", "Mismatch", "\"abc'"},
    {"System", "LoneQuote", "\""},
    {"System", "Empty", ""},
    {"System", "Blank", ""},
    {"System", "Hidden", "<default>"},
    {"System", ";Hidden", "<default>"},
    {"System", "Dup", "first"},
    {"System", "Eq", "a=b"},
    {"System", "Japanese", "放射温度計"},
    {"System", "NoEqualsSign", "<default>"},
    {"System", "Late", "<default>"},
    {"Other", "Langage", "2"},
    {"Spaced", "key", "v"},
    {"ゾーン", "Key", "zone"},
    {"Last", "Tail", "no line end"},
    {"Missing", "Langage", "<default>"},
    {"Other", "Missing", "<default>"},
};

class IniFileReadTest : public testing::TestWithParam<std::string> {};

TEST_P(IniFileReadTest, FindsTheFirstMatchingSectionAndKey)
{
    TempDir dir;
    const std::string path = dir.File("app.ini");
    WriteFileBytes(path, WithLineEnds(kSample, GetParam()));
    for (const auto& c : kReadCases) {
        SCOPED_TRACE(std::string(c.section) + "/" + c.key);
        EXPECT_EQ(IniFile::GetString(path, c.section, c.key, "<default>"), c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(LineEnds, IniFileReadTest, testing::Values("\n", "\r\n"),
                         [](const testing::TestParamInfo<std::string>& p) {
                             return p.param == "\n" ? "LF" : "CRLF";
                         });

TEST(IniFileTest, MissingFileOrFolderGivesTheDefault)
{
    TempDir dir;
    EXPECT_EQ(IniFile::GetString(dir.File("none.ini"), "System", "Langage", "0"), "0");
    EXPECT_EQ(IniFile::GetString(dir.Path(), "System", "Langage", "dir"), "dir");
    WriteFileBytes(dir.File("empty.ini"), "");
    EXPECT_EQ(IniFile::GetString(dir.File("empty.ini"), "System", "Langage", "放"), "放");
}

struct CutCase {
    std::string valueCp932;
    std::size_t bufferSize;
    std::string expected;
};

TEST(IniFileTest, BufferSizeCutsAtCharacterBoundaries)
{
    const std::string kanji = "\x95\xFA\x8E\xCB\x89\xB7\x93\x78\x8C\x76"; // 放射温度計, 10 bytes
    const CutCase cases[] = {
        {kanji, 11, "放射温度計"},
        {kanji, 10, "放射温度"}, // 9 bytes allowed: the fifth character would be cut in half
        {kanji, 9, "放射温度"},
        {kanji, 6, "放射"},
        {kanji, 2, ""},
        {"abcdef", 4, "abc"},
        {"a\xB1\x95\xFA", 4, "aｱ"},
        {"a\xB1\x95\xFA", 5, "aｱ放"},
        {"abc", 1, ""},
        {"abc", 0, ""},
        {std::string(300, 'x'), IniFile::kValueBuffer, std::string(254, 'x')},
        {std::string(300, 'x'), IniFile::kComPortBuffer, std::string(259, 'x')},
    };
    TempDir dir;
    const std::string path = dir.File("cut.ini");
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.bufferSize) + " " + c.expected);
        WriteFileBytes(path, "[S]\r\nK=" + c.valueCp932 + "\r\n");
        EXPECT_EQ(IniFile::GetString(path, "S", "K", "def", c.bufferSize), c.expected);
    }
}

TEST(IniFileTest, WriteReplacesTheValueAndKeepsEveryOtherByte)
{
    TempDir dir;
    const std::string path = dir.File("app.ini");
    const std::string before = "; comment = with [brackets]\r\n"
                               "\r\n"
                               "[ComPort]\r\n"
                               "Port=COM1\r\n"
                               "[System]\r\n"
                               "  langage = \"1\"  \r\n"
                               "Langage=3\r\n"
                               "\tWindowTitle=\x95\xFA\r\n"
                               "[Capture]\r\n"
                               "Langage=9";
    WriteFileBytes(path, before);

    ASSERT_TRUE(IniFile::WriteString(path, "SYSTEM", "Langage", "0"));
    std::string expected = before;
    expected.replace(expected.find("\"1\"  "), 5, "0");
    EXPECT_EQ(ReadFileBytes(path), expected);

    ASSERT_TRUE(IniFile::WriteString(path, "Capture", "langage", "放射"));
    expected.replace(expected.size() - 1, 1, "\x95\xFA\x8E\xCB");
    EXPECT_EQ(ReadFileBytes(path), expected);

    ASSERT_TRUE(IniFile::WriteString(path, "System", "WindowTitle", ""));
    expected.replace(expected.find("\x95\xFA\r\n"), 2, "");
    EXPECT_EQ(ReadFileBytes(path), expected);
    EXPECT_EQ(IniFile::GetString(path, "System", "WindowTitle", "def"), "");
    EXPECT_EQ(IniFile::GetString(path, "System", "Langage", "def"), "0");
    EXPECT_EQ(IniFile::GetString(path, "Capture", "Langage", "def"), "放射");
}

struct AppendCase {
    const char* name;
    std::string before;
    const char* section;
    std::string after;
};

TEST(IniFileTest, WriteAppendsMissingKeysAndSections)
{
    const AppendCase cases[] = {
        {"key after the section's last non-blank line", "[A]\nx=1\n\n; next\n[B]\ny=2\n", "A",
         "[A]\nx=1\n\n; next\nk=v\n[B]\ny=2\n"},
        {"blank lines stay between sections", "[A]\nx=1\n\n\n[B]\ny=2\n", "A",
         "[A]\nx=1\nk=v\n\n\n[B]\ny=2\n"},
        {"section with only its header", "[A]\n\n[B]\n", "a", "[A]\nk=v\n\n[B]\n"},
        {"last section", "[A]\r\nx=1\r\n[B]\r\ny=2\r\n\r\n", "B", "[A]\r\nx=1\r\n[B]\r\ny=2\r\nk=v\r\n\r\n"},
        {"last line without a line end", "[A]\nx=1", "A", "[A]\nx=1\nk=v\n"},
        {"header without a line end", "[A]", "A", "[A]\r\nk=v\r\n"},
        {"new section at the end", "[A]\r\nx=1\r\n", "B", "[A]\r\nx=1\r\n[B]\r\nk=v\r\n"},
        {"new section after a missing line end", "[A]\nx=1", "B", "[A]\nx=1\n[B]\nk=v\n"},
        {"new section in an empty file", "", "B", "[B]\r\nk=v\r\n"},
        {"key lines of another section do not count", "[B]\nk=old\n[A]\n", "A", "[B]\nk=old\n[A]\nk=v\n"},
    };
    TempDir dir;
    const std::string path = dir.File("app.ini");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFileBytes(path, c.before);
        ASSERT_TRUE(IniFile::WriteString(path, c.section, "k", "v"));
        EXPECT_EQ(ReadFileBytes(path), c.after);
        EXPECT_EQ(IniFile::GetString(path, c.section, "K", "def"), "v");
    }
}

TEST(IniFileTest, WriteCreatesAMissingFileInCp932)
{
    TempDir dir;
    const std::string path = dir.File("hardname.rm4");
    ASSERT_TRUE(IniFile::WriteString(path, "HardName", "012345678", "放射温度計ｱ"));
    EXPECT_EQ(ReadFileBytes(path),
              "[HardName]\r\n012345678=\x95\xFA\x8E\xCB\x89\xB7\x93\x78\x8C\x76\xB1\r\n");
    EXPECT_EQ(IniFile::GetString(path, "HardName", "012345678", ""), "放射温度計ｱ");

    ASSERT_TRUE(IniFile::WriteString(path, "機種", "名前", "温度"));
    EXPECT_EQ(IniFile::GetString(path, "機種", "名前", ""), "温度");
    // Nothing but the file itself is left in the folder.
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST(IniFileTest, WriteKeepsThePermissions)
{
    TempDir dir;
    const std::string path = dir.File("app.ini");
    WriteFileBytes(path, "[A]\nx=1\n");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(IniFile::WriteString(path, "A", "x", "2"));
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(IniFileTest, RefusedWritesLeaveTheFileAlone)
{
    TempDir dir;
    const std::string path = dir.File("app.ini");
    const std::string before = "[A]\nx=1\n";
    WriteFileBytes(path, before);
    EXPECT_FALSE(IniFile::WriteString(path, "A", "x", "two\nlines"));
    EXPECT_FALSE(IniFile::WriteString(path, "A", "a=b", "1"));
    EXPECT_FALSE(IniFile::WriteString(path, "A]", "x", "1"));
    EXPECT_FALSE(IniFile::WriteString(path, "A", "", "1"));
    EXPECT_FALSE(IniFile::WriteString(path, "", "x", "1"));
    EXPECT_EQ(ReadFileBytes(path), before);

    EXPECT_FALSE(IniFile::WriteString(dir.File("no/such/folder.ini"), "A", "x", "1"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("no")));
    EXPECT_FALSE(IniFile::WriteString(dir.Path(), "A", "x", "1"));
}

TEST(IniFileTest, UnwritableFolderKeepsTheOriginal)
{
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    TempDir dir;
    const std::string sub = dir.File("ro");
    ASSERT_EQ(mkdir(sub.c_str(), 0755), 0);
    const std::string path = sub + "/app.ini";
    WriteFileBytes(path, "[A]\nx=1\n");
    ASSERT_EQ(chmod(sub.c_str(), 0555), 0);
    EXPECT_FALSE(IniFile::WriteString(path, "A", "x", "2"));
    EXPECT_EQ(ReadFileBytes(path), "[A]\nx=1\n");
    chmod(sub.c_str(), 0755);
}

TEST(IniFileTest, ToIntReadsLikeAtoi)
{
    const std::pair<const char*, int> cases[] = {
        {"", 0},
        {"0", 0},
        {"1", 1},
        {" \t42", 42},
        {"-7x", -7},
        {"+3", 3},
        {"abc", 0},
        {"12abc", 12},
        {"1.9", 1},
        {"- 1", 0},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"-2147483648", INT_MIN},
        {"99999999999999999999", INT_MAX},
        {"-99999999999999999999", INT_MIN},
    };
    for (const auto& [text, value] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(IniFile::ToInt(text), value);
    }
}

} // namespace
