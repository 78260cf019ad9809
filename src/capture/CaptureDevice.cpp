#include "capture/CaptureDevice.h"

#include <cstdio>

#include "app/AppState.h"
#include "app/IniFile.h"
#include "app/LangString.h"
#include "app/UserInterface.h"
#include "device/Clock.h"
#include "device/CommandLog.h"
#include "device/CommandSet.h"
#include "device/ConnectionCheck.h"
#include "device/Status0.h"
#include "resources/StringIds.h"

Clock& RecordingClock(AppState& app)
{
    static SteadyClock fallback;
    return app.clock != nullptr ? *app.clock : fallback;
}

CaptureDevice::CaptureDevice(AppState& app) : app_(app), link_(app), thread_(link_, words_) {}

void CaptureDevice::SetOutputs(bool temp, bool room)
{
    tempReceive_ = temp;
    roomTempReceive_ = room;
}

bool CaptureDevice::Open()
{
    if (link_.Open()) return true;
    if (app_.ui != nullptr) {
        app_.ui->MessageBox(LoadLangString(app_, StringId::NotConnected),
                            LoadLangString(app_, StringId::AppName), MsgIcon::Exclamation, MsgButtons::Ok,
                            MsgAnswer::Ok);
    }
    return false;
}

bool CaptureDevice::ReadAlarms()
{
    if (!Open()) return false;
    std::string reply;
    int length = 0;
    CommStatus status = link_.Transact(Cmd::kCheckModeReq, reply, length);
    if (status != COMM_OK || IsRefusal(reply)) {
        ReportCommandError(app_, Cmd::kCheckModeReq);
        link_.Close();
        return false;
    }
    auto readRegister = [&](uint8_t address, int& value) {
        status = link_.Transact(RegisterReadCommand(address), reply, length);
        if (status != COMM_OK || IsRefusal(reply)) return false;
        value = ReplyHex(reply, 4, 2);
        return true;
    };
    int value = 0;
    alarms_.high = readRegister(REG_ALARM_HIGH, value) ? value / 10.0 - 273.2 : 600.0;
    alarms_.low = readRegister(REG_ALARM_LOW, value) ? value / 10.0 - 273.2 : -30.0;
    alarms_.emissivity = readRegister(REG_EMISSIVITY, value) ? value / 1000.0 : 0.0;

    status = link_.Transact(Cmd::kCheckModeExit, reply, length);
    if (status != COMM_OK || IsRefusal(reply)) ReportCommandError(app_, Cmd::kCheckModeExit);
    if (!link_.Close()) ReportMessage(app_, StringId::ComPortError);
    return true;
}

bool CaptureDevice::ExchangeLogged(const std::string& command, std::string& reply, bool logFailedReply)
{
    WriteCommandLog(app_, command);
    int length = 0;
    const CommStatus status = link_.Transact(command, reply, length);
    const bool ok = status == COMM_OK && !IsRefusal(reply);
    if (ok || logFailedReply) WriteCommandLog(app_, command.substr(0, 2) + reply);
    // A status other than 0 fails the exchange; a refusal is the caller's to judge.
    return status == COMM_OK;
}

void CaptureDevice::ShowStatus0(uint16_t value, const char* caption)
{
    if (!app_.status0Monitor || app_.ui == nullptr) return;
    char text[16];
    std::snprintf(text, sizeof text, "%4X", value);
    app_.ui->MessageBox(text, caption, MsgIcon::None, MsgButtons::Ok, MsgAnswer::Ok);
}

void CaptureDevice::LearnSerial()
{
    std::string reply;
    int length = 0;
    if (link_.Transact(Cmd::kCheckModeReq, reply, length) != COMM_OK || IsRefusal(reply)) return;
    uint32_t serial = 0;
    if (ReadSerialQuietly(link_, kCommandTimeoutMs, serial)) app_.deviceSerial = serial;
    link_.Transact(Cmd::kCheckModeExit, reply, length);
}

bool CaptureDevice::SwitchOn(bool report, bool& inCheckMode)
{
    std::string reply;
    inCheckMode = ExchangeLogged(std::string(Cmd::kCheckModeReq), reply, false) && !IsRefusal(reply);
    if (!inCheckMode) {
        if (report) ReportCommandError(app_, Cmd::kCheckModeReq);
        return false;
    }
    const std::string address = RegisterAddressText(REG_STATUS0);
    bool written = false;
    if (ExchangeLogged(RegisterReadCommand(REG_STATUS0), reply, false) && !IsRefusal(reply)) {
        auto value = static_cast<uint16_t>(ReplyHex(reply, 4, 2));
        if (report) ShowStatus0(value, "STATUS0 読み込み(温度室温送出ﾋﾞｯﾄOFF)");
        const std::string templ =
            IniFile::GetString(app_.iniPath, "System", "Default_STATUS0", kDefaultStatus0Template);
        value = ApplyStatus0Template(value, templ).value;
        if (tempReceive_) value |= kStatus0TempOut;
        if (roomTempReceive_) value |= kStatus0RoomOut;
        written = ExchangeLogged(RegisterWriteCommand(REG_STATUS0, value), reply, true) && !IsRefusal(reply);
        if (!written && report) ReportRegisterError(app_, Cmd::kRegisterWrite, address);
        if (report) ShowStatus0(value, "STATUS0 読み込み(温度室温送出ﾋﾞｯﾄON)");
    } else if (report) {
        ReportRegisterError(app_, Cmd::kRegisterRead, address);
    }
    const bool exited = ExchangeLogged(std::string(Cmd::kCheckModeExit), reply, true);
    if ((!exited || IsRefusal(reply)) && report) ReportCommandError(app_, Cmd::kCheckModeExit);
    return written && exited;
}

void CaptureDevice::RestoreStatus0()
{
    const std::string address = RegisterAddressText(REG_STATUS0);
    std::string reply;
    if (ExchangeLogged(RegisterReadCommand(REG_STATUS0), reply, false) && !IsRefusal(reply)) {
        auto value = static_cast<uint16_t>(ReplyHex(reply, 4, 2));
        ShowStatus0(value, "STATUS0 読み込み(温度室温送出ﾋﾞｯﾄON)");
        if (tempReceive_) value &= static_cast<uint16_t>(~kStatus0TempOut);
        if (roomTempReceive_) value &= static_cast<uint16_t>(~kStatus0RoomOut);
        const std::string templ =
            IniFile::GetString(app_.iniPath, "System", "Default_STATUS0", kDefaultStatus0Template);
        value = ApplyStatus0Template(value, templ).value;
        ShowStatus0(value, "STATUS0 再設定(温度室温送出ﾋﾞｯﾄOFF)");
        if (!ExchangeLogged(RegisterWriteCommand(REG_STATUS0, value), reply, true) || IsRefusal(reply)) {
            ReportRegisterError(app_, Cmd::kRegisterWrite, address);
        }
    } else {
        ReportRegisterError(app_, Cmd::kRegisterRead, address);
    }
    if (!ExchangeLogged(std::string(Cmd::kCheckModeExit), reply, true) || IsRefusal(reply)) {
        ReportCommandError(app_, Cmd::kCheckModeExit);
    }
}

bool CaptureDevice::SwitchOff()
{
    link_.Purge();
    std::string reply;
    if (!ExchangeLogged(std::string(Cmd::kCheckModeReq), reply, false) || IsRefusal(reply)) {
        ReportCommandError(app_, Cmd::kCheckModeReq);
        return false;
    }
    RestoreStatus0();
    return true;
}

void CaptureDevice::StartStream()
{
    link_.Purge();
    words_.latestTemp.store(kNoData);
    words_.latestRoomTemp.store(kNoData);
    thread_.Start();
}

bool CaptureDevice::WaitForLines()
{
    Clock& clock = RecordingClock(app_);
    const uint64_t start = clock.TickMs();
    while (words_.receivedLineCount.load() < kStartLines) {
        if (clock.TickMs() - start >= kStartWaitMs) return false;
        clock.SleepMs(10);
    }
    return true;
}

void CaptureDevice::CloseLogged()
{
    link_.Purge();
    if (!link_.Close()) ReportMessage(app_, StringId::ComPortError);
    WriteCommandLog(app_, "commIO.Close");
}
