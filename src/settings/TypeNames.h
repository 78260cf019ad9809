#pragma once

#include <string>
#include <string_view>

struct AppState;

// exeDir + "hardname.rm4"
std::string TypeNameFilePath(const AppState& app);
// typeName = [HardName] "%09d" of deviceSerial, default "no name".
void LookupTypeName(AppState& app);
// The main caption after a lookup: "%s : No.%s" with string 165 and deviceSerialText when
// visibleSerialNo, string 165 alone otherwise.
std::string ComposeCaption(const AppState& app);
// The caption after a registration: "%s : No.%s (%s)", whatever visibleSerialNo says.
std::string ComposeRegisteredCaption(const AppState& app);
// Removes " ' % & < > * ? : / \ from a typed type name and keeps at most its first 40
// characters (not bytes); true when the text changed.
bool FilterTypeNameInput(std::string& text);
