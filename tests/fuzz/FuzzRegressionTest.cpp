// Every input the fuzzers ever found a fault with, and every seed they start from, replayed
// through the same targets: the checks of each target hold and nothing crashes (the sanitizer
// builds run this too).

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "FuzzTargets.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace Fuzz {
void PrintTo(const Target& target, std::ostream* out)
{
    *out << target.name;
}
} // namespace Fuzz

class FuzzRegression : public ::testing::TestWithParam<Fuzz::Target> {};

TEST_P(FuzzRegression, KeptInputsAndSeedsPassEveryCheck)
{
    const Fuzz::Target target = GetParam();
    EXPECT_TRUE(target.run({})) << "the empty input";
    int seeds = 0;
    for (const fs::path& folder : {fs::path(RM42_FUZZ_CORPUS), fs::path(TestDataPath("fuzz-regressions"))}) {
        for (std::error_code error; const auto& entry : fs::directory_iterator(folder / target.name, error)) {
            seeds += folder == RM42_FUZZ_CORPUS;
            EXPECT_TRUE(target.run(ReadFileBytes(entry.path().string()))) << entry.path();
        }
    }
    EXPECT_GT(seeds, 0) << "no seeds for " << target.name;
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzRegression, ::testing::ValuesIn(Fuzz::Targets()), [](const auto& p) {
    return std::regex_replace(std::string(p.param.name), std::regex("-"), "");
});
