#include "app/NumericFilter.h"

#include <gtest/gtest.h>

static NumericFieldRule Int(int min, int max, const std::string& format = "%d")
{
    return {.mode = 1, .intMin = min, .intMax = max, .format = format};
}

static NumericFieldRule Dec(double min, double max, const std::string& format = "%.1f")
{
    return {.mode = 2, .doubleMin = min, .doubleMax = max, .format = format};
}

TEST(FilterNumericText, CleansTheTextAndPullsItIntoRange)
{
    using Typed = std::vector<std::pair<std::string, std::string>>; // typed, shown
    const std::pair<NumericFieldRule, Typed> cases[] = {
        // Seconds fields. The value is read before cleaning: "a5" counts as 0.
        {Int(1, 20), {{"25", "20"}, {"20", "20"}, {"1", "1"}, {"a", "1"}, {"", "1"}, {"a5", "1"}}},
        {Int(1, 20), {{"5-", "5"}, {"+7", "7"}, {"1.5", "15"}}},
        {Int(-10, 20), {{"-5", "-5"}, {"--5", "-5"}, {"-15", "-10"}}},
        {NumericFieldRule{.mode = 1}, {{"99999999999", "99999999999"}}},
        // Crossed limits: the minimum is written first, then the maximum.
        {Int(10, 5), {{"1", "5"}}},
        {Int(1, 20, "%03d"), {{"25", "020"}}},
        {Dec(-30, 600.5, "%s"), {{"700", "600.5"}}},
        {Dec(-30, 600, "%.1lf"), {{"700", "600.0"}}},
        // Temperature fields: an empty field, a lone sign or point is left for the next key.
        {Dec(-30, 600),
         {{"700", "600.0"}, {"-31", "-30.0"}, {"12.5", "12.5"}, {"1.2.3", "1.23"}, {"5-", "5"}}},
        {Dec(-30, 600), {{"", ""}, {"-", "-"}, {".", "."}, {"1e5", "600.0"}}},
        // Emissivity: a zero being typed is not pulled up to the minimum.
        {Dec(0.3, 1.2, "%.2f"),
         {{"0", "0"}, {"0.", "0."}, {"-0.0", "-0.0"}, {"0.1", "0.30"}, {"1.5", "1.20"}}},
        // Cut to 29 characters when the text has to be cleaned, and only then.
        {NumericFieldRule{.mode = 1},
         {{"1234567890x1234567890123456789012345", "12345678901234567890123456789"},
          {"1234567890123456789012345678901234", "1234567890123456789012345678901234"}}},
        {Dec(-1e300, 1e300), {{"0.000000000000000000000000000001x", "0.000000000000000000000000000"}}},
        // Other modes check nothing.
        {NumericFieldRule{}, {{"abc-1.2.3", "abc-1.2.3"}}},
    };
    // A format that does not fit the field or could write memory falls back to the plain number.
    for (const char* format : {"%s", "%.1f", "%n", "%*d", "%99999d"})
        EXPECT_EQ(FilterNumericText("25", Int(1, 20, format)), "20") << format;
    for (const char* format : {"%d", "%.1f%s", "%n"})
        EXPECT_EQ(FilterNumericText("700", Dec(-30, 600, format)), "600") << format;
    for (const auto& [rule, typed] : cases)
        for (const auto& [text, shown] : typed)
            EXPECT_EQ(FilterNumericText(text, rule), shown)
                << "mode " << rule.mode << " format " << rule.format << " typed \"" << text << '"';
}
