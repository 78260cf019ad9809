#include "support/ChildProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/StartUp.h"

extern char** environ;

namespace {

using SteadyTime = std::chrono::steady_clock;

int MsLeft(SteadyTime::time_point deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyTime::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Starts args[0] with standard input from /dev/null and standard output (and error, when
// errFd is given) into pipes; returns the pid or -1 with error set.
pid_t Spawn(std::vector<std::string> args, int& outFd, int* errFd, std::string& error)
{
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    int out[2] = {-1, -1}, err[2] = {-1, -1};
    // Close-on-exec: the child keeps only the ends dup2 gives it.
    if (pipe2(out, O_CLOEXEC) != 0 || (errFd && pipe2(err, O_CLOEXEC) != 0)) {
        error = std::strerror(errno);
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    if (errFd) posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    for (int fd : {out[1], err[1]})
        if (fd >= 0) close(fd);
    if (rc != 0) {
        error = "cannot start " + args[0] + ": " + std::strerror(rc);
        for (int fd : {out[0], err[0]})
            if (fd >= 0) close(fd);
        return -1;
    }
    outFd = out[0];
    if (errFd) *errFd = err[0];
    return pid;
}

// Checks done every 5 ms until it holds or 5 s have passed.
bool WaitUntil(const std::function<bool()>& done)
{
    const auto deadline = SteadyTime::now() + std::chrono::seconds(5);
    while (!done()) {
        if (MsLeft(deadline) == 0) return false;
        usleep(5000);
    }
    return true;
}

bool LinkPresent(const std::string& link)
{
    struct stat st {};
    return lstat(link.c_str(), &st) == 0;
}

int ExitStatus(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

} // namespace

std::string RunnableDir()
{
    if (const char* dir = std::getenv("RM42_BIN_DIR")) return std::string(dir) + "/";
    const std::string exe = ExecutablePath();
    return exe.substr(0, exe.find_last_of('/') + 1);
}

ProcessResult RunProcess(const std::vector<std::string>& args, int timeoutMs)
{
    ProcessResult result;
    pollfd fds[2] = {{-1, POLLIN, 0}, {-1, POLLIN, 0}};
    const pid_t pid = Spawn(args, fds[0].fd, &fds[1].fd, result.err);
    if (pid < 0) return result;
    const auto deadline = SteadyTime::now() + std::chrono::milliseconds(timeoutMs);
    bool killed = false;
    while (fds[0].fd >= 0 || fds[1].fd >= 0) {
        if (MsLeft(deadline) == 0) {
            kill(pid, SIGKILL);
            killed = true;
            break;
        }
        if (poll(fds, 2, MsLeft(deadline)) < 0 && errno != EINTR) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buf[4096];
            const ssize_t n = read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                (i == 0 ? result.out : result.err).append(buf, static_cast<size_t>(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
            }
        }
    }
    for (auto& f : fds)
        if (f.fd >= 0) close(f.fd);
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = killed ? -1 : ExitStatus(status);
    return result;
}

SimProcess::SimProcess(const std::string& link, const std::vector<std::string>& extraArgs) : link_(link)
{
    std::vector<std::string> args = {RunnableDir() + "rm42-sim", "--link", link_};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    int out = -1;
    pid_ = Spawn(args, out, nullptr, error_);
    if (pid_ < 0) return;
    // The simulator prints one line once its link is in place.
    std::string line;
    const auto deadline = SteadyTime::now() + std::chrono::seconds(10);
    pollfd p{out, POLLIN, 0};
    while (line.find('\n') == std::string::npos && poll(&p, 1, MsLeft(deadline)) > 0) {
        char buf[256];
        const ssize_t n = read(out, buf, sizeof buf);
        if (n <= 0) break;
        line.append(buf, static_cast<size_t>(n));
    }
    close(out);
    ready_ = line.find("serving") != std::string::npos;
    if (!ready_) error_ = "rm42-sim did not come up: " + line;
}

int SimProcess::Stop()
{
    if (pid_ <= 0) return -1;
    kill(pid_, SIGTERM);
    int status = 0;
    const bool ended = WaitUntil([&] { return waitpid(pid_, &status, WNOHANG) != 0; });
    if (!ended) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
    }
    pid_ = -1;
    return ended ? ExitStatus(status) : -1;
}

bool SimProcess::Unplug()
{
    return pid_ > 0 && kill(pid_, SIGUSR1) == 0 && WaitUntil([&] { return !LinkPresent(link_); });
}

bool SimProcess::Replug()
{
    return pid_ > 0 && kill(pid_, SIGUSR2) == 0 && WaitUntil([&] { return LinkPresent(link_); });
}

SimProcess::~SimProcess()
{
    Stop();
}
