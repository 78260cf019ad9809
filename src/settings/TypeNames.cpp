#include "settings/TypeNames.h"

#include "app/AppState.h"
#include "app/IniFile.h"
#include "app/LangString.h"
#include "device/Status0.h"

namespace {

constexpr int kStringAppName = 165;
constexpr std::size_t kTypeNameMaxChars = 40;
constexpr std::string_view kForbiddenChars = "\"'%&<>*?:/\\";

} // namespace

std::string TypeNameFilePath(const AppState& app)
{
    return app.exeDir + "hardname.rm4";
}

void LookupTypeName(AppState& app)
{
    app.typeName = IniFile::GetString(TypeNameFilePath(app), "HardName", FormatSerialKey(app.deviceSerial),
                                      "no name", IniFile::kValueBuffer);
}

std::string ComposeCaption(const AppState& app)
{
    std::string title = LoadLangString(app, kStringAppName);
    if (!app.visibleSerialNo) return title;
    return title + " : No." + app.deviceSerialText;
}

std::string ComposeRegisteredCaption(const AppState& app)
{
    return LoadLangString(app, kStringAppName) + " : No." + app.deviceSerialText + " (" + app.typeName + ")";
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
