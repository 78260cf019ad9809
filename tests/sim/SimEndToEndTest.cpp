#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "device/PosixSerialPort.h"
#include "support/TestSupport.h"

namespace {

std::string SimPath()
{
    const char* dir = std::getenv("RM42_BIN_DIR");
    return std::string(dir ? dir : "bin") + "/rm42-sim";
}

// rm42-sim as a child process with its stdout and stderr on pipes.
class SimProcess {
public:
    explicit SimProcess(const std::vector<std::string>& args)
    {
        int out[2], err[2];
        if (pipe(out) != 0 || pipe(err) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            dup2(err[1], 2);
            close(out[0]);
            close(err[0]);
            std::vector<char*> argv;
            const std::string path = SimPath();
            argv.push_back(const_cast<char*>(path.c_str()));
            for (const auto& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(path.c_str(), argv.data());
            _exit(127);
        }
        close(out[1]);
        close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }
    ~SimProcess()
    {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) close(out_);
        if (err_ >= 0) close(err_);
    }

    // One line of stdout, or empty after timeoutMs.
    std::string ReadLine(int fd, int timeoutMs)
    {
        std::string line;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd pfd{fd, POLLIN, 0};
            if (poll(&pfd, 1, 20) <= 0) continue;
            char c = 0;
            if (read(fd, &c, 1) != 1) break;
            if (c == '\n') return line;
            line.push_back(c);
        }
        return line;
    }
    std::string Stdout(int timeoutMs) { return ReadLine(out_, timeoutMs); }
    std::string Stderr(int timeoutMs) { return ReadLine(err_, timeoutMs); }

    // The exit status, or -1 if it has not ended within timeoutMs.
    int Wait(int timeoutMs)
    {
        for (int waited = 0; waited <= timeoutMs; waited += 10) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -1;
    }
    void Signal(int sig) { kill(pid_, sig); }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    bool exited_ = false;
};

// One command over a real port: the first line starting with the command's code, CR LF cut off.
std::string Transact(SerialPort& port, const std::string& command)
{
    const std::string line = command + "\r\n";
    if (!port.Purge() || !port.Write(line.data(), line.size())) return "write failed";
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        std::size_t end = 0;
        while ((end = text.find("\r\n")) != std::string::npos) {
            const std::string reply = text.substr(0, end);
            text.erase(0, end + 2);
            if (reply.compare(0, 2, command, 0, 2) == 0) return reply;
        }
        if (port.WaitForInput(100) == WaitResult::Error) return "hung up";
        char buf[256];
        std::size_t got = 0;
        if (!port.Read(buf, sizeof buf, got)) return "read failed";
        text.append(buf, got);
    }
    return "time-out";
}

} // namespace

TEST(SimEndToEnd, ServesTheCommandSetOnAPseudoTerminalLink)
{
    TempDir dir;
    const std::string link = dir.File("rm42");
    const std::string log = dir.File("traffic.log");
    ASSERT_EQ(symlink("/nonexistent/stale", link.c_str()), 0); // a stale link is replaced
    SimProcess sim({"--link", link, "--serial", "305419896", "--status0", "0040", "--log", log});
    const std::string ready = sim.Stdout(10000);
    ASSERT_EQ(ready.rfind("rm42-sim: serving /dev/", 0), 0u) << ready << sim.Stderr(100);
    EXPECT_NE(ready.find(" at " + link), std::string::npos);

    SerialSettings settings;
    settings.device = link;
    settings.writeTimeoutMs = 2000;
    for (int session = 0; session < 2; ++session) { // the program closes and reopens the port
        PosixSerialPort port;
        ASSERT_TRUE(port.Open(settings)) << port.LastError();
        bool cts = false, dsr = false;
        ASSERT_TRUE(port.ModemLines(cts, dsr));
        EXPECT_TRUE(cts && dsr);
        EXPECT_EQ(Transact(port, "9130"), "91NGFF") << "register access without DA";
        EXPECT_EQ(Transact(port, "DA"), "DAOK1F");
        EXPECT_EQ(Transact(port, "9130"), "9130123497"); // 305419896 = 0x12345678
        EXPECT_EQ(Transact(port, "9131"), "91315678A8");
        EXPECT_EQ(Transact(port, "14"), "140B9242");
        EXPECT_EQ(Transact(port, "81"), "81OK03");
        // Output bit 6 is on: temperature lines keep coming by themselves.
        std::string streamed;
        for (int i = 0; i < 50 && streamed.find("2F0BA60000000B92\r\n") == std::string::npos; ++i) {
            ASSERT_NE(port.WaitForInput(200), WaitResult::Error);
            char buf[256];
            std::size_t got = 0;
            ASSERT_TRUE(port.Read(buf, sizeof buf, got));
            streamed.append(buf, got);
        }
        EXPECT_NE(streamed.find("2F0BA60000000B92\r\n"), std::string::npos) << streamed;
        EXPECT_TRUE(port.Close());
    }

    sim.Signal(SIGTERM);
    EXPECT_EQ(sim.Wait(5000), 0);
    struct stat st {};
    EXPECT_NE(lstat(link.c_str(), &st), 0) << "the link is removed on exit";
    const std::string traffic = ReadFileBytes(log);
    EXPECT_NE(traffic.find("> DA\n"), std::string::npos);
    EXPECT_NE(traffic.find("< DAOK1F\n"), std::string::npos);
}

TEST(SimEndToEnd, BadOptionsExitWithAMessage)
{
    struct Case {
        std::vector<std::string> args;
        const char* mentions;
    };
    const Case cases[] = {
        {{"--link", "/tmp/x", "--scenario", "wobble"}, "--scenario"},
        {{"--link", "/tmp/x", "--fault", "explode:DA"}, "fault"},
        {{"--link", "/tmp/x", "--emissivity", "1.5"}, "--emissivity"},
        {{"--link"}, "--link"},
        {{"--target", "20"}, "--link"},
        {{"--link", "/tmp/x", "--frobnicate", "1"}, "--frobnicate"},
    };
    for (const Case& c : cases) {
        SimProcess sim(c.args);
        const std::string message = sim.Stderr(5000);
        EXPECT_EQ(sim.Wait(5000), 2) << message;
        EXPECT_NE(message.find(c.mentions), std::string::npos) << message;
    }
}
