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
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/StartUp.h"

extern char** environ;

namespace {

// A folder of its own for a child's output, removed with everything in it.
struct OutputDir {
    OutputDir()
    {
        std::string name = (std::filesystem::temp_directory_path() / "rm42out-XXXXXX").string();
        if (mkdtemp(name.data())) path = name;
    }
    ~OutputDir()
    {
        std::error_code ec;
        if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
    std::string File(const char* name) const { return path.empty() ? "/dev/null" : path + "/" + name; }
    std::string Read(const char* name) const
    {
        std::ifstream in(File(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string path;
};

// Checks done every 2 ms until it holds or timeoutMs have passed.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        usleep(2000);
    }
    return true;
}

// Starts args[0] with standard input from /dev/null and standard output (and error, unless err
// is empty) into files; returns the pid, or -1 with error set.
pid_t Spawn(std::vector<std::string> args, const std::string& out, const std::string& err, std::string& error)
{
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    if (!err.empty())
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) error = "cannot start " + args[0] + ": " + std::strerror(rc);
    return rc == 0 ? pid : -1;
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
    const OutputDir dir;
    const pid_t pid = Spawn(args, dir.File("out"), dir.File("err"), result.err);
    if (pid < 0) return result;
    int status = 0;
    if (WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, timeoutMs)) {
        result.exitCode = ExitStatus(status);
    } else {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    result.out = dir.Read("out");
    result.err = dir.Read("err");
    return result;
}

SimProcess::SimProcess(const std::string& link, const std::vector<std::string>& extraArgs) : link_(link)
{
    std::vector<std::string> args = {RunnableDir() + "rm42-sim", "--link", link_};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    const OutputDir dir;
    pid_ = Spawn(args, dir.File("out"), "", error_);
    // The simulator prints one line once its link is in place, or ends.
    std::string line;
    bool ended = false;
    const auto done = [&] {
        line = dir.Read("out");
        ended = pid_ < 0 || waitpid(pid_, nullptr, WNOHANG) != 0;
        return ended || line.find('\n') != std::string::npos;
    };
    WaitUntil(done, 10000);
    if (ended) pid_ = -1;
    ready_ = line.find("serving") != std::string::npos;
    if (!ready_) error_ += "rm42-sim did not come up: " + line;
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
