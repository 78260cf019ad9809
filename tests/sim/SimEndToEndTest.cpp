#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "app/AppState.h"
#include "device/CCommIO.h"
#include "support/ChildProcess.h"
#include "support/TestSupport.h"

// The protocol itself is tested in-process (SimThermometerTest); here the link: a stale one is
// replaced, the program's link talks over it, its traffic is logged and the link goes on exit.
TEST(SimEndToEnd, ServesTheCommandSetOnAPseudoTerminalLink)
{
    TempDir dir;
    const std::string link = dir.File("rm42"), log = dir.File("traffic.log");
    ASSERT_EQ(symlink("/nonexistent/stale", link.c_str()), 0);
    SimProcess sim(link, {"--serial", "305419896", "--log", log});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    // The program's own link onto it. --serial 305419896 = 0x12345678.
    const std::unique_ptr<SerialPortFactory> ports = MakeSystemSerialPortFactory();
    AppState app;
    std::tie(app.ports, app.iniPath) = std::tuple(ports.get(), dir.File("rm42meter.ini"));
    WriteFileBytes(app.iniPath, "[ComPort]\nPort=" + link + "\nStopBit=0\n");
    std::string da, serial;
    int length = 0;
    {
        CCommIO port(app);
        ASSERT_TRUE(port.Open());
        ASSERT_TRUE(port.Transact("DA", da, length) == COMM_OK &&
                    port.Transact("9130", serial, length) == COMM_OK);
        EXPECT_EQ(da + " " + serial, "OK1F 30123497");
    }
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_FALSE(std::filesystem::is_symlink(link)) << "the link is removed on exit";
    const std::string traffic = ReadFileBytes(log);
    EXPECT_TRUE(traffic.find(" > DA\n") != traffic.npos && traffic.find(" < DAOK1F\n") != traffic.npos)
        << traffic;
}
