#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "device/CCommIO.h"

struct AppState;

// The thermometer's command set: the one place that formats every command and decodes every
// reply. Fields are fixed-width upper-case hexadecimal; replies are the text after the echo.
namespace Cmd {
constexpr std::string_view kCheckModeReq = "DA";
constexpr std::string_view kCheckModeExit = "81";
constexpr std::string_view kRegisterRead = "91";
constexpr std::string_view kRegisterWrite = "92";
constexpr std::string_view kReadClock = "22";
constexpr std::string_view kSetTime = "23";
constexpr std::string_view kSetDate = "24";
constexpr std::string_view kReadTarget = "2F";
constexpr std::string_view kReadAmbient = "14";
} // namespace Cmd

enum Register : uint8_t {
    REG_STATUS0 = 0x00,
    REG_EMISSIVITY = 0x14, // thousandths
    REG_SERIAL_HIGH = 0x30,
    REG_SERIAL_LOW = 0x31,
    REG_FLAGS = 0x35,
    REG_ALARM_HIGH = 0x36,       // tenths of a kelvin
    REG_ALARM_LOW = 0x37,        // tenths of a kelvin
    REG_CLOCK_ALARM_TIME = 0x3D, // high byte hour, low byte minute
    REG_CLOCK_ALARM_RING = 0x3E, // seconds
    REG_HOLD_TIME = 0x3F,        // seconds
    REG_MEMORY_COUNT = 0x40,
    REG_MEMORY_COUNT2 = 0x41,
    REG_MEMORY_START = 0x42, // first memory word
};

// STATUS0 bits the program names.
constexpr uint16_t kStatus0Resolution = 0x0008; // 0.1 degC when set
constexpr uint16_t kStatus0TempOut = 0x0040;
constexpr uint16_t kStatus0RoomOut = 0x0080;

std::string RegisterAddressText(uint8_t address);                  // "%02X"
std::string RegisterReadCommand(uint8_t address);                  // 9100
std::string RegisterWriteCommand(uint8_t address, uint16_t value); // 9200FC04
std::string ClockAlarmWriteCommand(int hour, int minute);          // 923D%02X%02X
std::string SetTimeCommand(int second, int minute, int hour);      // 23%02X%02X%02X
std::string SetDateCommand(int day, int month, int year);          // 24%02X%02X%04X

// "NG" in the first two characters: the thermometer refused.
bool IsRefusal(std::string_view reply);
// Register reply: address echo, 4 hex digits, 2 ignored characters.
uint16_t DecodeRegisterValue(std::string_view reply);
// True when the reply is long enough for that layout and its value is 4 upper-case hex digits.
bool IsRegisterReply(std::string_view reply);
// Replies of 2F and 14: 4 hex digits at offset 0.
uint16_t DecodeTemperatureValue(std::string_view reply);

struct DeviceDateTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
// Reply of 22: second, minute, hour, day, month, year/100, year%100, 2 hex digits each.
DeviceDateTime DecodeClockReply(std::string_view reply);

// One streamed line (the reply buffer after ReceiveNow, CR LF already cut or still there).
struct StreamedTemperatures {
    bool hasData = false; // false: line does not start with "2F", or starts with "NG", or
                          // ends (or breaks) before character 16
    uint16_t targetK10 = 0;
    uint16_t roomK10 = 0;
};
StreamedTemperatures DecodeStreamLine(std::string_view line);

// Units: tenths of a kelvin with the 273.2 offset; doubles become wire integers by
// truncation toward zero, clamped to 0..65535.
double K10ToCelsius(int k10);
uint16_t CelsiusToK10(double celsius);
double CelsiusToFahrenheit(double celsius);
double ThousandthsToEmissivity(int thousandths);
uint16_t EmissivityToThousandths(double emissivity);

// Owns nothing: borrows a link for one operation and closes it at the end.
// The frame of an operation: Open, DA, the operation's commands, 81, Close, with the
// standard reports of every failure. Pages build their device work on it.
class DeviceSession {
public:
    DeviceSession(AppState& app, CCommIO& link);
    // Closes the link if still open (without 81: End was not reached).
    ~DeviceSession();
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    // Open (ReportMessage 164 on failure) and DA (ReportCommandError "DA" and Close).
    bool Begin();
    // 91; ReportRegisterError on a failed or refused read, or a reply without a 4-digit value
    // (value untouched then).
    bool ReadRegister(uint8_t address, uint16_t& value);
    // 92; ReportRegisterError on a failed or refused write.
    bool WriteRegister(uint8_t address, uint16_t value);
    // Any whole command; ReportCommandError with its code on failure or refusal.
    bool Command(std::string_view command, std::string& reply);
    // 81 (ReportCommandError "81") then Close (ReportMessage 164). False if either failed.
    bool End();

    CCommIO& Link() { return link_; }

private:
    AppState& app_;
    CCommIO& link_;
};
