#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/SerialPort.h"

class Clock;

// How the simulated target's true temperature moves.
enum class SimScenario { Constant, Ramp, Sine, AlarmProfile };

struct SimConfig {
    uint32_t serial = 123456789;
    SimScenario scenario = SimScenario::Constant;
    double targetC = 25.0;          // true target temperature (start value for moving scenarios)
    double ambientC = 23.0;         // true ambient temperature
    double trueEmissivity = 0.95;   // the target's real emissivity
    uint16_t emissivityRegister = 950;  // thousandths, as the thermometer starts
    uint16_t status0 = 0x0000;
    double streamRateHz = 10.0;     // streamed 2F lines per second while bit 6 or 7 is set
    uint32_t latencyMs = 0;         // delay before each reply
    uint32_t baud = 0;              // 0: no wire pacing; otherwise 10 bits per byte at this rate
    std::vector<uint16_t> memoryWords;  // from register 0x42 on; FFFF beyond
};

// The thermometer model: answers the command set and streams 2F lines. Thread-safe; time
// comes from the Clock it was given so tests under a fake clock are exact.
class SimThermometer {
public:
    SimThermometer(SimConfig config, Clock& clock);
    ~SimThermometer();

    // Switched off: no CTS, no DSR, no answer.
    void SetPowered(bool on);
    bool Powered() const;
    uint16_t Register(uint8_t address) const;
    void SetRegister(uint8_t address, uint16_t value);
    // Every command line the model received, in order (without CR LF).
    std::vector<std::string> ReceivedCommands() const;

    struct Impl;
    Impl& Internals() { return *impl_; }

private:
    std::unique_ptr<Impl> impl_;
};

// Ports connected to the model in-process; one port may be open at a time, as on a real line.
std::unique_ptr<SerialPortFactory> MakeSimPortFactory(SimThermometer& device, Clock& clock);
