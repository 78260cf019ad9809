#include "app/AppState.h"
#include "device/CCommIO.h"
#include "support/ScriptedSerialPort.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A device operation as a page runs it: guard, link, a command, a box the user answers, close.
// While the box is up the user clicks the same button again; that nested operation must be
// refused at once (a wait would never end: everything runs on one thread).
struct Rig : LineRig {
    Rig() { WriteFileBytes(app.iniPath, "[ComPort]\nPort=/dev/ttyRM0\n"); }

    void ReadSerial(const std::string& who)
    {
        DeviceGuard guard(app);
        if (!guard.Acquired()) {
            log.push_back(who + " refused");
            return;
        }
        log.push_back(who + " runs");
        CCommIO link(app);
        ASSERT_TRUE(link.Open());
        std::string reply;
        int length = 0;
        EXPECT_EQ(link.Transact("9130", reply, length), COMM_OK);
        app.ui->MessageBox("read " + reply, "", MsgIcon::None, MsgButtons::Ok, MsgAnswer::Ok);
        link.Close();
    }

    std::vector<std::string> log;
};

TEST(DeviceGuard, AnOperationStartedInsideAnotherIsRefusedAndTheGuardIsFreeAfterwards)
{
    Rig r;
    r.line.Respond("9130", "9130075B12");
    int clicks = 0;
    r.ui.onMessageBox = [&](const MessageBoxCall&) {
        if (clicks++ == 0) r.ReadSerial("second");
    };
    r.ReadSerial("first");
    EXPECT_EQ(r.log, (std::vector<std::string>{"first runs", "second refused"}));
    EXPECT_EQ(r.line.commands, std::vector<std::string>{"9130"});
    EXPECT_EQ(r.line.openAttempts, 1);
    EXPECT_FALSE(r.app.deviceSemaphore);

    r.ReadSerial("third");
    EXPECT_EQ(r.log.back(), "third runs");
    EXPECT_EQ(r.line.commands.size(), 2u);
    EXPECT_FALSE(r.app.deviceSemaphore);
}

} // namespace
