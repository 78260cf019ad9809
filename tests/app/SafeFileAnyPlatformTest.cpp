// The atomic file writer on every platform: new files, replacements, refusals, and paths with
// Japanese letters, which reach the file system as UTF-8 on POSIX and as wide characters on
// Windows.
#include "app/Cp932.h"
#include "app/IniFile.h"
#include "app/SafeFile.h"
#include "app/Utf8Path.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

namespace fs = std::filesystem;

// Every name in the folder, to see that no temporary file is left behind.
std::set<std::string> Names(const std::string& dir)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(PathFromUtf8(dir))) {
        const std::u8string name = entry.path().filename().u8string();
        names.emplace(name.begin(), name.end());
    }
    return names;
}

TEST(SafeFileAnyPlatform, WritesWholeFilesAndRefusesWhatCannotBeReplacedLeavingNothingBehind)
{
    TempDir dir;
    fs::create_directory(dir.File("folder"));
    const std::string path = dir.File("report.csv");
    // The big one takes more than one write of the system's buffer.
    for (const std::string& bytes : {std::string("first\r\n"), std::string(), std::string(300000, 'x'),
                                     std::string("nul\0inside", 10)}) {
        ASSERT_TRUE(WriteFileAtomically(path, bytes)) << bytes.size();
        EXPECT_EQ(ReadFileBytes(path), bytes);
    }
    for (const std::string& target : {std::string(), dir.File("folder"), dir.File("missing/new.txt")})
        EXPECT_FALSE(WriteFileAtomically(target, "new")) << target;
    EXPECT_EQ(
        std::tuple(Names(dir.Path()), fs::is_empty(dir.File("folder")), ReadFileBytes(path)),
        std::tuple(std::set<std::string>{"folder", "report.csv"}, true, std::string("nul\0inside", 10)));
}

TEST(SafeFileAnyPlatform, JapaneseFolderAndFileNamesAndCp932Text)
{
    TempDir dir;
    const std::string folder = dir.Path() + "温度計データ", csv = folder + "/記録.csv",
                      ini = folder + "/放射温度計.ini";
    ASSERT_TRUE(fs::create_directory(PathFromUtf8(folder)));
    ASSERT_TRUE(WriteCp932File(csv, "時刻,温度\r\n"));
    std::ifstream in(PathFromUtf8(csv), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "\x8E\x9E\x8D\x8F,\x89\xB7\x93\x78\r\n");
    // The INI file is found, read and rewritten through the same paths.
    EXPECT_TRUE(IsRegularFileUtf8(csv) && !IsRegularFileUtf8(ini) && !IsRegularFileUtf8(folder));
    ASSERT_TRUE(IniFile::WriteString(ini, "ComPort", "Port", "COM5"));
    ASSERT_TRUE(IniFile::WriteString(ini, "System", "WindowTitle", "温度計"));
    EXPECT_EQ(IniFile::GetString(ini, "ComPort", "Port", "COM4") +
                  IniFile::GetString(ini, "System", "WindowTitle", ""),
              "COM5温度計");
    EXPECT_EQ(Names(folder), (std::set<std::string>{"放射温度計.ini", "記録.csv"}));
}

#ifndef _WIN32
TEST(SafeFile, NewFilesTakeTheUmaskOldOnesKeepTheirModeAndLinksAreWrittenThrough)
{
    TempDir dir;
    const auto mode = [&](const char* name) {
        struct stat st {};
        return stat(dir.File(name).c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
    };
    const mode_t oldMask = umask(027);
    ASSERT_TRUE(WriteFileAtomically(dir.File("new.csv"), "a,b\r\n"));
    umask(oldMask);
    WriteFileBytes(dir.File("private.ini"), "old");
    ASSERT_EQ(chmod(dir.File("private.ini").c_str(), 0600), 0);
    ASSERT_TRUE(WriteFileAtomically(dir.File("private.ini"), "new"));
    EXPECT_EQ(std::pair(mode("new.csv"), mode("private.ini")), std::pair(0640u, 0600u));
    // The link stays a link; the file it leads to gets the bytes.
    fs::create_directory(dir.File("real"));
    WriteFileBytes(dir.File("real/rm42meter.ini"), "old");
    fs::create_symlink("real/rm42meter.ini", dir.File("link.ini"));
    ASSERT_TRUE(WriteFileAtomically(dir.File("link.ini"), "through"));
    EXPECT_EQ(std::tuple(fs::is_symlink(dir.File("link.ini")), ReadFileBytes(dir.File("real/rm42meter.ini")),
                         Names(dir.Path()), Names(dir.File("real"))),
              std::tuple(true, "through", std::set<std::string>{"link.ini", "new.csv", "private.ini", "real"},
                         std::set<std::string>{"rm42meter.ini"}));
}
#endif

} // namespace
