#include "settings/TypeNames.h"

#include "app/AppState.h"
#include "app/IniFile.h"
#include "app/LangString.h"
#include "device/Status0.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Repeat(const std::string& piece, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

std::size_t Count(const std::string& text, const std::string& piece)
{
    std::size_t n = 0;
    for (std::size_t pos = text.find(piece); pos != std::string::npos; pos = text.find(piece, pos + 1))
        ++n;
    return n;
}

class TypeNamesTest : public testing::Test {
protected:
    TypeNamesTest() { app.exeDir = dir.Path(); }

    // What the registration writes.
    void Register(uint32_t serial, const std::string& name)
    {
        ASSERT_TRUE(IniFile::WriteString(TypeNameFilePath(app), "HardName", FormatSerialKey(serial), name));
    }
    std::string Lookup(uint32_t serial)
    {
        app.deviceSerial = serial;
        LookupTypeName(app);
        return app.typeName;
    }

    TempDir dir;
    AppState app;
};

TEST_F(TypeNamesTest, FileLivesBesideTheExecutable)
{
    EXPECT_EQ(TypeNameFilePath(app), dir.File("hardname.rm4"));
}

TEST_F(TypeNamesTest, UnregisteredThermometerHasNoName)
{
    app.typeName = "before";
    EXPECT_EQ(Lookup(12345678), "no name");
    Register(87654321, "Other");
    EXPECT_EQ(Lookup(12345678), "no name");
}

TEST_F(TypeNamesTest, SerialZeroUsesANineDigitKey)
{
    Register(0, "Zero");
    EXPECT_EQ(ReadFileBytes(TypeNameFilePath(app)), "[HardName]\r\n000000000=Zero\r\n");
    EXPECT_EQ(Lookup(0), "Zero");
}

TEST_F(TypeNamesTest, RegisteringTwiceKeepsOneKeyWithTheSecondName)
{
    Register(12345678, "First");
    Register(12345678, "Second");
    const std::string file = ReadFileBytes(TypeNameFilePath(app));
    EXPECT_EQ(Count(file, "012345678="), 1u);
    EXPECT_EQ(Count(file, "[HardName]"), 1u);
    EXPECT_EQ(Lookup(12345678), "Second");
}

TEST_F(TypeNamesTest, ThermometersKeepSeparateNames)
{
    Register(12345678, "放射計ｱ");
    Register(123456789, "Line B");
    Register(0xFFFFFFFFu, "Negative");
    EXPECT_EQ(Lookup(12345678), "放射計ｱ");
    EXPECT_EQ(Lookup(123456789), "Line B");
    EXPECT_EQ(Lookup(0xFFFFFFFFu), "Negative");
    EXPECT_EQ(Count(ReadFileBytes(TypeNameFilePath(app)), "[HardName]"), 1u);
}

TEST_F(TypeNamesTest, LongNamesAreCutToTheBuffer)
{
    Register(5, std::string(300, 'n'));
    EXPECT_EQ(Lookup(5), std::string(254, 'n'));
}

TEST_F(TypeNamesTest, CaptionsFollowVisibleSerialNo)
{
    app.windowTitle = "ABC";
    app.deviceSerialText = FormatSerialText(12345678);
    app.typeName = "Furnace 1";

    app.visibleSerialNo = true;
    EXPECT_EQ(ComposeCaption(app), "ABC : No.00123450678");
    EXPECT_EQ(ComposeRegisteredCaption(app), "ABC : No.00123450678 (Furnace 1)");

    app.visibleSerialNo = false;
    EXPECT_EQ(ComposeCaption(app), "ABC");
    EXPECT_EQ(ComposeRegisteredCaption(app), "ABC : No.00123450678 (Furnace 1)");
}

TEST_F(TypeNamesTest, CaptionUsesTheApplicationNameOfTheLanguage)
{
    app.deviceSerialText = "00000000000";
    for (int language : {0, 1}) {
        SCOPED_TRACE(language);
        app.language = language;
        const std::string title = LoadTableString(language == 1 ? 2165 : 165);
        if (HasTableString(165)) {
            EXPECT_FALSE(title.empty());
        }
        EXPECT_EQ(ComposeCaption(app), title + " : No.00000000000");
    }
}

TEST(TypeNameInputTest, RemovesForbiddenCharactersAndCapsAtFortyCharacters)
{
    const struct {
        const char* name;
        std::string typed;
        std::string expected;
        bool changed;
    } cases[] = {
        {"colon and slash", "A:B/C", "ABC", true},
        {"clean text", "RM-42 Line 3", "RM-42 Line 3", false},
        {"all eleven", "\"'%&<>*?:/\\", "", true},
        {"between Japanese", "放射\"温度'計", "放射温度計", true},
        {"empty", "", "", false},
        {"forty characters", std::string(40, 'x'), std::string(40, 'x'), false},
        {"forty-one characters", std::string(41, 'x'), std::string(40, 'x'), true},
        {"forty Japanese characters are 120 bytes", Repeat("温", 40), Repeat("温", 40), false},
        {"Japanese cut by characters", Repeat("温", 45), Repeat("温", 40), true},
        {"half-width katakana", Repeat("ｱ", 41), Repeat("ｱ", 40), true},
        {"removed characters do not count", Repeat("a:", 40), std::string(40, 'a'), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text = c.typed;
        EXPECT_EQ(FilterTypeNameInput(text), c.changed);
        EXPECT_EQ(text, c.expected);
    }
}

} // namespace
