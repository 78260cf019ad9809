#include "settings/TypeNames.h"

#include "app/AppPaths.h"
#include "app/AppState.h"
#include "app/IniFile.h"
#include "app/LangString.h"
#include "app/UserInterface.h"
#include "device/CCommIO.h"
#include "device/CommandLog.h"
#include "device/CommandSet.h"
#include "device/Status0.h"
#include "resources/StringIds.h"

namespace {

constexpr std::size_t kTypeNameMaxChars = 40;
constexpr std::string_view kForbiddenChars = "\"'%&<>*?:/\\";

// One half of the serial number: the text after the register echo (trailing pair kept).
bool ReadSerialHalf(CCommIO& link, uint8_t address, std::string& text)
{
    int length = 0;
    std::string reply;
    if (link.Transact(RegisterReadCommand(address), reply, length) != COMM_OK || IsRefusal(reply) ||
        !IsRegisterReply(reply)) {
        return false;
    }
    text = reply.substr(2);
    return true;
}

void Tell(AppState& app, int id, MsgIcon icon)
{
    if (app.ui == nullptr) return;
    app.ui->MessageBox(LoadLangString(app, id), LoadLangString(app, StringId::AppName), icon, MsgButtons::Ok,
                       MsgAnswer::Ok);
}

} // namespace

std::string TypeNameFilePath(const AppState& app)
{
    return UserFilePath(app, "hardname.rm4");
}

void LookupTypeName(AppState& app)
{
    app.typeName = IniFile::GetString(TypeNameFilePath(app), "HardName", FormatSerialKey(app.deviceSerial),
                                      "no name", IniFile::kValueBuffer);
}

std::string ComposeCaption(const AppState& app)
{
    std::string title = LoadLangString(app, StringId::AppName);
    if (!app.visibleSerialNo) return title;
    return title + " : No." + app.deviceSerialText;
}

std::string ComposeRegisteredCaption(const AppState& app)
{
    return LoadLangString(app, StringId::AppName) + " : No." + app.deviceSerialText + " (" + app.typeName +
           ")";
}

bool FilterTypeNameInput(std::string& text)
{
    std::string cleaned;
    cleaned.reserve(text.size());
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (kForbiddenChars.find(c) != std::string_view::npos) continue;
        // A character starts at every byte that is not a UTF-8 continuation byte.
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80 && ++chars > kTypeNameMaxChars) break;
        cleaned += c;
    }
    if (cleaned == text) return false;
    text = std::move(cleaned);
    return true;
}

bool RegisterTypeName(AppState& app, CCommIO& link, const std::string& name)
{
    if (name.empty()) return false;
    app.typeName = name;
    if (!link.Open()) {
        ReportMessage(app, StringId::ComPortError);
        return false;
    }
    int length = 0;
    std::string reply;
    if (link.Transact(Cmd::kCheckModeReq, reply, length) != COMM_OK || IsRefusal(reply)) {
        ReportCommandError(app, Cmd::kCheckModeReq);
        link.Close();
        return false;
    }
    std::string high, low;
    if (!ReadSerialHalf(link, REG_SERIAL_HIGH, high) || !ReadSerialHalf(link, REG_SERIAL_LOW, low)) {
        // The thermometer stopped answering: the switch-on prompt, and the port is let go at once.
        ReportCommandError(app, Cmd::kCheckModeReq);
        link.Close();
        return false;
    }
    high.resize(high.size() - 2); // the low half's trailing pair ends the joined text
    app.deviceSerial = static_cast<uint32_t>(ReplyHex(high + low, 8, 0));
    app.deviceSerialText = FormatSerialText(app.deviceSerial);
    if (link.Transact(Cmd::kCheckModeExit, reply, length) != COMM_OK || IsRefusal(reply))
        ReportCommandError(app, Cmd::kCheckModeExit);
    if (!link.Close()) ReportMessage(app, StringId::ComPortError);

    if (!IniFile::WriteString(TypeNameFilePath(app), "HardName", FormatSerialKey(app.deviceSerial),
                              app.typeName)) {
        if (app.ui != nullptr) app.ui->NoteFile(TypeNameFilePath(app));
        Tell(app, StringId::FileError, MsgIcon::Exclamation);
        return false;
    }
    if (app.ui != nullptr) app.ui->SetMainTitle(ComposeRegisteredCaption(app));
    Tell(app, StringId::Registered, MsgIcon::Information);
    return true;
}
