#include "resources/StringTable.h"
#include "app/AppState.h"
#include "app/LangString.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

// Every Japanese id that some part of the program loads (the English id is N + 2000). Other
// code refers to these numbers directly, so losing or renumbering one is a fault.
const std::vector<int> kUsedIds = {
    101, 102, 103, 104, 105, 107, 108, 109, 111, 112, 113, 114, 115, 116, 117, 118, 119, 120, 121, 122,
    123, 124, 125, 126, 127, 128, 129, 130, 131, 132, 134, 135, 136, 138, 139, 141, 142, 143, 144, 145,
    148, 149, 150, 151, 152, 153, 154, 155, 156, 157, 158, 160, 162, 164, 165, 166, 167, 168, 170, 171,
    172, 173, 174, 176, 177, 187, 188, 189, 190, 191, 192, 193, 194, 195, 196, 197, 198, 200, 202, 203,
    205, 207, 208, 210, 211, 212, 213, 214, 215, 216, 217, 218, 219, 221, 222, 223, 224, 225, 226, 230,
    231, 232, 233, 234, 235, 236, 237, 238, 239, 241, 242, 243, 244, 245, 246, 247, 248, 249, 250, 251,
    252, 253, 254, 255, 256, 257, 259, 260, 261, 262, 263, 270, 285, 297, 298, 299, 300, 301, 302, 303,
    320, 321, 322, 323, 324, 325, 326, 327, 328, 329, 330, 340, 341, 342, 343, 344, 345, 360, 361,
};

TEST(StringTable, HoldsExactlyTheUsedIdsInBothLanguagesWithTheirTexts)
{
    std::vector<int> expected = kUsedIds;
    for (int id : kUsedIds) {
        EXPECT_TRUE(HasTableString(id) && HasTableString(id + 2000)) << id;
        expected.push_back(id + 2000);
    }
    std::vector<int> actual;
    for (const StringEntry& e : AllTableStrings()) {
        actual.push_back(e.id);
        const std::string text = e.text;
        // Only 2173, the MAX item tooltip, ends in a blank on purpose.
        EXPECT_TRUE(!text.empty() && text.front() != ' ' && (text.back() != ' ' || e.id == 2173)) << e.id;
        EXPECT_EQ(text.find_first_of("\t\r\n"), std::string::npos) << e.id;
    }
    EXPECT_EQ(actual, expected);
    for (int id : {0, 100, 106, 133, 304, 1165, 2106, 2304, 4165})
        EXPECT_FALSE(HasTableString(id) || !LoadTableString(id).empty()) << id;
    // Texts quoted elsewhere, exactly.
    // clang-format off
    const std::pair<int, const char*> cases[] = {
        {111, "タブメニューをマウスで選択してください。"}, {2111, "Select Tab Menu by Mouse"},
        {112, "アプリケーションを終了しますか？"}, {2112, "Do You Want to Finish Application?"},
        {114, "放射温度計が接続されていません。"}, {2114, "No Themometer Connected"},
        {115, "放射温度計の電源をONにして [OK] ボタンをクリックしてください。"},
        {2115, "Switch Themometer ON then Click [OK] Button"},
        {119, "放射温度計の通信返答エラーです"}, {2119, "Communication Error with RM-42"},
        {164, "COMポート I/Oエラー"}, {2164, "COM-port Communication Error"},
        {165, "放射温度計アプリケーション"}, {2165, "Thermometer Application"},
        {166, "機種名未登録"}, {2166, "No Type-Number entered"}, {2173, "Switch ON/OFF for MAX Data "},
        {148, "℃"}, {2216, "°F"}, {262, "INIファイルがありません"}};
    // clang-format on
    for (const auto& [id, text] : cases)
        EXPECT_EQ(LoadTableString(id), text) << id;
}

TEST(LangString, LanguageSelectsTheTextAndWindowTitleReplacesTheName)
{
    // clang-format off
    const std::tuple<int, std::string, const char*, const char*> cases[] = {
        {114, "", "放射温度計が接続されていません。", "No Themometer Connected"},
        {111, "ABC", "タブメニューをマウスで選択してください。", "Select Tab Menu by Mouse"},
        {165, "", "放射温度計アプリケーション", "Thermometer Application"},
        {165, "ABC", "ABC", "ABC"},
        {166, "ABC", "機種名未登録", "No Type-Number entered"}};
    // clang-format on
    AppState app;
    for (const auto& [id, title, japanese, english] : cases) {
        app.windowTitle = title;
        app.language = 0;
        EXPECT_EQ(LoadLangString(app, id), japanese) << id;
        app.language = 1;
        EXPECT_EQ(LoadLangString(app, id), english) << id;
    }
    // An unknown id gives nothing; in English an id of the English range is not shifted again.
    for (int language : {0, 1}) {
        app.language = language;
        for (int id : {0, 106, 304, language == 1 ? 2114 : 0})
            EXPECT_EQ(LoadLangString(app, id), "") << language << " " << id;
    }
}

TEST(LangString, FormatFillsThePlaceholdersInOrderAndNeverItsOwnArguments)
{
    AppState app;
    app.language = 1;
    EXPECT_EQ(FormatLangString(app, 301, {"/dev/ttyUSB0", "00000004711", "00123456789"}),
              "Not taken: the thermometer on /dev/ttyUSB0 is No. 00000004711; looking for 00123456789");
    // A "%d" placeholder counts too; an argument that holds a placeholder stays as it is.
    EXPECT_EQ(
        FormatLangString(app, 297, {"%s", "2026/12/07 10:00:00"}),
        "An unsaved recording was found (%s samples, started 2026/12/07 10:00:00). Do you want to load it?");
    // Missing arguments leave the rest of the text untouched; extra ones are dropped.
    EXPECT_EQ(FormatLangString(app, 300, {"COM5"}), "Thermometer reconnected on COM5 after a gap of %s s");
    EXPECT_EQ(FormatLangString(app, 302, {"COM5", "x"}),
              "The thermometer was found on COM5. Use this port from now on?");
    EXPECT_EQ(FormatLangString(app, 114, {"x"}), "No Themometer Connected");
}

} // namespace
