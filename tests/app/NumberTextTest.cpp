#include "app/NumberText.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <optional>
#include <string>
#include <tuple>

namespace {

// Run under a decimal-comma locale too (see tests/CMakeLists.txt): every row holds there as well.
TEST(NumberText, ReadsAndWritesWithAPointLikeTheCLocale)
{
    // clang-format off
    const std::tuple<const char*, double, std::size_t> numbers[] = {
        {"110.0", 110.0, 5}, {" -30.5", -30.5, 6}, {"+1.5e1x", 15.0, 6}, {"0.95,xyz", 0.95, 4}, {"1,5", 1.0, 1},
        {".5", 0.5, 2}, {"-.5", -0.5, 3}, {"5.", 5.0, 2}, {"1e", 1.0, 1}, {"", 0.0, 0}, {"abc", 0.0, 0},
        {"--1", 0.0, 0}, {"-", 0.0, 0}, {".", 0.0, 0}, {"1e-999", 0.0, 6}, {"-1e999", -HUGE_VAL, 6},
        {"0.01e311", HUGE_VAL, 8}, {"1000e-330", 0.0, 9}};
    // clang-format on
    for (const auto& [text, value, length] : numbers)
        EXPECT_EQ(std::pair(ReadLeadingNumber(text).value, ReadLeadingNumber(text).length),
                  std::pair(value, length))
            << text;

    // clang-format off
    const std::pair<const char*, int> integers[] = {{"+7", 7}, {"5-", 5}, {"a5", 0}, {" -12x", -12},
        {"99999999999999999999", INT_MAX}, {"-2147483648", INT_MIN}, {"--5", 0}, {"", 0}};
    // clang-format on
    for (const auto& [text, value] : integers)
        EXPECT_EQ(LeadingInt(text), value) << text;

    // The field's whole-text form: what the console accepts for a numeric option.
    // clang-format off
    const std::tuple<const char*, std::optional<double>, std::optional<int>> fields[] = {
        {"20", 20.0, 20}, {"-0.1", -0.1, std::nullopt}, {"5.", 5.0, std::nullopt}, {"0x14", {}, {}}, {"1e1", {}, {}},
        {" 5", {}, {}}, {"5x", {}, {}}, {"+5", {}, {}}, {"", {}, {}}, {"-", {}, {}}, {"1.2.3", {}, {}},
        {"99999999999", 99999999999.0, std::nullopt}};
    // clang-format on
    for (const auto& [text, decimal, integer] : fields)
        EXPECT_EQ(std::pair(ParseDecimalText(text), ParseIntegerText(text)), std::pair(decimal, integer))
            << text;

    // What "%<width>.<decimals>f" writes in the C locale, rounding of the exact binary value included.
    const std::tuple<double, int, int, const char*> fixed[] = {
        {-5.0, 1, 5, " -5.0"},    {-0.1, 1, 0, "-0.1"},  {-0.04, 1, 0, "-0.0"}, {0.25, 1, 0, "0.2"},
        {0.35, 1, 0, "0.3"},      {2.675, 2, 0, "2.67"}, {0.95, 2, 4, "0.95"},  {0.95, 2, 5, " 0.95"},
        {1112.0, 1, 5, "1112.0"}, {25.0, 1, 0, "25.0"},  {0.5, 0, 0, "0"},      {HUGE_VAL, 1, 5, "  inf"},
        {-17.1, 1, 0, "-17.1"}};
    for (const auto& [value, decimals, width, text] : fixed)
        EXPECT_EQ(FixedText(value, decimals, width), text) << value << ' ' << decimals << ' ' << width;
}

} // namespace
