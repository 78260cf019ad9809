#include "app/SafeFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

mode_t Mode(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

std::vector<std::string> Names(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(SafeFile, NewFilesTakeTheUmaskOldOnesKeepTheirModeAndLinksAreWrittenThrough)
{
    TempDir dir;
    const mode_t oldMask = umask(027);
    ASSERT_TRUE(WriteFileAtomically(dir.File("new.csv"), "a,b\r\n"));
    umask(oldMask);
    EXPECT_EQ(ReadFileBytes(dir.File("new.csv")), "a,b\r\n");
    EXPECT_EQ(Mode(dir.File("new.csv")), 0640u);

    WriteFileBytes(dir.File("private.ini"), "old");
    ASSERT_EQ(chmod(dir.File("private.ini").c_str(), 0600), 0);
    ASSERT_TRUE(WriteFileAtomically(dir.File("private.ini"), "new"));
    EXPECT_EQ(ReadFileBytes(dir.File("private.ini")), "new");
    EXPECT_EQ(Mode(dir.File("private.ini")), 0600u);

    // The link stays a link; the file it leads to gets the bytes.
    fs::create_directory(dir.File("real"));
    WriteFileBytes(dir.File("real/rm42meter.ini"), "old");
    fs::create_symlink("real/rm42meter.ini", dir.File("link.ini"));
    ASSERT_TRUE(WriteFileAtomically(dir.File("link.ini"), "through"));
    EXPECT_TRUE(fs::is_symlink(dir.File("link.ini")));
    EXPECT_EQ(ReadFileBytes(dir.File("real/rm42meter.ini")), "through");
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"link.ini", "new.csv", "private.ini", "real"}));
    EXPECT_EQ(Names(dir.File("real")), std::vector<std::string>{"rm42meter.ini"});
}

} // namespace
