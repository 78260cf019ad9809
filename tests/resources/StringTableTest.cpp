#include "resources/StringTable.h"
#include "app/AppState.h"
#include "app/LangString.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

// docs/strings.md is the table for readers: it must list every id with both texts, nothing more.
TEST(StringTable, TheDocumentedListIsTheTable)
{
    const auto cell = [](std::string text) {
        for (std::size_t at = text.find('|'); at != std::string::npos; at = text.find('|', at + 2))
            text.insert(at, "\\");
        return "`" + text + "`";
    };
    std::map<int, std::string> japanese, english;
    for (const StringEntry& e : AllTableStrings())
        (e.id < 2000 ? japanese[e.id] : english[e.id - 2000]) = e.text;
    std::string expected;
    for (const auto& [id, text] : japanese) {
        expected += "| " + std::to_string(id) + " | " + cell(text) + " | " + cell(english[id]) + " |\n";
    }
    EXPECT_EQ(japanese.size(), english.size()) << "an id with a text in one language only";
    std::istringstream doc(ReadFileBytes(TestDataPath("../../docs/strings.md")));
    std::string documented;
    for (std::string line; std::getline(doc, line);) {
        if (line.size() > 2 && line.starts_with("| ") && std::isdigit(static_cast<unsigned char>(line[2])))
            documented += line + "\n";
    }
    EXPECT_EQ(documented, expected);
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
        const std::string inJapanese = LoadLangString(app, id);
        app.language = 1;
        EXPECT_EQ(std::pair(inJapanese, LoadLangString(app, id)),
                  (std::pair<std::string, std::string>(japanese, english)));
    }
    // An unknown id gives nothing; in English an id of the English range is not shifted again.
    for (const auto& [language, id] :
         {std::pair{0, 0}, {0, 106}, {0, 304}, {1, 0}, {1, 106}, {1, 304}, {1, 2114}}) {
        app.language = language;
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
