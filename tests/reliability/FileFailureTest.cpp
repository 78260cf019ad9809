// Saving where the file system refuses: a read-only folder, a full disk, a file-size limit. The
// text and INI writers report the failure and nothing on disk changes: the old file keeps its
// bytes and no temporary file is left beside it.

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

std::set<fs::path> Listing(const std::string& folder)
{
    return {fs::directory_iterator(folder), fs::directory_iterator()};
}

// A small file system of its own mounted on a folder (root only; elsewhere Mount fails and the
// case that needs it is skipped), unmounted at the end.
struct SmallMount {
    explicit SmallMount(std::string f) : folder(std::move(f)) { fs::create_directories(folder); }
    ~SmallMount()
    {
        if (mounted) umount2(folder.c_str(), MNT_DETACH);
        chmod(folder.c_str(), 0755); // so that the folder can be removed
    }
    bool Mount() { return mounted = mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=16k,mode=0777") == 0; }
    bool MakeReadOnly() // permissions hold for others; root needs a read-only mount
    {
        if (geteuid() != 0) return chmod(folder.c_str(), 0555) == 0;
        return mounted && mount("tmpfs", folder.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    std::string folder;
    bool mounted = false;
};

// Runs write with writes beyond 4 KiB failing in this process (EFBIG): a full disk as the writer
// sees it, without a file system of its own.
bool UnderFileSizeLimit(const std::function<bool()>& write)
{
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit lower = {4096, saved.rlim_max};
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &lower), 0);
    const bool written = write();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    return written;
}

TEST(FileFailure, RefusedWritesLeaveTheOldFileAndNoTemporaryFileAndSucceedOnceThereIsRoom)
{
    const std::string old = "[ComPort]\r\nPort=COM1\r\n", big(64 * 1024, 'x'); // more than the disk takes
    const bool root = geteuid() == 0;
    struct Case {
        const char* what;
        bool smallDisk, readOnly, sizeLimit; // a 16 KiB file system of its own; writes refused; beyond 4 KiB
        std::function<bool(const std::string& path)> write;
    };
    const auto writeBig = [&](const std::string& path) { return WriteFileAtomically(path, big); };
    const Case cases[] = {
        {"read-only folder", root, true, false,
         [](const auto& path) { return WriteFileAtomically(path, "new"); }},
        {"read-only folder, new INI key", root, true, false,
         [](const auto& path) { return IniFile::WriteString(path, "ComPort", "Bps", "9600"); }},
        {"full disk", true, false, false, writeBig},
        {"full disk, CP932 text", true, false, false,
         [](const auto& path) { return WriteCp932File(path, std::string(40000, 'a') + "放射温度計"); }},
        {"file-size limit", false, false, true, writeBig},
        {"file-size limit, INI key", false, false, true,
         [&](const auto& path) { return IniFile::WriteString(path, "ComPort", "Port", big); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        SmallMount mount(dir.File("save"));
        if (c.smallDisk && !mount.Mount()) {
            std::printf("skipped (cannot mount a small file system here): %s\n", c.what);
            continue;
        }
        const std::string path = mount.folder + "/rm42meter.ini";
        WriteFileBytes(path, old);
        ASSERT_TRUE(!c.readOnly || mount.MakeReadOnly());
        const auto before = Listing(mount.folder);
        const bool written = c.sizeLimit ? UnderFileSizeLimit([&] { return c.write(path); }) : c.write(path);
        EXPECT_EQ(std::tuple(written, ReadFileBytes(path), Listing(mount.folder)),
                  std::tuple(false, old, before));
        if (!c.sizeLimit) continue;
        // Written once there is room.
        ASSERT_TRUE(c.write(path));
        EXPECT_EQ(std::pair(ReadFileBytes(path) == old, Listing(mount.folder)), std::pair(false, before));
    }
}

} // namespace
