#pragma once

#include <QIcon>
#include <QString>

// The program's icons, drawn in code so they scale cleanly and need no files.
namespace Icons {

QIcon Application(); // a handheld infrared thermometer (icon 128)
QIcon Record();      // a red disc
QIcon Pause();       // two black bars
QIcon Delete();      // a waste bin
QIcon Save();        // a floppy disk
QIcon Timer();       // a stopwatch
QIcon Empty();       // nothing: keeps a button's layout when it shows no picture
QIcon Read();        // memory page: from the thermometer into the list
QIcon Write();       // memory page: from the list back into the thermometer

// By name: "application", "record", "pause", "delete", "save", "timer", "empty", "read",
// "write". An unknown name gives a null icon.
QIcon ByName(const QString& name);

} // namespace Icons
