#include "device/CommandSet.h"

#include "app/AppState.h"
#include "device/CommandLog.h"
#include "resources/StringIds.h"

#include <cmath>
#include <cstdio>

namespace {

std::string Format(const char* format, auto... values)
{
    char text[32];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

bool IsUpperHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

bool AreUpperHexDigits(std::string_view text)
{
    for (char c : text) {
        if (!IsUpperHexDigit(c)) {
            return false;
        }
    }
    return true;
}

// Truncation toward zero into the wire's unsigned 16 bits; what does not fit is clamped.
uint16_t ToWireWord(double value)
{
    if (!(value > 0.0)) { // negative, zero or NaN
        return 0;
    }
    if (value >= 65535.0) {
        return 65535;
    }
    return static_cast<uint16_t>(std::trunc(value));
}

} // namespace

std::string RegisterAddressText(uint8_t address)
{
    return Format("%02X", static_cast<unsigned>(address));
}

std::string RegisterReadCommand(uint8_t address)
{
    return Format("%s%02X", "91", static_cast<unsigned>(address));
}

std::string RegisterWriteCommand(uint8_t address, uint16_t value)
{
    return Format("%s%02X%04X", "92", static_cast<unsigned>(address), static_cast<unsigned>(value));
}

std::string ClockAlarmWriteCommand(int hour, int minute)
{
    return Format("%s%02X%02X", "923D", static_cast<unsigned>(hour) & 0xFFu,
                  static_cast<unsigned>(minute) & 0xFFu);
}

std::string SetTimeCommand(int second, int minute, int hour)
{
    return Format("%s%02X%02X%02X", "23", static_cast<unsigned>(second) & 0xFFu,
                  static_cast<unsigned>(minute) & 0xFFu, static_cast<unsigned>(hour) & 0xFFu);
}

std::string SetDateCommand(int day, int month, int year)
{
    return Format("%s%02X%02X%04X", "24", static_cast<unsigned>(day) & 0xFFu,
                  static_cast<unsigned>(month) & 0xFFu, static_cast<unsigned>(year) & 0xFFFFu);
}

bool IsRefusal(std::string_view reply)
{
    return reply.starts_with("NG");
}

bool IsRegisterReply(std::string_view reply)
{
    return reply.size() >= 8 && AreUpperHexDigits(reply.substr(2, 4));
}

uint16_t DecodeRegisterValue(std::string_view reply)
{
    return static_cast<uint16_t>(ReplyHex(reply, 4, 2));
}

uint16_t DecodeTemperatureValue(std::string_view reply)
{
    return static_cast<uint16_t>(ReplyHex(reply, 4, 0));
}

DeviceDateTime DecodeClockReply(std::string_view reply)
{
    DeviceDateTime time;
    time.second = ReplyHex(reply, 2, 0);
    time.minute = ReplyHex(reply, 2, 2);
    time.hour = ReplyHex(reply, 2, 4);
    time.day = ReplyHex(reply, 2, 6);
    time.month = ReplyHex(reply, 2, 8);
    time.year = ReplyHex(reply, 2, 10) * 100 + ReplyHex(reply, 2, 12);
    return time;
}

StreamedTemperatures DecodeStreamLine(std::string_view line)
{
    StreamedTemperatures result;
    constexpr std::size_t kDataLength = 16; // "2F", target, 6 unused characters, room
    if (!line.starts_with("2F") || line.size() < kDataLength) {
        return result;
    }
    // A line end inside the fields means a short line followed by another one.
    if (line.substr(0, kDataLength).find_first_of("\r\n") != std::string_view::npos) {
        return result;
    }
    result.hasData = true;
    result.targetK10 = static_cast<uint16_t>(HexToInt(line.substr(2, 4), 4));
    result.roomK10 = static_cast<uint16_t>(HexToInt(line.substr(12, 4), 4));
    return result;
}

double K10ToCelsius(int k10)
{
    return k10 / 10.0 - 273.2;
}

uint16_t CelsiusToK10(double celsius)
{
    return ToWireWord((celsius + 273.2) * 10.0);
}

double CelsiusToFahrenheit(double celsius)
{
    return celsius * 1.8 + 32.0;
}

double ThousandthsToEmissivity(int thousandths)
{
    return thousandths / 1000.0;
}

uint16_t EmissivityToThousandths(double emissivity)
{
    return ToWireWord(emissivity * 1000.0);
}

DeviceSession::DeviceSession(AppState& app, CCommIO& link) : app_(app), link_(link) {}

DeviceSession::~DeviceSession()
{
    if (link_.IsOpen()) {
        link_.Close();
    }
}

bool DeviceSession::Begin()
{
    if (!link_.Open()) {
        ReportMessage(app_, StringId::ComPortError);
        return false;
    }
    std::string reply;
    int length = 0;
    const CommStatus status = link_.Transact(Cmd::kCheckModeReq, reply, length);
    if (status != COMM_OK || IsRefusal(reply)) {
        ReportCommandError(app_, Cmd::kCheckModeReq);
        link_.Close();
        return false;
    }
    return true;
}

bool DeviceSession::ReadRegister(uint8_t address, uint16_t& value)
{
    std::string reply;
    int length = 0;
    const CommStatus status = link_.Transact(RegisterReadCommand(address), reply, length);
    // A reply too short or garbled to hold a value is as unusable as a refusal.
    if (status != COMM_OK || IsRefusal(reply) || !IsRegisterReply(reply)) {
        ReportRegisterError(app_, Cmd::kRegisterRead, RegisterAddressText(address));
        return false;
    }
    value = DecodeRegisterValue(reply);
    return true;
}

bool DeviceSession::WriteRegister(uint8_t address, uint16_t value)
{
    std::string reply;
    int length = 0;
    const CommStatus status = link_.Transact(RegisterWriteCommand(address, value), reply, length);
    if (status != COMM_OK || IsRefusal(reply)) {
        ReportRegisterError(app_, Cmd::kRegisterWrite, RegisterAddressText(address));
        return false;
    }
    return true;
}

bool DeviceSession::Command(std::string_view command, std::string& reply)
{
    int length = 0;
    const CommStatus status = link_.Transact(command, reply, length);
    if (status != COMM_OK || IsRefusal(reply)) {
        ReportCommandError(app_, command.substr(0, std::min<std::size_t>(command.size(), 2)));
        return false;
    }
    return true;
}

bool DeviceSession::End()
{
    bool ok = true;
    std::string reply;
    int length = 0;
    const CommStatus status = link_.Transact(Cmd::kCheckModeExit, reply, length);
    if (status != COMM_OK || IsRefusal(reply)) {
        ReportCommandError(app_, Cmd::kCheckModeExit);
        ok = false;
    }
    if (!link_.Close()) {
        ReportMessage(app_, StringId::ComPortError);
        ok = false;
    }
    return ok;
}
