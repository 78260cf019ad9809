#include "app/LangString.h"

#include "app/AppState.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"

std::string LoadTableString(int id)
{
    const char* text = FindTableString(id);
    return text ? std::string(text) : std::string();
}

std::string LoadLangString(const AppState& app, int id)
{
    if (id == StringId::AppName && !app.windowTitle.empty()) return app.windowTitle;
    return LoadTableString(app.language == 1 ? id + kEnglishIdOffset : id);
}

std::string FormatLangString(const AppState& app, int id, std::initializer_list<std::string> args)
{
    const std::string text = LoadLangString(app, id);
    std::string filled;
    std::size_t from = 0;
    for (const std::string& arg : args) {
        std::size_t at = from;
        while ((at = text.find('%', at)) != std::string::npos && at + 1 < text.size() &&
               text[at + 1] != 's' && text[at + 1] != 'd')
            ++at;
        if (at == std::string::npos || at + 1 >= text.size()) break;
        filled.append(text, from, at - from).append(arg);
        from = at + 2;
    }
    return filled.append(text, from, std::string::npos);
}
