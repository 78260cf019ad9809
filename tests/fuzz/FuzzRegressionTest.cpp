// Every input the fuzzers ever found a fault with, and every seed they start from, replayed
// through the same targets: the checks of each target hold and nothing crashes (the sanitizer
// builds run this too).

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "FuzzTargets.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> Inputs(const fs::path& folder)
{
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
    }
    return files;
}

class FuzzRegression : public ::testing::TestWithParam<Fuzz::Target> {};

TEST_P(FuzzRegression, KeptInputsAndSeedsPassEveryCheck)
{
    const Fuzz::Target target = GetParam();
    const std::string name(target.name);
    std::vector<fs::path> files = Inputs(fs::path(RM42_FUZZ_CORPUS) / name);
    ASSERT_FALSE(files.empty()) << "no seeds for " << name;
    EXPECT_TRUE(target.run({})) << "the empty input";
    const std::vector<fs::path> found = Inputs(TestDataPath("fuzz-regressions/" + name));
    files.insert(files.end(), found.begin(), found.end());
    for (const fs::path& file : files) {
        const std::string bytes = ReadFileBytes(file.string());
        EXPECT_TRUE(target.run(bytes)) << file;
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzRegression, ::testing::ValuesIn(Fuzz::Targets()), [](const auto& p) {
    std::string name;
    for (const char c : p.param.name) {
        if (c != '-') name += c;
    }
    return name;
});

} // namespace
