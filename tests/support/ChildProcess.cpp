#include "support/ChildProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
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

std::vector<char*> ArgvOf(std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    return argv;
}

int ExitStatus(int status)
{
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

} // namespace

std::string RunnableDir()
{
    if (const char* dir = std::getenv("RM42_BIN_DIR")) return std::string(dir) + "/";
    const std::string exe = ExecutablePath();
    return exe.substr(0, exe.find_last_of('/') + 1);
}

ProcessResult RunProcess(const std::vector<std::string>& argvIn, int timeoutMs)
{
    ProcessResult result;
    std::vector<std::string> args = argvIn;
    auto argv = ArgvOf(args);
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) {
        result.err = std::strerror(errno);
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, err[0]);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    if (rc != 0) {
        close(out[0]);
        close(err[0]);
        result.err = "cannot start " + args[0] + ": " + std::strerror(rc);
        return result;
    }
    const auto deadline = SteadyTime::now() + std::chrono::milliseconds(timeoutMs);
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    int open = 2;
    bool killed = false;
    while (open > 0) {
        const int left = MsLeft(deadline);
        if (left == 0) {
            kill(pid, SIGKILL);
            killed = true;
            break;
        }
        if (poll(fds, 2, left) < 0 && errno != EINTR) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buf[4096];
            const ssize_t n = read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                (i == 0 ? result.out : result.err).append(buf, static_cast<size_t>(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
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
    auto argv = ArgvOf(args);
    int out[2];
    if (pipe(out) != 0) {
        error_ = std::strerror(errno);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const int rc = posix_spawn(&pid_, args[0].c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (rc != 0) {
        error_ = "cannot start " + args[0] + ": " + std::strerror(rc);
        pid_ = -1;
        close(out[0]);
        return;
    }
    // The simulator prints one line once its link is in place.
    std::string line;
    const auto deadline = SteadyTime::now() + std::chrono::seconds(10);
    pollfd p{out[0], POLLIN, 0};
    while (line.find('\n') == std::string::npos && poll(&p, 1, MsLeft(deadline)) > 0) {
        char buf[256];
        const ssize_t n = read(out[0], buf, sizeof buf);
        if (n <= 0) break;
        line.append(buf, static_cast<size_t>(n));
    }
    close(out[0]);
    ready_ = line.find("serving") != std::string::npos;
    if (!ready_) error_ = "rm42-sim did not come up: " + line;
}

int SimProcess::Stop()
{
    if (pid_ <= 0) return -1;
    kill(pid_, SIGTERM);
    int status = 0;
    const auto deadline = SteadyTime::now() + std::chrono::seconds(5);
    while (waitpid(pid_, &status, WNOHANG) == 0) {
        if (MsLeft(deadline) == 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            pid_ = -1;
            return -1;
        }
        usleep(10000);
    }
    pid_ = -1;
    return ExitStatus(status);
}

SimProcess::~SimProcess()
{
    Stop();
}
