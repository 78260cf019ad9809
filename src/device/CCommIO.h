#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "device/SerialPort.h"

struct AppState;

enum CommStatus : int {
    COMM_OK = 0,
    COMM_NOT_CONNECTED = 1,  // port not open, or neither CTS nor DSR (thermometer off)
    COMM_NO_REPLY = 2,       // nothing received
    COMM_IO_ERROR = 3,       // writing or reading the port failed
    COMM_TIMEOUT = 4,        // no complete line in time
};

constexpr uint32_t kCommandWaitMs = 150;      // every transaction's wait
constexpr uint32_t kCommandTimeoutMs = 5000;  // every transaction's time-out
constexpr std::size_t kReplyBufferSize = 1024;

// The serial link to the thermometer: one command line out, one reply line in, paired by the
// two-character code the thermometer echoes. Shows nothing to the user; every operation
// returns a status for the caller to report. One thread at a time.
class CCommIO {
public:
    explicit CCommIO(AppState& app);
    virtual ~CCommIO();
    CCommIO(const CCommIO&) = delete;
    CCommIO& operator=(const CCommIO&) = delete;

    // Opens [ComPort] Port with the INI's line settings and time-outs; false if already open
    // (left untouched) or any step fails (left closed). Waits 200 ms before returning true.
    bool Open();
    bool Close();
    bool Purge();
    bool IsOpen() const;

    CommStatus Send(std::string_view command);
    // Reply text up to its CR; length as the link counts it (bytes read minus CR LF).
    CommStatus Receive(std::string& reply, int& length, uint32_t waitMs, uint32_t timeoutMs);
    CommStatus ReceiveNow(std::string& reply, int& length);
    // Sends and waits for the line echoing the command's code; reply starts after the echo.
    CommStatus Transact(std::string_view command, std::string& reply, int& length,
                        uint32_t waitMs = kCommandWaitMs, uint32_t timeoutMs = kCommandTimeoutMs);

private:
    AppState& app_;
    std::unique_ptr<SerialPort> port_;
    uint32_t commandWait1Ms_ = 40;
    uint32_t commandWait2Ms_ = 500;
};

// count characters read right to left, weighted by powers of 16. 0-9 and A-F are digits;
// any other character adds its own code times its weight.
int HexToInt(std::string_view text, int count);
// HexToInt of count characters at offset, after dropping the reply's last two characters.
int ReplyHex(std::string_view reply, int count, int offset);
