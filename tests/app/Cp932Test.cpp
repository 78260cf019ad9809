#include "app/Cp932.h"
#include "support/DataRows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(Cp932Test, ConvertsKnownTextBothWaysAndReplacesBrokenInput)
{
    for (std::vector<std::string> row : DataRows("app/cp932.txt")) {
        row.resize(3);
        const std::string& kind = row[0];
        std::vector<std::string> got = {kind, row[1],
                                        kind == "to utf8" ? Cp932ToUtf8(row[1]) : Utf8ToCp932(row[1])};
        if (kind == "both") got.push_back(Cp932ToUtf8(row[2]));
        if (kind == "both") row.push_back(row[1]);
        EXPECT_EQ(got, row);
    }
}

} // namespace
