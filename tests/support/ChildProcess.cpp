#include "support/ChildProcess.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/StartUp.h"

extern char** environ;

namespace {

// A folder of its own for a child's output, removed with everything in it (bench links this file
// without the other test helpers).
struct OutputDir {
    OutputDir() { path = mkdtemp(path.data()) ? path + "/" : "/dev/null/"; }
    ~OutputDir() { std::filesystem::remove_all(path, ec); }
    std::string File(const char* name) const { return path + name; }
    std::string path = (std::filesystem::temp_directory_path() / "rm42out-XXXXXX").string();
    std::error_code ec;
};

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Checks done every 2 ms until it holds or timeoutMs have passed.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (; !done(); usleep(2000))
        if (std::chrono::steady_clock::now() >= deadline) return false;
    return true;
}

// Starts args[0] with standard input from /dev/null and standard output and error into files of
// the folder; returns the pid, or -1 with error set.
pid_t Spawn(std::vector<std::string> args, const OutputDir& dir, std::string& error)
{
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    for (const auto& [fd, name] : {std::pair{STDOUT_FILENO, "out"}, {STDERR_FILENO, "err"}})
        posix_spawn_file_actions_addopen(&actions, fd, dir.File(name).c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) error = "cannot start " + args[0] + ": " + std::strerror(rc);
    return rc == 0 ? pid : -1;
}

// The exit status once the process ended within timeoutMs, else -1 after killing it.
int Reap(pid_t pid, int timeoutMs)
{
    int status = 0;
    if (!WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, timeoutMs)) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

bool LinkPresent(const std::string& link)
{
    return std::filesystem::exists(std::filesystem::symlink_status(link));
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
    const OutputDir dir;
    const pid_t pid = Spawn(args, dir, result.err);
    if (pid < 0) return result;
    result.exitCode = Reap(pid, timeoutMs);
    result.out = ReadFileBytes(dir.File("out"));
    result.err = ReadFileBytes(dir.File("err"));
    return result;
}

SimProcess::SimProcess(const std::string& link, const std::vector<std::string>& extraArgs) : link_(link)
{
    std::vector<std::string> args = {RunnableDir() + "rm42-sim", "--link", link_};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    const OutputDir dir;
    pid_ = Spawn(args, dir, error_);
    // The simulator prints one line once its link is in place, or ends.
    std::string line;
    bool ended = false;
    WaitUntil(
        [&] {
            line = ReadFileBytes(dir.File("out"));
            ended = pid_ < 0 || waitpid(pid_, nullptr, WNOHANG) != 0;
            return ended || line.find('\n') != std::string::npos;
        },
        10000);
    if (ended) pid_ = -1;
    ready_ = line.find("serving") != std::string::npos;
    if (!ready_) error_ += "rm42-sim did not come up: " + line + ReadFileBytes(dir.File("err"));
}

int SimProcess::Stop()
{
    if (pid_ <= 0) return -1;
    kill(pid_, SIGTERM);
    const int status = Reap(pid_, 5000);
    pid_ = -1;
    return status;
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
