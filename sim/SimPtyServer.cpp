#include "SimPtyServer.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "SimThermometer.h"
#include "device/Clock.h"

namespace {

constexpr int MAX_POLL_MS = 50;

std::string Reason(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

} // namespace

SimPtyServer::SimPtyServer(SimThermometer& device, Clock& clock) : device_(device), clock_(clock) {}

SimPtyServer::~SimPtyServer()
{
    Stop();
}

bool SimPtyServer::Start(const std::string& linkPath, std::string& error)
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) {
        error = Reason("posix_openpt");
        return false;
    }
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        error = Reason("grantpt/unlockpt");
        Stop();
        return false;
    }
    const char* name = ::ptsname(master_);
    if (name == nullptr) {
        error = Reason("ptsname");
        Stop();
        return false;
    }
    slavePath_ = name;
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) {
        error = Reason("open " + slavePath_);
        Stop();
        return false;
    }
    // Raw from the start: an echoing terminal would send the thermometer its own lines back.
    termios tio{};
    if (::tcgetattr(slave_, &tio) == 0) {
        cfmakeraw(&tio);
        (void)::tcsetattr(slave_, TCSANOW, &tio);
    }
    const int flags = ::fcntl(master_, F_GETFL);
    (void)::fcntl(master_, F_SETFL, flags | O_NONBLOCK);

    struct stat st {};
    if (::lstat(linkPath.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            error = linkPath + " exists and is not a symbolic link";
            Stop();
            return false;
        }
        (void)::unlink(linkPath.c_str());
    }
    if (::symlink(slavePath_.c_str(), linkPath.c_str()) != 0) {
        error = Reason("symlink " + linkPath);
        Stop();
        return false;
    }
    linkPath_ = linkPath;
    device_.Connect();
    return true;
}

bool SimPtyServer::Run(const std::atomic<bool>& stop, std::string& error)
{
    char buf[4096];
    std::string outgoing;
    while (!stop.load()) {
        if (master_ < 0) {
            // Unplugged: nothing to serve until the cable is back.
            std::this_thread::sleep_for(std::chrono::milliseconds(MAX_POLL_MS));
            continue;
        }
        const uint64_t now = clock_.TickMs();
        const uint64_t next = device_.NextArrivalMs();
        int waitMs = MAX_POLL_MS;
        if (next <= now) {
            waitMs = 0;
        } else if (next - now < static_cast<uint64_t>(MAX_POLL_MS)) {
            waitMs = static_cast<int>(next - now);
        }
        pollfd pfd{master_, POLLIN, 0};
        const int rc = ::poll(&pfd, 1, waitMs);
        if (rc < 0 && errno != EINTR) {
            error = Reason("poll");
            return false;
        }
        if (rc > 0 && (pfd.revents & POLLIN) != 0) {
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n > 0) device_.HostWrite(buf, static_cast<std::size_t>(n));
        } else if (rc > 0 && (pfd.revents & (POLLHUP | POLLERR)) != 0) {
            // Nobody on the other side (cannot last while our own slave is open); wait for them.
            std::this_thread::sleep_for(std::chrono::milliseconds(MAX_POLL_MS));
        }
        const std::size_t ready = device_.Available();
        if (ready > 0) {
            outgoing.resize(ready);
            outgoing.resize(device_.HostRead(outgoing.data(), ready));
            // A program that does not read lets the terminal fill up; what does not fit is lost,
            // as on a real line without flow control.
            std::size_t off = 0;
            while (off < outgoing.size()) {
                const ssize_t w = ::write(master_, outgoing.data() + off, outgoing.size() - off);
                if (w > 0) {
                    off += static_cast<std::size_t>(w);
                } else if (w < 0 && errno == EINTR) {
                    continue;
                } else {
                    break;
                }
            }
        }
    }
    return true;
}

void SimPtyServer::Stop()
{
    if (!linkPath_.empty()) {
        char target[4096];
        const ssize_t n = ::readlink(linkPath_.c_str(), target, sizeof target - 1);
        if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == slavePath_) {
            (void)::unlink(linkPath_.c_str());
        }
        linkPath_.clear();
    }
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
    slave_ = master_ = -1;
}

bool SimPtyServer::Unplug()
{
    if (master_ < 0) return false;
    unpluggedLink_ = linkPath_;
    Stop();
    return true;
}

bool SimPtyServer::Replug(std::string& error)
{
    if (master_ >= 0) return true;
    if (unpluggedLink_.empty()) {
        error = "no link to restore";
        return false;
    }
    return Start(unpluggedLink_, error);
}
