// rm42ctl's --lines-on port decorator, through the link as the program uses it: it lets commands
// through on a line whose CTS and DSR cannot be read. --port is checked end to end (CtlCheckTest).
#include "device/PortOverride.h"
#include "device/CCommIO.h"
#include "support/ScriptedSerialPort.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

// A factory that hands out the rig's ports and stays owned by the rig.
struct Borrowed final : SerialPortFactory {
    explicit Borrowed(ScriptedLine& l) : line(l) {}
    std::unique_ptr<SerialPort> Create() override { return line.Create(); }
    ScriptedLine& line;
};

TEST(PortOverrideTest, LinesOnLetsCommandsThroughWhereTheBareLineRefuses)
{
    LineRig r;
    r.line.cts = r.line.dsr = false; // a pseudo-terminal: no modem lines
    r.line.Respond("DA", "DAOK");
    auto linesOn = MakeLinesOnFactory(std::make_unique<Borrowed>(r.line));
    std::vector<std::tuple<CommStatus, std::string, std::size_t>> seen;
    for (SerialPortFactory* factory : {static_cast<SerialPortFactory*>(&r.line), linesOn.get()}) {
        r.app.ports = factory;
        CCommIO link(r.app);
        std::string reply;
        int length = 0;
        const CommStatus status = link.Open() ? link.Transact("DA", reply, length, 5000) : COMM_IO_ERROR;
        seen.emplace_back(status, reply, r.line.commands.size());
    }
    EXPECT_EQ(seen, (std::vector<std::tuple<CommStatus, std::string, std::size_t>>{
                        {COMM_NOT_CONNECTED, "", 0}, {COMM_OK, "OK", 1}}));
    // Closed, the decorated port reports no lines, like any closed port.
    bool cts = true, dsr = true;
    EXPECT_FALSE(linesOn->Create()->ModemLines(cts, dsr) || cts || dsr);
}

} // namespace
