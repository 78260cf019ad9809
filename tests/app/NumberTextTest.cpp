#include "app/NumberText.h"
#include "support/DataRows.h"

#include <gtest/gtest.h>

#include <charconv>
#include <string>
#include <vector>

namespace {

template <typename T> std::string Shortest(T value)
{
    char text[40];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

// Run under a decimal-comma locale too (see tests/CMakeLists.txt): every row holds there as well.
TEST(NumberText, ReadsAndWritesWithAPointLikeTheCLocale)
{
    for (const std::vector<std::string>& row : DataRows("app/numbers.txt")) {
        const std::string& kind = row[0];
        const std::string& text = row.size() > 1 ? row[1] : kind;
        std::vector<std::string> got = {kind, text};
        if (kind == "lead")
            got.insert(got.end(),
                       {Shortest(ReadLeadingNumber(text).value), Shortest(ReadLeadingNumber(text).length)});
        if (kind == "int") got.push_back(Shortest(LeadingInt(text)));
        const auto decimal = ParseDecimalText(text);
        const auto integer = ParseIntegerText(text);
        if (kind == "field")
            got.insert(got.end(),
                       {decimal ? Shortest(*decimal) : "none", integer ? Shortest(*integer) : "none"});
        if (kind == "fixed" && row.size() == 5) {
            double value = 0;
            std::from_chars(text.data(), text.data() + text.size(), value);
            got.insert(got.end(), {row[2], row[3], FixedText(value, std::stoi(row[2]), std::stoi(row[3]))});
        }
        EXPECT_EQ(got, row);
    }
}

} // namespace
