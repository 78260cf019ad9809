#include "app/SafeFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
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

    // Text files are CP932 on disk.
    ASSERT_TRUE(WriteCp932File(dir.File("list.txt"), "温度～①\r\n"));
    EXPECT_EQ(ReadFileBytes(dir.File("list.txt")), "\x89\xB7\x93\x78\x81\x60\x87\x40\r\n");
}

TEST(SafeFile, AFailedWriteLeavesTheOldFileAndNoTemporary)
{
    TempDir dir;
    WriteFileBytes(dir.File("report.html"), "old report");

    // Nowhere to put the file: a folder in the way, a missing folder, no name.
    fs::create_directory(dir.File("folder"));
    EXPECT_FALSE(WriteFileAtomically(dir.File("folder"), "x"));
    EXPECT_FALSE(WriteFileAtomically(dir.File("missing/report.html"), "x"));
    EXPECT_FALSE(WriteFileAtomically("", "x"));

    // The disk refuses the bytes half way (a file size limit stops even root).
    const std::string big(64 * 1024, 'x');
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = WriteFileAtomically(dir.File("report.html"), big);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadFileBytes(dir.File("report.html")), "old report");

    // A read-only folder (root writes there all the same).
    ASSERT_EQ(chmod(dir.Path().c_str(), 0555), 0);
    if (geteuid() != 0) {
        EXPECT_FALSE(WriteFileAtomically(dir.File("report.html"), "new"));
    }
    ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);
    if (geteuid() != 0) {
        EXPECT_EQ(ReadFileBytes(dir.File("report.html")), "old report");
    }

    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"folder", "report.html"}));
}

} // namespace
