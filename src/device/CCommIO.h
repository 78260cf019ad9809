#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "device/SerialPort.h"

struct AppState;

enum CommStatus : int {
    COMM_OK = 0,
    COMM_NOT_CONNECTED = 1, // port not open, or neither CTS nor DSR (thermometer off)
    COMM_NO_REPLY = 2,      // nothing received
    COMM_IO_ERROR = 3,      // writing or reading the port failed
    COMM_TIMEOUT = 4,       // no complete line in time
};

constexpr uint32_t kCommandTimeoutMs = 5000; // every transaction's time-out
constexpr std::size_t kReplyBufferSize = 1024;

// The device a [ComPort] Port value names: "COMn" and absolute paths as they are, anything else
// relative to the folder of the INI file, so that a copied program folder finds its own links.
std::string PortDevicePath(const std::string& port, const std::string& iniPath);

// Owns one link's open port, the bytes read from it but not yet delivered, and its command pauses.
// The serial link to the thermometer: one command line out, one reply line in, paired by the
// two-character code the thermometer echoes. Shows nothing to the user; every operation
// returns a status for the caller to report, and every failure of the port goes, in the
// system's own words, to the command log and to UserInterface::Note. One thread at a time; a
// failure met by a reader thread is told when the opening thread next uses the link.
class CCommIO {
public:
    explicit CCommIO(AppState& app);
    virtual ~CCommIO();
    CCommIO(const CCommIO&) = delete;
    CCommIO& operator=(const CCommIO&) = delete;

    // Opens [ComPort] Port (or device, when given: the device path as it is) with the INI's line
    // settings and time-outs; false if already open (left untouched) or any step fails (left
    // closed). Waits 200 ms before returning true. A bad number in [ComPort] is told once and
    // its default used; a Port that is empty or names no serial port is told before false is
    // returned (as is a missing [ComPort] section), and the port's own reason is traced.
    bool Open(const std::string& device = {});
    // The device path the link has open; empty when closed.
    const std::string& Device() const { return device_; }
    bool Close();
    bool Purge();
    bool IsOpen() const;

    // Writes the command (cut to 1021 characters) and CR LF after purging the port. 0 written,
    // 1 not open or neither CTS nor DSR (nothing written), 3 the write failed.
    CommStatus Send(std::string_view command);
    // Waits on the port until a CR arrives or timeoutMs (counted from the call) has passed,
    // and returns as soon as the line is complete. Reply text up to its CR, without a CR or LF
    // left at its start by the previous line; whatever followed the CR in the same reads is dropped.
    // length: bytes collected minus CR LF. A chunk that would overflow the 1024-byte buffer is
    // dropped; with endAtOverflow collecting then ends with what came before (2 when nothing),
    // without it collecting goes on.
    // 0 a line, 1 not open, 2 nothing, 3 the port failed or hung up, 4 time-out (reply empty).
    CommStatus Receive(std::string& reply, int& length, bool endAtOverflow, uint32_t timeoutMs);
    // The queued bytes as they are (at most 1023), without waiting or looking for a CR.
    // 0 some, 2 none, 3 the port failed, 1 not open.
    CommStatus ReceiveNow(std::string& reply, int& length);
    // Blocks on the port until input is there or timeoutMs has passed; Error when the link is
    // closed or the line hung up. What arrived is kept for the next ReceiveNow or Receive. For
    // a reader thread that must notice a request to end.
    WaitResult WaitForInput(uint32_t timeoutMs);
    // Sends and waits for the line echoing the command's code; reply starts after the echo and
    // length is the line's minus 2. Lines with another code are dropped, each further line
    // with a fresh wait and time-out; a line that arrived in the same read as a dropped one is
    // looked at too. Once timeoutMs has passed since the command, no further line is awaited
    // (status 4), so a thermometer streaming its own lines cannot keep the caller waiting for
    // ever. Send's status is returned at once (reply untouched);
    // otherwise the link pauses CommandWait2 after a "92" command and CommandWait1 after any
    // other, and returns the last Receive's status (reply empty and length 0 on failure). A
    // reply line too long for the buffer ends with what came before it.
    CommStatus Transact(std::string_view command, std::string& reply, int& length,
                        uint32_t timeoutMs = kCommandTimeoutMs);

private:
    // Receive; with keepRest, what followed the CR stays in pending_ for the next line.
    CommStatus ReceiveLine(std::string& reply, int& length, bool endAtOverflow, uint32_t timeoutMs,
                           bool keepRest);
    // Appends to fresh everything queued once the first byte is there (within timeoutMs).
    WaitResult ReadQueued(std::string& fresh, uint32_t timeoutMs);
    void Trace(std::string_view text);
    void TellHeldTraces();

    AppState& app_;
    std::unique_ptr<SerialPort> port_;
    std::string device_;
    std::string pending_; // read from the port, not yet delivered
    std::thread::id owner_;
    std::mutex heldMutex_;
    std::vector<std::string> held_; // failures a reader thread met, told by the owner
    uint32_t commandWait1Ms_ = 40;
    uint32_t commandWait2Ms_ = 500;
};

// count characters read right to left, weighted by powers of 16. 0-9 and A-F are digits;
// any other character (a lower-case letter too) adds its own code times its weight. Positions
// beyond the text add nothing. The sum wraps to 32 bits: "FFFFFFFF" is -1.
int HexToInt(std::string_view text, int count);
// HexToInt of count characters at offset, after dropping the reply's last two characters.
// A reply of 2 characters or fewer, or an offset outside what is left, gives 0.
int ReplyHex(std::string_view reply, int count, int offset);
