#include "ui/NumericFilter.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

NumericFieldRule IntRule(int min, int max, const std::string& format = "%d")
{
    NumericFieldRule rule;
    rule.mode = 1;
    rule.intMin = min;
    rule.intMax = max;
    rule.format = format;
    return rule;
}

NumericFieldRule DoubleRule(double min, double max, const std::string& format)
{
    NumericFieldRule rule;
    rule.mode = 2;
    rule.doubleMin = min;
    rule.doubleMax = max;
    rule.format = format;
    return rule;
}

NumericFieldRule ModeOnly(int mode)
{
    NumericFieldRule rule;
    rule.mode = mode;
    return rule;
}

struct FilterCase {
    const char* name;
    NumericFieldRule rule;
    std::string typed;
    std::string shown;
};

std::ostream& operator<<(std::ostream& out, const FilterCase& c)
{
    return out << c.name << ": \"" << c.typed << "\"";
}

class NumericFilter : public testing::TestWithParam<FilterCase> {};

TEST_P(NumericFilter, ShowsTheCleanedAndLimitedText)
{
    const FilterCase& c = GetParam();
    EXPECT_EQ(FilterNumericText(c.typed, c.rule), c.shown);
}

std::string Name(const testing::TestParamInfo<FilterCase>& info)
{
    return info.param.name;
}

// Seconds fields, 1 to 20.
INSTANTIATE_TEST_SUITE_P(
    IntegerField, NumericFilter,
    testing::Values(FilterCase{"InRangeStays", IntRule(1, 20), "2", "2"},
                    FilterCase{"AboveMaxBecomesMax", IntRule(1, 20), "25", "20"},
                    FilterCase{"MaxItselfStays", IntRule(1, 20), "20", "20"},
                    FilterCase{"MinItselfStays", IntRule(1, 20), "1", "1"},
                    FilterCase{"LetterInEmptyFieldBecomesMin", IntRule(1, 20), "a", "1"},
                    FilterCase{"EmptyFieldBecomesMin", IntRule(1, 20), "", "1"},
                    FilterCase{"LetterAfterDigitIsDropped", IntRule(1, 20), "7x", "7"},
                    // The value is read before cleaning: "a5" counts as 0, not 5.
                    FilterCase{"ValueIsReadFromTheTypedText", IntRule(1, 20), "a5", "1"},
                    FilterCase{"LeadingMinusStays", IntRule(-10, 20), "-5", "-5"},
                    FilterCase{"MinusElsewhereIsDropped", IntRule(1, 20), "5-", "5"},
                    FilterCase{"SecondLeadingMinusIsDropped", IntRule(-10, 20), "--5", "-5"},
                    FilterCase{"BelowNegativeMinBecomesMin", IntRule(-10, 20), "-15", "-10"},
                    FilterCase{"PlusSignIsDroppedValueKept", IntRule(1, 20), "+7", "7"},
                    FilterCase{"DecimalPointIsDropped", IntRule(1, 20), "1.5", "15"},
                    FilterCase{"HugeNumberSaturatesToMax", IntRule(1, 20), "99999999999999999999", "20"},
                    FilterCase{"HugeNegativeSaturatesToMin", IntRule(1, 20), "-99999999999999999999", "1"},
                    FilterCase{"HugeNumberInFullRangeStays", IntRule(-2147483647 - 1, 2147483647),
                               "99999999999", "99999999999"},
                    // With the limits crossed the minimum is written first, then the maximum.
                    FilterCase{"CrossedLimitsEndAtMax", IntRule(10, 5), "1", "5"},
                    FilterCase{"FormatIsUsedForTheLimit", IntRule(1, 20, "%03d"), "25", "020"},
                    FilterCase{"DefaultFormatWritesAnInteger", IntRule(1, 20, "%s"), "25", "20"},
                    FilterCase{"FloatingFormatIsNotUsedForIntegers", IntRule(1, 20, "%.1f"), "25", "20"},
                    FilterCase{"TwoConversionsAreNotUsed", IntRule(1, 20, "%d%d"), "25", "20"},
                    FilterCase{"WritingConversionIsNotUsed", IntRule(1, 20, "%n"), "25", "20"},
                    FilterCase{"StarWidthIsNotUsed", IntRule(1, 20, "%*d"), "25", "20"},
                    FilterCase{"AbsurdWidthIsNotUsed", IntRule(1, 20, "%99999d"), "25", "20"}),
    Name);

// Temperature fields in °C and °F, and the emissivity field.
INSTANTIATE_TEST_SUITE_P(
    DecimalField, NumericFilter,
    testing::Values(
        FilterCase{"AboveMaxBecomesMax", DoubleRule(-30.0, 600.0, "%.1f"), "700", "600.0"},
        FilterCase{"BelowMinBecomesMin", DoubleRule(-30.0, 600.0, "%.1f"), "-31", "-30.0"},
        FilterCase{"InRangeStays", DoubleRule(-30.0, 600.0, "%.1f"), "12.5", "12.5"},
        FilterCase{"OnlyFirstPointStays", DoubleRule(-30.0, 600.0, "%.1f"), "1.2.3", "1.23"},
        FilterCase{"EmptyFieldIsLeftAlone", DoubleRule(-30.0, 600.0, "%.1f"), "", ""},
        FilterCase{"LoneMinusIsLeftAlone", DoubleRule(-30.0, 600.0, "%.1f"), "-", "-"},
        FilterCase{"LonePointIsLeftAlone", DoubleRule(-30.0, 600.0, "%.1f"), ".", "."},
        FilterCase{"MinusElsewhereIsDropped", DoubleRule(-30.0, 600.0, "%.1f"), "5-", "5"},
        FilterCase{"CommaIsDropped", DoubleRule(-30.0, 600.0, "%.1f"), "1,5", "15"},
        // Read as typed, 1e5 is far above the maximum.
        FilterCase{"ExponentCountsInTheValue", DoubleRule(-30.0, 600.0, "%.1f"), "1e5", "600.0"},
        FilterCase{"OverflowBecomesMax", DoubleRule(-30.0, 600.0, "%.1f"), "1e999", "600.0"},
        FilterCase{"NegativeOverflowBecomesMin", DoubleRule(-30.0, 600.0, "%.1f"), "-1e999", "-30.0"},
        FilterCase{"FahrenheitMax", DoubleRule(-22.0, 1112.0, "%.1f"), "2000", "1112.0"},
        FilterCase{"ZeroBelowMinIsLeftAlone", DoubleRule(0.3, 1.2, "%.2f"), "0", "0"},
        FilterCase{"ZeroPointIsLeftAlone", DoubleRule(0.3, 1.2, "%.2f"), "0.", "0."},
        FilterCase{"MinusZeroIsLeftAlone", DoubleRule(0.3, 1.2, "%.2f"), "-0.0", "-0.0"},
        FilterCase{"SmallValueBecomesMin", DoubleRule(0.3, 1.2, "%.2f"), "0.1", "0.30"},
        FilterCase{"LargeValueBecomesMax", DoubleRule(0.3, 1.2, "%.2f"), "1.5", "1.20"},
        FilterCase{"EmissivityInRangeStays", DoubleRule(0.3, 1.2, "%.2f"), "0.95", "0.95"},
        FilterCase{"DefaultFormatWritesShortest", DoubleRule(-30.0, 600.5, "%s"), "700", "600.5"},
        FilterCase{"IntegerFormatIsNotUsedForDecimals", DoubleRule(-30.0, 600.0, "%d"), "700", "600"},
        FilterCase{"TwoConversionsAreNotUsed", DoubleRule(-30.0, 600.0, "%.1f%s"), "700", "600"},
        FilterCase{"LongFloatingFormatIsUsed", DoubleRule(-30.0, 600.0, "%.1lf"), "700", "600.0"}),
    Name);

// A pasted text is cut to 29 characters when it has to be cleaned, and only then.
INSTANTIATE_TEST_SUITE_P(
    LongText, NumericFilter,
    testing::Values(FilterCase{"CleanedTextIsCutAt29", IntRule(-2147483647 - 1, 2147483647),
                               "1234567890x1234567890123456789012345", "12345678901234567890123456789"},
                    FilterCase{"CleanTextIsNotCut", IntRule(-2147483647 - 1, 2147483647),
                               "1234567890123456789012345678901234", "1234567890123456789012345678901234"},
                    FilterCase{"CleanedDecimalIsCutAt29", DoubleRule(-1e300, 1e300, "%.1f"),
                               "0.000000000000000000000000000001x", "0.000000000000000000000000000"}),
    Name);

INSTANTIATE_TEST_SUITE_P(NoChecking, NumericFilter,
                         testing::Values(FilterCase{"ModeThreeLeavesText", ModeOnly(3), "abc-1.2.3",
                                                    "abc-1.2.3"},
                                         FilterCase{"ModeZeroLeavesText", ModeOnly(0), "x", "x"},
                                         FilterCase{"NegativeModeLeavesText", ModeOnly(-1), "25", "25"}),
                         Name);

} // namespace
