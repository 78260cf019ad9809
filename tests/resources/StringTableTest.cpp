#include "resources/StringTable.h"
#include "app/AppState.h"
#include "app/LangString.h"

#include "support/DataRows.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
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
    AppState app;
    for (std::vector<std::string> row : DataRows("resources/lang_strings.txt")) {
        row.resize(4);
        std::vector<std::string> got = {row[0], app.windowTitle = row[1]};
        for (app.language = 0; app.language < 2; ++app.language)
            got.push_back(LoadLangString(app, std::stoi(row[0])));
        EXPECT_EQ(got, row);
    }
}

TEST(LangString, FormatFillsThePlaceholdersInOrderAndNeverItsOwnArguments)
{
    AppState app;
    app.language = 1;
    for (const std::vector<std::string>& row : DataRows("resources/lang_format.txt")) {
        std::vector<std::string> args;
        std::istringstream in(row[1]);
        for (std::string arg; std::getline(in, arg, ';');)
            args.push_back(arg);
        const int id = std::stoi(row[0]);
        EXPECT_EQ(args.size() == 1   ? FormatLangString(app, id, {args[0]})
                  : args.size() == 2 ? FormatLangString(app, id, {args[0], args[1]})
                                     : FormatLangString(app, id, {args[0], args[1], args[2]}),
                  row[2]);
    }
}

} // namespace
