#include "resources/StringTable.h"
#include "app/AppState.h"
#include "app/LangString.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

// Every Japanese id that some part of the program loads (the English id is N + 2000). Other
// code refers to these numbers directly, so losing or renumbering one is a fault.
const std::vector<int> kUsedIds = {
    101, 102, 103, 104, 105, 107, 108, 109, 111, 112, 113, 114, 115, 116, 117, 118, 119, 120, 121,
    122, 123, 124, 125, 126, 127, 128, 129, 130, 131, 132, 134, 135, 136, 138, 139, 141, 142, 143,
    144, 145, 148, 149, 150, 151, 152, 153, 154, 155, 156, 157, 158, 160, 162, 164, 165, 166, 167,
    168, 170, 171, 172, 173, 174, 176, 177, 187, 188, 189, 190, 191, 192, 193, 194, 195, 196, 197,
    198, 200, 202, 203, 205, 207, 208, 210, 211, 212, 213, 214, 215, 216, 217, 218, 219, 221, 222,
    223, 224, 225, 226, 230, 231, 232, 233, 234, 235, 236, 237, 238, 239, 241, 242, 243, 244, 245,
    246, 247, 248, 249, 250, 251, 252, 253, 254, 255, 256, 257, 259, 260, 261, 262,
};

// The one text that ends in a blank on purpose: the MAX item tooltip is shown as written.
const std::set<int> kTrailingBlankIds = {2173};

bool IsValidUtf8(const std::string& s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t extra = 0;
        if (c < 0x80)
            extra = 0;
        else if (c >= 0xC2 && c <= 0xDF)
            extra = 1;
        else if (c >= 0xE0 && c <= 0xEF)
            extra = 2;
        else if (c >= 0xF0 && c <= 0xF4)
            extra = 3;
        else
            return false;
        if (i + extra >= s.size()) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        }
        i += extra + 1;
    }
    return true;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

TEST(StringTable, EveryUsedIdExistsInBothLanguages)
{
    for (int id : kUsedIds) {
        EXPECT_TRUE(HasTableString(id)) << "Japanese id " << id;
        EXPECT_TRUE(HasTableString(id + 2000)) << "English id " << id + 2000;
    }
}

TEST(StringTable, HoldsExactlyTheUsedIdsSortedByLanguageThenId)
{
    std::vector<int> expected;
    for (int id : kUsedIds)
        expected.push_back(id);
    for (int id : kUsedIds)
        expected.push_back(id + 2000);

    std::vector<int> actual;
    for (const StringEntry& e : AllTableStrings())
        actual.push_back(e.id);
    EXPECT_EQ(actual, expected);
}

TEST(StringTable, IdsOutsideTheTableHaveNoText)
{
    for (int id : {0, -1, 100, 106, 110, 133, 159, 263, 1165, 2100, 2106, 2263, 4165}) {
        EXPECT_FALSE(HasTableString(id)) << id;
        EXPECT_EQ(LoadTableString(id), "") << id;
    }
}

TEST(StringTable, TextsAreNonEmptyUtf8WithoutStrayBlanks)
{
    for (const StringEntry& e : AllTableStrings()) {
        const std::string text = e.text;
        ASSERT_FALSE(text.empty()) << e.id;
        EXPECT_TRUE(IsValidUtf8(text)) << e.id;
        EXPECT_FALSE(IsBlank(text.front())) << e.id << " begins with a blank";
        if (kTrailingBlankIds.count(e.id) == 0)
            EXPECT_FALSE(IsBlank(text.back())) << e.id << " ends with a blank";
        else
            EXPECT_EQ(text.back(), ' ') << e.id;
        EXPECT_EQ(text.find_first_of("\t\r\n"), std::string::npos) << e.id;
        EXPECT_EQ(LoadTableString(e.id), text) << e.id;
    }
}

TEST(StringTable, QuotedTextsAreExact)
{
    struct Case {
        int id;
        const char* text;
    };
    const Case cases[] = {
        {101, "バージョン情報"},
        {2101, "About Thermometer Application"},
        {2103, "Fowarding/Adjusting Memorized Data"},
        {111, "タブメニューをマウスで選択してください。"},
        {2111, "Select Tab Menu by Mouse"},
        {112, "アプリケーションを終了しますか？"},
        {2112, "Do You Want to Finish Application?"},
        {114, "放射温度計が接続されていません。"},
        {2114, "No Themometer Connected"},
        {115, "放射温度計の電源をONにして [OK] ボタンをクリックしてください。"},
        {2115, "Switch Themometer ON then Click [OK] Button"},
        {119, "放射温度計の通信返答エラーです"},
        {2119, "Communication Error with RM-42"},
        {148, "℃"},
        {2148, "°C"},
        {152, "タイトル画像ファイルがありません"},
        {164, "COMポート I/Oエラー"},
        {2164, "COM-port Communication Error"},
        {165, "放射温度計アプリケーション"},
        {2165, "Thermometer Application"},
        {166, "機種名未登録"},
        {2166, "No Type-Number entered"},
        {2173, "Switch ON/OFF for MAX Data "},
        {197, "メモリデータ読み込み中です ："},
        {212, "機種名を登録しました"},
        {2212, "Type-No. was Registered"},
        {213, "COMポート設定"},
        {2213, "COM-port Setting"},
        {216, "゜Ｆ"},
        {2216, "°F"},
        {223, "取込タイマー待機中"},
        {2223, "Timer Stand-by"},
        {2224, "Timer Stand-by"},
        {235, "CSV形式(*.csv)|*.csv|レポートフォーム(*.html)|*.html||"},
        {2236, "Report Form(*.html)|*.html|CSV(*.csv)|*.csv||"},
        {2239, "Effective Range of Temperature is -30°C ～ 600°C"},
        {2244, "Stop Capturing(Continue Avialable)"},
        {252, "取り込み終了時刻(H)指定します"},
        {2261, "CSV(*csv)|*.csv||"},
        {262, "INIファイルがありません"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LoadTableString(c.id), c.text) << c.id;
}

TEST(LangString, LanguageSelectsTheIdRange)
{
    AppState app;
    app.language = 0;
    EXPECT_EQ(LoadLangString(app, 114), "放射温度計が接続されていません。");
    EXPECT_EQ(LoadLangString(app, 245), "取り込み実行可能です");
    app.language = 1;
    EXPECT_EQ(LoadLangString(app, 114), "No Themometer Connected");
    EXPECT_EQ(LoadLangString(app, 245), "Stand-by");

    for (int id : kUsedIds) {
        app.language = 0;
        EXPECT_EQ(LoadLangString(app, id), LoadTableString(id)) << id;
        app.language = 1;
        EXPECT_EQ(LoadLangString(app, id), LoadTableString(id + 2000)) << id;
    }
}

TEST(LangString, WindowTitleReplacesOnlyTheApplicationName)
{
    AppState app;
    app.windowTitle = "ABC";
    for (int language : {0, 1}) {
        app.language = language;
        EXPECT_EQ(LoadLangString(app, 165), "ABC") << language;
        EXPECT_EQ(LoadLangString(app, 166), LoadTableString(language == 0 ? 166 : 2166)) << language;
        EXPECT_EQ(LoadLangString(app, 101), LoadTableString(language == 0 ? 101 : 2101)) << language;
    }
    // The raw table is untouched by the setting.
    EXPECT_EQ(LoadTableString(165), "放射温度計アプリケーション");

    app.windowTitle.clear();
    app.language = 0;
    EXPECT_EQ(LoadLangString(app, 165), "放射温度計アプリケーション");
    app.language = 1;
    EXPECT_EQ(LoadLangString(app, 165), "Thermometer Application");
}

TEST(LangString, UnknownIdGivesEmptyText)
{
    AppState app;
    for (int language : {0, 1}) {
        app.language = language;
        EXPECT_EQ(LoadLangString(app, 106), "") << language;
        EXPECT_EQ(LoadLangString(app, 300), "") << language;
        EXPECT_EQ(LoadLangString(app, 0), "") << language;
    }
    // An English-range id is not shifted again.
    app.language = 1;
    EXPECT_EQ(LoadLangString(app, 2114), "");
}

// docs/strings.md lists the table for readers; it has to say what the program shows.
TEST(StringTable, DocumentationListsEveryTextExactly)
{
    const std::string doc = ReadFileBytes(TestDataPath("../../docs/strings.md"));
    ASSERT_FALSE(doc.empty());
    auto cell = [](std::string text) {
        std::string out = "`";
        for (char c : text) {
            if (c == '|')
                out += "\\|";
            else
                out += c;
        }
        return out + "`";
    };
    for (int id : kUsedIds) {
        const std::string line = "| " + std::to_string(id) + " | " + cell(LoadTableString(id)) + " | " +
                                 cell(LoadTableString(id + 2000)) + " |\n";
        EXPECT_NE(doc.find(line), std::string::npos) << "missing or different row: " << line;
    }
}
