#include "app/LangString.h"

#include "app/AppState.h"
#include "resources/StringTable.h"

namespace {

// The application's name; [System] WindowTitle stands in for it when set.
constexpr int kAppNameId = 165;

} // namespace

std::string LoadTableString(int id)
{
    const char* text = FindTableString(id);
    return text ? std::string(text) : std::string();
}

bool HasTableString(int id)
{
    return FindTableString(id) != nullptr;
}

std::string LoadLangString(const AppState& app, int id)
{
    if (id == kAppNameId && !app.windowTitle.empty()) return app.windowTitle;
    return LoadTableString(app.language == 1 ? id + kEnglishIdOffset : id);
}
