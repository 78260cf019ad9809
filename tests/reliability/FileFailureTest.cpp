// Saving where the file system refuses: a read-only folder, a full disk, a file-size limit, a
// missing folder. The write reports the failure and nothing on disk changes: the old file keeps
// its bytes and no temporary file is left beside it.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/IniFile.h"
#include "app/SafeFile.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

std::set<std::string> Listing(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// A small file system of its own mounted on a folder (root only; elsewhere Mount fails and the
// case that needs it is skipped), unmounted at the end.
class SmallMount {
public:
    explicit SmallMount(std::string folder) : folder_(std::move(folder)) { fs::create_directories(folder_); }
    ~SmallMount()
    {
        if (mounted_) umount2(folder_.c_str(), MNT_DETACH);
        chmod(folder_.c_str(), 0755); // so that the folder can be removed
    }
    bool Mount(const std::string& options)
    {
        mounted_ = mount("tmpfs", folder_.c_str(), "tmpfs", 0, options.c_str()) == 0;
        return mounted_;
    }
    bool MakeReadOnly()
    {
        if (geteuid() != 0) return chmod(folder_.c_str(), 0555) == 0; // permissions hold for others
        return mounted_ && mount("tmpfs", folder_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    std::string folder_;
    bool mounted_ = false;
};

// Writes beyond limit bytes fail in this process (EFBIG) while it is alive: a full disk as the
// writer sees it, without needing a file system of its own.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lower = saved_;
        lower.rlim_cur = limit;
        ok_ = setrlimit(RLIMIT_FSIZE, &lower) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }
    bool Ok() const { return ok_; }

private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
    bool ok_ = false;
};

const std::string kOld = "[ComPort]\r\nPort=COM1\r\n"; // what was saved before
const std::string kBig(64 * 1024, 'x');                // more than the full disk takes

TEST(FileFailure, RefusedWritesLeaveTheOldFileAndNoTemporaryFile)
{
    // Root writes into any folder whatever its permissions: a read-only mount refuses it too.
    const bool root = geteuid() == 0;
    struct Case {
        const char* what;
        bool smallDisk; // on a 16 KiB file system of its own
        bool readOnly;  // the folder refuses writes
        bool sizeLimit; // writes beyond 4 KiB fail
        std::function<bool(const std::string& path)> write;
    };
    const auto writeBig = [](const std::string& path) { return WriteFileAtomically(path, kBig); };
    const Case cases[] = {
        {"read-only folder", root, true, false,
         [](const std::string& path) { return WriteFileAtomically(path, "new"); }},
        {"read-only folder, INI key", root, true, false,
         [](const std::string& path) { return IniFile::WriteString(path, "ComPort", "Port", "COM9"); }},
        {"full disk", true, false, false, writeBig},
        {"full disk, CP932 text", true, false, false,
         [](const std::string& path) {
             return WriteCp932File(path, std::string(40000, 'a') + "放射温度計");
         }},
        {"file-size limit", false, false, true, writeBig},
        {"file-size limit, INI key", false, false, true,
         [](const std::string& path) { return IniFile::WriteString(path, "ComPort", "Port", kBig); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string folder = dir.File("save");
        SmallMount mount(folder);
        if (c.smallDisk && !mount.Mount("size=16k,mode=0777")) {
            std::printf("skipped (cannot mount a small file system here): %s\n", c.what);
            continue;
        }
        const std::string path = folder + "/rm42meter.ini";
        WriteFileBytes(path, kOld);
        if (c.readOnly) {
            ASSERT_TRUE(mount.MakeReadOnly());
        }
        const auto before = Listing(folder);
        bool written = true;
        if (c.sizeLimit) {
            FileSizeLimit limit(4096);
            ASSERT_TRUE(limit.Ok());
            written = c.write(path);
        } else {
            written = c.write(path);
        }
        EXPECT_FALSE(written);
        EXPECT_EQ(ReadFileBytes(path), kOld);
        EXPECT_EQ(Listing(folder), before);
    }
}

TEST(FileFailure, NoFolderOrAFolderInTheWayIsRefusedWithoutATrace)
{
    TempDir dir;
    WriteFileBytes(dir.File("plain"), kOld);
    fs::create_directories(dir.File("taken"));
    const auto before = Listing(dir.Path());
    for (const std::string& path :
         {dir.File("missing/report.csv"), dir.File("plain/report.csv"), dir.File("taken"), std::string(),
          dir.File(std::string(300, 'n') + ".csv")}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(WriteFileAtomically(path, "new"));
        EXPECT_FALSE(WriteCp932File(path, "new"));
    }
    EXPECT_EQ(Listing(dir.Path()), before);
    EXPECT_EQ(ReadFileBytes(dir.File("plain")), kOld);
}

TEST(FileFailure, AfterTheDiskHasRoomAgainTheSameWriteSucceeds)
{
    TempDir dir;
    const std::string path = dir.File("report.csv");
    WriteFileBytes(path, kOld);
    {
        FileSizeLimit limit(1024);
        ASSERT_TRUE(limit.Ok());
        EXPECT_FALSE(WriteFileAtomically(path, kBig));
    }
    EXPECT_EQ(ReadFileBytes(path), kOld);
    EXPECT_TRUE(WriteFileAtomically(path, kBig));
    EXPECT_EQ(ReadFileBytes(path), kBig);
    EXPECT_EQ(Listing(dir.Path()), std::set<std::string>{"report.csv"});
}

} // namespace
