// The atomic file writer on every platform: new files, replacements, refusals, and paths with
// Japanese letters, which reach the file system as UTF-8 on POSIX and as wide characters on
// Windows.
#include "app/Cp932.h"
#include "app/IniFile.h"
#include "app/SafeFile.h"
#include "app/Utf8Path.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

// Every name in the folder, to see that no temporary file is left behind.
std::vector<std::string> Names(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(PathFromUtf8(dir))) {
        const std::u8string name = entry.path().filename().u8string();
        names.emplace_back(name.begin(), name.end());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string ReadUtf8Path(const std::string& path)
{
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(SafeFileAnyPlatform, WritesWholeFilesAndRefusesWhatCannotBeReplacedLeavingNothingBehind)
{
    TempDir dir;
    std::filesystem::create_directory(dir.File("folder"));
    const std::string path = dir.File("report.csv");
    // The big one takes more than one write of the system's buffer.
    for (const std::string& bytes : {std::string("first\r\n"), std::string(), std::string(300000, 'x'),
                                     std::string("nul\0inside", 10)}) {
        ASSERT_TRUE(WriteFileAtomically(path, bytes)) << bytes.size();
        EXPECT_EQ(ReadFileBytes(path), bytes);
    }
    for (const std::string& target : {std::string(), dir.File("folder"), dir.File("missing/new.txt")})
        EXPECT_FALSE(WriteFileAtomically(target, "new")) << target;
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"folder", "report.csv"}));
    EXPECT_TRUE(std::filesystem::is_empty(dir.File("folder")));
    EXPECT_EQ(ReadFileBytes(path), std::string("nul\0inside", 10));
}

TEST(SafeFileAnyPlatform, JapaneseFolderAndFileNamesAndCp932Text)
{
    TempDir dir;
    const std::string folder = dir.Path() + "温度計データ";
    ASSERT_TRUE(std::filesystem::create_directory(PathFromUtf8(folder)));
    const std::string csv = folder + "/記録.csv";
    ASSERT_TRUE(WriteCp932File(csv, "時刻,温度\r\n"));
    EXPECT_EQ(ReadUtf8Path(csv), Utf8ToCp932("時刻,温度\r\n"));
    EXPECT_EQ(ReadUtf8Path(csv), "\x8E\x9E\x8D\x8F,\x89\xB7\x93\x78\r\n");

    // The INI file is found, read and rewritten through the same paths.
    const std::string ini = folder + "/放射温度計.ini";
    EXPECT_TRUE(IsRegularFileUtf8(csv) && !IsRegularFileUtf8(ini) && !IsRegularFileUtf8(folder));
    ASSERT_TRUE(IniFile::WriteString(ini, "ComPort", "Port", "COM5"));
    ASSERT_TRUE(IniFile::WriteString(ini, "System", "WindowTitle", "温度計"));
    EXPECT_EQ(IniFile::GetString(ini, "ComPort", "Port", "COM4"), "COM5");
    EXPECT_EQ(IniFile::GetString(ini, "System", "WindowTitle", ""), "温度計");
    EXPECT_EQ(Names(folder), (std::vector<std::string>{"放射温度計.ini", "記録.csv"}));
}

#ifndef _WIN32
mode_t Mode(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(SafeFile, NewFilesTakeTheUmaskOldOnesKeepTheirModeAndLinksAreWrittenThrough)
{
    namespace fs = std::filesystem;
    TempDir dir;
    const mode_t oldMask = umask(027);
    ASSERT_TRUE(WriteFileAtomically(dir.File("new.csv"), "a,b\r\n"));
    umask(oldMask);
    EXPECT_EQ(Mode(dir.File("new.csv")), 0640u);

    WriteFileBytes(dir.File("private.ini"), "old");
    ASSERT_EQ(chmod(dir.File("private.ini").c_str(), 0600), 0);
    ASSERT_TRUE(WriteFileAtomically(dir.File("private.ini"), "new"));
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
#endif

} // namespace
