// rm42ctl's --lines-on port decorator, through the link as the program uses it: it lets commands
// through on a line whose CTS and DSR cannot be read. --port is checked end to end (CtlCheckTest).
#include "device/PortOverride.h"
#include "device/CCommIO.h"
#include "support/ScriptedSerialPort.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

class PortOverrideTest : public ::testing::Test, public LineRig {
protected:
    PortOverrideTest()
    {
        line.cts = line.dsr = false; // a pseudo-terminal: no modem lines
        line.Respond("DA", "DAOK");
    }
    // Status and reply of DA through a link on ports from factory.
    std::tuple<CommStatus, std::string> CheckMode(SerialPortFactory& factory)
    {
        app.ports = &factory;
        CCommIO link(app);
        std::string reply;
        int length = 0;
        if (!link.Open()) return {COMM_NOT_CONNECTED, "not opened"};
        const CommStatus status = link.Transact("DA", reply, length, 5000);
        return {status, reply};
    }
    // A factory that hands out the rig's ports and stays owned by the rig.
    struct Borrowed final : SerialPortFactory {
        explicit Borrowed(ScriptedLine& l) : lineRef(l) {}
        std::unique_ptr<SerialPort> Create() override { return lineRef.Create(); }
        ScriptedLine& lineRef;
    };
};

TEST_F(PortOverrideTest, LinesOnLetsCommandsThroughWhereTheBareLineRefuses)
{
    EXPECT_EQ(CheckMode(line), std::tuple(COMM_NOT_CONNECTED, std::string()));
    EXPECT_TRUE(line.commands.empty());

    auto linesOn = MakeLinesOnFactory(std::make_unique<Borrowed>(line));
    EXPECT_EQ(CheckMode(*linesOn), std::tuple(COMM_OK, std::string("OK")));
    EXPECT_EQ(line.commands, std::vector<std::string>{"DA"});

    // Closed, the decorated port reports no lines, like any closed port.
    auto port = linesOn->Create();
    bool cts = true, dsr = true;
    EXPECT_FALSE(port->ModemLines(cts, dsr));
    EXPECT_FALSE(cts || dsr);
}

} // namespace
