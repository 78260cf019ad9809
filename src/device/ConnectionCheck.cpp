#include "device/ConnectionCheck.h"

#include "app/AppState.h"
#include "app/IniFile.h"
#include "app/LangString.h"
#include "app/UserInterface.h"
#include "device/CCommIO.h"
#include "device/CommandLog.h"
#include "device/CommandSet.h"
#include "device/Status0.h"
#include "resources/StringIds.h"

#include <cstdio>

namespace {

// Without a user interface nobody can answer: every question is answered Cancel.
MsgAnswer Ask(AppState& app, int id, MsgIcon icon, MsgButtons buttons, MsgAnswer defaultAnswer)
{
    if (app.ui == nullptr) {
        return MsgAnswer::Cancel;
    }
    return app.ui->MessageBox(LoadLangString(app, id), LoadLangString(app, StringId::AppName), icon, buttons,
                              defaultAnswer);
}

void Tell(AppState& app, int id)
{
    Ask(app, id, MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
}

void RunComPortDialog(AppState& app)
{
    if (app.ui != nullptr) {
        app.ui->RunComPortDialog();
    }
}

void ShowStatus0(AppState& app, uint16_t value, const char* caption)
{
    if (!app.status0Monitor || app.ui == nullptr) {
        return;
    }
    char text[8];
    std::snprintf(text, sizeof text, "%4X", static_cast<unsigned>(value));
    app.ui->MessageBox(text, caption, MsgIcon::None, MsgButtons::Ok, MsgAnswer::Ok);
}

// Whether another round may follow a failed one, whatever box ended it. Only the console
// limits the rounds: a script must not loop for ever on a port that answers but not as a
// thermometer.
bool MayRetry(const AppState& app)
{
    return app.connectRetryLimit < 0 || app.portRetryCount < app.connectRetryLimit;
}

// Opens the link and gets "OK" to check mode, with the user deciding every retry.
bool Connect(AppState& app, CCommIO& link)
{
    for (;;) {
        if (!link.Open()) {
            if (Ask(app, StringId::NotConnected, MsgIcon::Stop, MsgButtons::RetryCancel, MsgAnswer::Retry) !=
                    MsgAnswer::Retry ||
                !MayRetry(app)) {
                return false;
            }
            RunComPortDialog(app);
            ++app.portRetryCount;
            continue;
        }

        std::string reply;
        int length = 0;
        const CommStatus status = link.Transact(Cmd::kCheckModeReq, reply, length, kCommandTimeoutMs);
        if (status != COMM_OK) {
            link.Close();
            if (Ask(app, StringId::SwitchOnPrompt, MsgIcon::Exclamation, MsgButtons::OkCancel,
                    MsgAnswer::Ok) != MsgAnswer::Ok ||
                !MayRetry(app)) {
                return false;
            }
            ++app.portRetryCount;
            continue;
        }
        if (!reply.starts_with("OK")) {
            // Something answers, but not a thermometer in check mode: perhaps the wrong port.
            Tell(app, StringId::ReplyError);
            link.Close();
            if (app.ui == nullptr || !MayRetry(app)) {
                return false;
            }
            RunComPortDialog(app);
            ++app.portRetryCount;
            continue;
        }
        return true;
    }
}

// One half of the serial number: the reply after its register echo, or nothing when the read
// failed (reported here). A refusal also clears ok.
bool ReadSerialHalf(AppState& app, CCommIO& link, uint8_t address, std::string& reply, bool& ok)
{
    int length = 0;
    const CommStatus status = link.Transact(RegisterReadCommand(address), reply, length, kCommandTimeoutMs);
    if (status == COMM_NOT_CONNECTED) {
        Tell(app, StringId::NotConnected);
        return false;
    }
    if (status != COMM_OK) {
        Tell(app, StringId::ReplyError);
        return false;
    }
    if (IsRefusal(reply)) {
        Tell(app, StringId::ReplyError);
        ok = false;
        return false;
    }
    if (!IsRegisterReply(reply)) {
        // Garbled: not a number to keep, but the thermometer did not refuse either.
        Tell(app, StringId::ReplyError);
        return false;
    }
    reply.erase(0, 2);
    return true;
}

// The serial number from the two register replies after their echo; high is empty when its
// read failed. The low half's trailing characters end the combined text.
uint32_t SerialFromHalves(std::string high, const std::string& low)
{
    high.resize(high.size() >= 2 ? high.size() - 2 : 0);
    return static_cast<uint32_t>(ReplyHex(high + low, 8, 0));
}

void ReadSerialNumber(AppState& app, CCommIO& link, bool& ok)
{
    std::string high;
    if (!ReadSerialHalf(app, link, REG_SERIAL_HIGH, high, ok)) high.clear();
    std::string low;
    if (ReadSerialHalf(app, link, REG_SERIAL_LOW, low, ok)) {
        app.deviceSerial = SerialFromHalves(high, low);
        app.deviceSerialText = FormatSerialText(app.deviceSerial);
    }
}

void SetStatus0(AppState& app, CCommIO& link, bool& ok)
{
    const std::string templ =
        IniFile::GetString(app.iniPath, "System", "Default_STATUS0", kDefaultStatus0Template);
    const std::string address = RegisterAddressText(REG_STATUS0);

    std::string reply;
    int length = 0;
    CommStatus status = link.Transact(RegisterReadCommand(REG_STATUS0), reply, length, kCommandTimeoutMs);
    // Writing back a value decoded from a garbled reply would scramble the mode register.
    if (status != COMM_OK || IsRefusal(reply) || !IsRegisterReply(reply)) {
        ReportRegisterError(app, Cmd::kRegisterRead, address);
        ok = false;
        return;
    }
    const uint16_t value = DecodeRegisterValue(reply);
    ShowStatus0(app, value, "STATUS0 設定値読み込み");

    const Status0Result applied = ApplyStatus0Template(value, templ);
    ShowStatus0(app, applied.value, "STATUS0 再設定");
    if (!applied.changed) {
        return;
    }
    status =
        link.Transact(RegisterWriteCommand(REG_STATUS0, applied.value), reply, length, kCommandTimeoutMs);
    if (status != COMM_OK || IsRefusal(reply)) {
        ReportRegisterError(app, Cmd::kRegisterWrite, address); // reported only: the check goes on
    }
}

} // namespace

bool ReadSerialQuietly(CCommIO& link, uint32_t timeoutMs, uint32_t& serial)
{
    std::string halves[2];
    const uint8_t addresses[2] = {REG_SERIAL_HIGH, REG_SERIAL_LOW};
    for (int i = 0; i < 2; ++i) {
        int length = 0;
        const CommStatus status =
            link.Transact(RegisterReadCommand(addresses[i]), halves[i], length, timeoutMs);
        if (status != COMM_OK || IsRefusal(halves[i]) || !IsRegisterReply(halves[i])) return false;
        halves[i].erase(0, 2);
    }
    serial = SerialFromHalves(halves[0], halves[1]);
    return true;
}

bool CheckConnection(AppState& app)
{
    CCommIO link(app);
    if (!Connect(app, link)) {
        return false;
    }

    bool ok = true;
    ReadSerialNumber(app, link, ok);
    SetStatus0(app, link, ok);

    std::string reply;
    int length = 0;
    const CommStatus status = link.Transact(Cmd::kCheckModeExit, reply, length, kCommandTimeoutMs);
    if (status == COMM_NOT_CONNECTED) {
        Tell(app, StringId::NotConnected);
    } else if (status != COMM_OK) {
        Tell(app, StringId::ReplyError);
    } else if (IsRefusal(reply)) {
        Tell(app, StringId::ReplyError);
        ok = false;
    }

    link.Close();
    return ok;
}
