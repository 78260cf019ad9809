#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "sim/SimThermometer.h"
#include "support/ScriptedSerialPort.h"

// The fault-injection matrix: every device operation is run against the in-process simulated
// thermometer once without a fault, to learn its transactions, and then once for every
// transaction position k and every fault, with the fault at transaction k, in virtual time.
namespace FaultMatrix {

enum class Fault { Ng, Silent, Garbage, Overlong, PowerOff, Unplug };
std::string FaultName(Fault fault);
constexpr Fault kFaults[] = {Fault::Ng,       Fault::Silent,   Fault::Garbage,
                             Fault::Overlong, Fault::PowerOff, Fault::Unplug};

struct Injection;

// One program state wired to a fresh simulated thermometer through a port that can switch the
// thermometer off, or pull the cable, the moment the k-th command is written.
class Rig : public LineRig {
public:
    explicit Rig(const SimConfig& config);
    ~Rig();
    void Inject(Fault fault, uint32_t k);
    // The cable back in and the thermometer on again; what the user was shown is forgotten.
    void Restore();

    SimThermometer& Sim() { return *sim_; }
    std::vector<std::string> Received() const { return sim_->ReceivedCommands(); }
    // The port can be opened again: the operation let go of it.
    bool PortFree();
    uint32_t Written() const { return *writes_; }
    // The message boxes shown, by text.
    std::vector<std::string> Boxes() const { return ui.BoxTexts(); }

private:
    std::unique_ptr<SimThermometer> sim_;
    std::unique_ptr<SerialPortFactory> simPorts_;
    std::unique_ptr<SerialPortFactory> faultPorts_;
    std::shared_ptr<uint32_t> writes_;
    std::shared_ptr<Injection> injection_;
};

// What one faulted run did.
struct Outcome {
    Fault fault;
    uint32_t k;                        // the faulted transaction, counted from 1
    std::string command;               // the command at k in the run without a fault
    uint32_t transactions;             // of the run without a fault
    bool result;                       // the operation's own verdict
    std::vector<std::string> boxes;    // message boxes shown
    std::vector<std::string> received; // commands the thermometer received
    uint64_t elapsedMs;                // virtual time the operation took
    uint64_t cleanElapsedMs;           // the same without a fault
    bool portFree;                     // the port could be opened again afterwards
    Rig* rig;                          // for checks of the thermometer's state
};

struct Operation {
    std::string name;
    SimConfig config;
    std::function<void(Rig&)> prepare; // INI, answers of the user; may be empty
    std::function<bool(Rig&)> run;
    // Checks of one faulted run as this operation's failure handling says (gtest expectations).
    std::function<void(const Outcome&)> check;
    // Faults this operation deliberately passes over without a word (defaults stand in); every
    // other fault must be told to the user.
    std::function<bool(const Outcome&)> unreported;
};

// Runs the operation without a fault (it must succeed without a message) and then with every
// fault at every transaction; after a pulled cable or a switched-off thermometer the same
// operation must succeed once the line is back. Returns the number of faulted cases run.
int RunMatrix(const Operation& operation);

// The operation by its name in test output, not by its bytes.
inline void PrintTo(const Operation& operation, std::ostream* os)
{
    *os << operation.name;
}

} // namespace FaultMatrix
