#pragma once

#include <string>

struct AppState;

// Where the INI and the data files live. Two layouts:
//  - portable: the INI lies beside the executable (the runnable folder, a copy of it, a Windows
//    folder); the data files are read from that folder and the program's own files written there;
//  - installed: no INI beside the executable, but the shipped default in ../share/rm42meter/.
//    The user's INI is $XDG_CONFIG_HOME/rm42meter/rm42meter.ini (made from the default when
//    missing), templates, lists and pictures are looked up in $XDG_DATA_HOME/rm42meter/ first (a
//    user's edited copy) and then in the shared folder, the type names are kept in
//    $XDG_DATA_HOME/rm42meter/ and the command log in $XDG_STATE_HOME/rm42meter/. Unset or
//    relative XDG variables mean ~/.config, ~/.local/share and ~/.local/state.
// When neither INI exists the layout stays portable, so the missing file is reported beside the
// executable.
//
// iniBase names the INI beside the executable without ".ini"; empty: the executable's base name.
// False only when the user's INI could not be made from the default (the caller then finds no INI).
bool SetPathsForExecutable(AppState& app, const std::string& exePath, const std::string& iniBase = {});

// The data file `name` (a template, a list, a picture): the first folder of app.dataDirs that has
// it, else the last (shipped) folder's path for it (so a message names where it was expected). Without
// dataDirs, exeDir + name.
std::string DataFilePath(const AppState& app, const std::string& name);

// Where the program writes its own files: the type-name file (app.userDir) and the command log
// (app.logDir); exeDir when those are not set.
std::string UserFilePath(const AppState& app, const std::string& name);
std::string LogFilePath(const AppState& app, const std::string& name);
