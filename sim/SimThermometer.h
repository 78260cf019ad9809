#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/SerialPort.h"

class Clock;

// How the simulated target's true temperature moves.
enum class SimScenario { Constant, Ramp, Sine, AlarmProfile };

// A fault the simulated thermometer shows on demand. A fault matches a command by its 2-character
// code, or (code empty) the k-th command line received since power-on, counted from 1.
struct SimFault {
    enum class Kind {
        Ng,       // answers "NG" after the echo
        Silent,   // does not answer at all
        Garbage,  // answers a line of noise that does not start with the echo
        Overlong, // answers the echo followed by more than 1024 characters
    };
    Kind kind = Kind::Ng;
    std::string code;
    uint32_t atTransaction = 0;
};

// A civil date and time of the thermometer's clock (no time zone).
struct SimDateTime {
    int year = 2005;
    int month = 3;
    int day = 1;
    int hour = 12;
    int minute = 0;
    int second = 0;
};

struct SimConfig {
    uint32_t serial = 123456789;
    SimScenario scenario = SimScenario::Constant;
    double targetC = 25.0;             // true target temperature (start value or mean of moving ones)
    double rampCPerMin = 10.0;         // Ramp: change per minute
    double sineAmplitudeC = 20.0;      // Sine: amplitude
    double sinePeriodS = 60.0;         // Sine: period
    double noiseC = 0.0;               // Sine: uniform noise of +-noiseC on every reading
    uint32_t seed = 1;                 // noise generator seed
    double ambientC = 23.0;            // true ambient (room) temperature
    double trueEmissivity = 0.95;      // the target's real emissivity
    uint16_t emissivityRegister = 950; // thousandths, as the thermometer starts
    double lambdaLowerUm = 8.0;        // detector band
    double lambdaUpperUm = 14.0;
    uint16_t status0 = 0x0000;
    uint16_t flagWord = 0x0000;        // register 35
    uint16_t alarmHighK10 = 3732;      // register 36, 100.0 degC
    uint16_t alarmLowK10 = 2732;       // register 37, 0.0 degC
    uint16_t clockAlarm = 0x0700;      // register 3D, 07:00
    uint16_t clockAlarmRingS = 10;     // register 3E
    uint16_t holdS = 5;                // register 3F
    uint16_t recordCount = 0;          // registers 40 and 41
    double streamRateHz = 10.0;        // streamed 2F lines per second while bit 6 or 7 is set
    bool interleaveStream = true;      // while streaming, put a stream line before every second reply
    uint32_t latencyMs = 0;            // delay before each reply
    uint32_t baud = 0;                 // 0: no wire pacing; otherwise 10 bits per byte at this rate
    std::vector<uint16_t> memoryWords; // from register 0x42 on; FFFF beyond
    std::size_t memoryWordCount = 256; // words of memory at least (more if memoryWords is longer)
    bool useHostClock = true;          // clock starts at the host's local time, else at clockStart
    SimDateTime clockStart;
    bool powered = true;
    std::vector<SimFault> faults;
};

// Owns the model's registers, clock, memory, faults and the bytes on its wire.
// The thermometer model: answers the command set and streams 2F lines. Thread-safe; time comes
// from the Clock it was given, so tests under a fake clock are exact.
//
// The wire: bytes the host writes arrive at once; replies and streamed lines leave after the
// configured latency, one line after the other, each byte taking 10 bit times when pacing is on.
class SimThermometer {
public:
    SimThermometer(SimConfig config, Clock& clock);
    ~SimThermometer();
    SimThermometer(const SimThermometer&) = delete;
    SimThermometer& operator=(const SimThermometer&) = delete;

    // Switched off: no CTS, no DSR, no answer; what was on the wire is lost.
    void SetPowered(bool on);
    bool Powered() const;
    // Registers 00..41 and memory words from 0x42; 0 for an address that does not exist.
    uint16_t Register(uint16_t address) const;
    // Changes a register as the thermometer itself would (serial halves included).
    void SetRegister(uint16_t address, uint16_t value);
    // Every command line the model received, in order (without CR LF).
    std::vector<std::string> ReceivedCommands() const;

    void AddFault(const SimFault& fault);
    void ClearFaults();
    void SetTargetC(double c); // switches to a constant target
    void SetAmbientC(double c);
    void SetTrueEmissivity(double e);
    // What the thermometer would report now, in tenths of a kelvin.
    uint16_t ReportedTargetK10();
    uint16_t AmbientK10() const;
    bool InCheckMode() const;
    // The thermometer's clock now.
    SimDateTime Now() const;

    // Called (under the model's lock; keep it short) for every command received ('>') and every
    // reply sent ('<'), without CR LF. Streamed lines are not reported.
    void SetTrafficLog(std::function<void(char direction, const std::string& line)> log);

    // The host's side of the wire, for the transports. Times are the Clock's.
    // A port was opened: nothing old is on the wire and no command is half received.
    void Connect();
    // Bytes from the host; a command is answered when its CR arrives (LF is ignored).
    void HostWrite(const void* data, std::size_t size);
    // Bytes that have arrived at the host's side by now.
    std::size_t Available();
    std::size_t HostRead(void* data, std::size_t size);
    // Discards what has arrived; lines still on their way keep coming.
    void DropArrived();
    // The earliest clock time at which more bytes arrive; UINT64_MAX when nothing is due.
    uint64_t NextArrivalMs();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    Clock& clock_;
};

// Ports connected to the model in-process; one port may be open at a time, as on a real line.
// Powered off, ModemLines reports CTS and DSR off. With a fake clock Read advances the
// clock to the moment data arrives (or the time-out) instead of sleeping.
std::unique_ptr<SerialPortFactory> MakeSimPortFactory(SimThermometer& device, Clock& clock);
