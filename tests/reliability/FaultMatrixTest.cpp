// Every device operation with every fault at every one of its transactions.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "FaultMatrix.h"
#include "device/CCommIO.h"
#include "device/CommandSet.h"
#include "device/ConnectionCheck.h"

namespace {

using namespace FaultMatrix;

std::atomic<int> totalCases{0};

// Prints the size of the whole matrix once every operation has run.
class MatrixCount : public ::testing::Environment {
public:
    void TearDown() override { std::printf("fault matrix: %d cases\n", totalCases.load()); }
};
const auto* const kCount = ::testing::AddGlobalTestEnvironment(new MatrixCount);

bool LostOnTheWire(Fault fault)
{
    return fault == Fault::PowerOff || fault == Fault::Unplug;
}

// The frame every page's device work uses: Open, DA, the steps, 81, Close. The first failure is
// reported once and ends the operation at once, without 81, leaving the port closed.
Operation SessionOperation(const std::string& name, std::function<bool(DeviceSession&)> steps)
{
    Operation op;
    op.name = name;
    op.run = [steps](Rig& rig) {
        CCommIO link(rig.app);
        DeviceSession session(rig.app, link);
        return session.Begin() && steps(session) && session.End();
    };
    op.check = [](const Outcome& out) {
        EXPECT_FALSE(out.result);
        ASSERT_EQ(out.boxes.size(), 1u);
        const std::string expected = out.k == 1 ? out.rig->Text(115) : "* COMMAND ERROR";
        EXPECT_EQ(out.boxes[0], expected);
        // Nothing is sent after the failed transaction; a lost command never arrives.
        EXPECT_EQ(out.received.size(), LostOnTheWire(out.fault) ? out.k - 1 : out.k);
    };
    return op;
}

std::vector<Operation> Operations()
{
    std::vector<Operation> ops;

    Operation check;
    check.name = "connection check";
    check.config.status0 = 0x0000; // so that the template is written: 9200FC04 is one of the steps
    check.config.serial = 4711;
    check.prepare = [](Rig& rig) {
        // A user who gives up at every question; the COM port dialog changes nothing.
        rig.ui.answers.assign(20, MsgAnswer::Cancel);
    };
    check.run = [](Rig& rig) { return CheckConnection(rig.app); };
    check.check = [](const Outcome& out) {
        const bool atDa = out.command == "DA";
        const bool refused = out.fault == Fault::Ng;
        // A refused check mode request means another device (or a confused one) on the port:
        // the check goes round again through the port dialog and then succeeds. A refusal
        // anywhere else, or a thermometer gone, fails the check.
        if (atDa) {
            EXPECT_EQ(out.result, refused);
            EXPECT_EQ(out.rig->Sim().Register(0x00), refused ? 0xFC04 : 0x0000);
            EXPECT_EQ(out.boxes, std::vector<std::string>{out.rig->Text(refused ? 119 : 115)});
            if (!refused) {
                EXPECT_EQ(out.received.size(), LostOnTheWire(out.fault) ? 0u : 1u);
            }
            return;
        }
        // After check mode: a serial-number read or an "81" refused, or any failed STATUS0 read
        // (a lost line fails it too), makes the result false; a failed STATUS0 write, or a
        // serial number or "81" lost on the link, is only shown.
        const bool serialStep = out.command == "9130" || out.command == "9131";
        const bool failsCheck = (refused && (serialStep || out.command == "81")) || out.command == "9100" ||
                                (LostOnTheWire(out.fault) && serialStep);
        EXPECT_EQ(out.result, !failsCheck);
        // Whatever went wrong with "81" itself (the line dies as it is sent, so no status 1) is
        // the one reply error.
        if (out.command == "81") {
            EXPECT_EQ(out.boxes, std::vector<std::string>{out.rig->Text(119)});
        }
        // Once in check mode the check always asks to leave it, whatever failed before.
        if (!LostOnTheWire(out.fault)) {
            ASSERT_FALSE(out.received.empty());
            EXPECT_EQ(out.received.back(), "81");
            const std::size_t skipped = out.command == "9100" ? 1 : 0; // no write after a failed read
            EXPECT_EQ(out.received.size(), out.transactions - skipped);
        }
        // The serial number is kept only when both halves arrived.
        if (out.command == "9130" || out.command == "9131") {
            EXPECT_NE(out.rig->app.deviceSerialText, "00000040711");
        } else {
            EXPECT_EQ(out.rig->app.deviceSerialText, "00000040711");
        }
        // STATUS0 holds the template's value only when its write went through: a failed serial
        // number read does not stop it, a failed STATUS0 read does, and so does a lost line.
        const bool written = out.command == "81" || (serialStep && !LostOnTheWire(out.fault));
        EXPECT_EQ(out.rig->Sim().Register(0x00), written ? 0xFC04 : 0x0000);
    };
    ops.push_back(check);

    ops.push_back(SessionOperation("register read", [](DeviceSession& s) {
        uint16_t value = 0;
        return s.ReadRegister(REG_EMISSIVITY, value);
    }));
    Operation update = SessionOperation("register update", [](DeviceSession& s) {
        return s.UpdateRegisterBits(REG_STATUS0, 0x00C0, 0x0040);
    });
    const auto sessionCheck = update.check;
    update.check = [sessionCheck](const Outcome& out) {
        sessionCheck(out);
        // Left written in the thermometer: the new word once the write (transaction 3) has
        // gone through; a faulted write is not carried out.
        EXPECT_EQ(out.rig->Sim().Register(0x00), out.k > 3 ? 0x0040 : 0x0000);
    };
    ops.push_back(update);
    ops.push_back(SessionOperation("clock read", [](DeviceSession& s) {
        std::string reply;
        return s.Command(Cmd::kReadClock, reply);
    }));
    return ops;
}

class OperationFault : public ::testing::TestWithParam<Operation> {};

TEST_P(OperationFault, EveryFaultAtEveryTransactionEndsReportedInTimeWithThePortFree)
{
    const int cases = RunMatrix(GetParam());
    EXPECT_GT(cases, 0);
    totalCases += cases;
}

INSTANTIATE_TEST_SUITE_P(Matrix, OperationFault, ::testing::ValuesIn(Operations()), [](const auto& p) {
    std::string name;
    for (const char c : p.param.name) {
        if (std::isalnum(static_cast<unsigned char>(c))) name += c;
    }
    return name;
});

} // namespace
