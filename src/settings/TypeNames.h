#pragma once

#include <string>
#include <string_view>

struct AppState;

// "hardname.rm4" in the folder the program writes its own files to (UserFilePath)
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

class CCommIO;
// The registration: typeName = name at once; then the serial number is read from the
// thermometer ("DA", registers 30 and 31, "81"), the name is stored under it in the type-name
// file, the caption names serial and type, and the user is told. A failed serial read ends it
// (as the switch-on prompt, without "81"); a file that cannot be written gets message 218.
// An empty name does nothing. True when the name was stored.
bool RegisterTypeName(AppState& app, CCommIO& link, const std::string& name);
