#include "settings/TypeNames.h"

#include "app/AppState.h"
#include "app/IniFile.h"
#include "device/Status0.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

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

TEST_F(TypeNamesTest, NamesAreKeptPerSerialBesideTheExecutable)
{
    EXPECT_EQ(Lookup(12345678), "no name");
    Register(0, "Zero");
    Register(12345678, "First");
    Register(12345678, "放射計ｱ");
    Register(123456789, std::string(300, 'n'));
    EXPECT_EQ(ReadFileBytes(dir.File("hardname.rm4")),
              "[HardName]\r\n000000000=Zero\r\n012345678=\x95\xFA\x8E\xCB\x8C\x76\xB1\r\n123456789=" +
                  std::string(300, 'n') + "\r\n");
    EXPECT_EQ((std::vector{Lookup(0), Lookup(12345678), Lookup(123456789), Lookup(87654321)}),
              (std::vector<std::string>{"Zero", "放射計ｱ", std::string(254, 'n'), "no name"}));
}

TEST_F(TypeNamesTest, CaptionsFollowVisibleSerialNo)
{
    app.deviceSerialText = FormatSerialText(12345678);
    app.typeName = "Furnace 1";
    app.visibleSerialNo = true;
    app.language = 1;
    EXPECT_EQ(ComposeCaption(app), "Thermometer Application : No.00123450678");
    app.windowTitle = "ABC";
    const std::string shown = ComposeCaption(app) + "|" + ComposeRegisteredCaption(app);
    app.visibleSerialNo = false;
    EXPECT_EQ(shown + "|" + ComposeCaption(app) + "|" + ComposeRegisteredCaption(app),
              "ABC : No.00123450678|ABC : No.00123450678 (Furnace 1)|ABC|ABC : No.00123450678 (Furnace 1)");
}

TEST(TypeNameInputTest, RemovesForbiddenCharactersAndCapsAtFortyCharacters)
{
    std::string on40, on45;
    for (int i = 0; i < 45; ++i)
        (i < 40 ? on40 : on45) += "温";
    on45 = on40 + on45;
    // clang-format off
    const std::tuple<std::string, std::string, bool> cases[] = { // typed, kept, changed
        {"A:B/C", "ABC", true}, {"RM-42 Line 3", "RM-42 Line 3", false}, {"\"'%&<>*?:/\\", "", true},
        {"放射\"温度'計", "放射温度計", true}, {std::string(40, 'x'), std::string(40, 'x'), false},
        {std::string(41, 'x'), std::string(40, 'x'), true}, {on40, on40, false}, {on45, on40, true}};
    // clang-format on
    for (const auto& [typed, kept, changed] : cases) {
        std::string text = typed;
        EXPECT_EQ(FilterTypeNameInput(text), changed) << typed;
        EXPECT_EQ(text, kept);
    }
}

} // namespace
