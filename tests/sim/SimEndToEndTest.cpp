#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "device/PosixSerialPort.h"
#include "support/ChildProcess.h"
#include "support/TestSupport.h"

namespace {

// One command: the first line that starts with the command's code, CR LF cut off.
std::string Transact(SerialPort& port, const std::string& command)
{
    const std::string line = command + "\r\n";
    if (!port.Purge(SerialBuffer::Input) || !port.Write(line.data(), line.size())) return "write failed";
    std::string text = "\n";
    const std::string echo = "\n" + command.substr(0, 2);
    char buf[256];
    for (std::size_t i = 0, got = 0; i < 100 && port.Read(buf, sizeof buf, got, 100) != WaitResult::Error;
         ++i) {
        text.append(buf, got);
        const std::size_t at = text.find(echo), end = text.find("\r\n", std::min(at, text.size()));
        if (end != std::string::npos) return text.substr(at + 1, end - at - 1);
    }
    return "no reply: " + text;
}

} // namespace

// The protocol itself is tested in-process (SimThermometerTest); here the link: a stale one is
// replaced, the port answers over it, its traffic is logged and the link goes on exit.
TEST(SimEndToEnd, ServesTheCommandSetOnAPseudoTerminalLink)
{
    TempDir dir;
    const std::string link = dir.File("rm42"), log = dir.File("traffic.log");
    ASSERT_EQ(symlink("/nonexistent/stale", link.c_str()), 0);
    SimProcess sim(link, {"--serial", "305419896", "--log", log});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    PosixSerialPort port;
    ASSERT_TRUE(port.Open(SerialSettings{link, 9600, 8, 0, 0, 30000, 2000})) << port.LastError();
    // --serial 305419896 = 0x12345678
    EXPECT_EQ(Transact(port, "DA") + " " + Transact(port, "9130"), "DAOK1F 9130123497");
    EXPECT_TRUE(port.Close() && sim.Stop() == 0);
    EXPECT_FALSE(std::filesystem::is_symlink(link)) << "the link is removed on exit";
    const std::string traffic = ReadFileBytes(log);
    EXPECT_TRUE(traffic.find(" > DA\n") != traffic.npos && traffic.find(" < DAOK1F\n") != traffic.npos)
        << traffic;
}

TEST(SimEndToEnd, BadOptionsExitWithAMessage)
{
    const std::string sim = RunnableDir() + "rm42-sim";
    // Which values are refused is SimOptions' test; here that the process says so and ends.
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{sim, "--link", "/tmp/x", "--scenario", "wobble"}, "--scenario"},
        {{sim, "--target", "20"}, "--link"}};
    for (const auto& [argv, mentions] : cases) {
        const ProcessResult r = RunProcess(argv, 10000);
        EXPECT_TRUE(r.exitCode == 2 && r.err.find(mentions) != std::string::npos)
            << r.exitCode << " " << r.err;
    }
}
