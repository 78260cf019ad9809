#pragma once

#include "capture/CaptureRecorder.h"
#include "capture/RecordingWriters.h"

#include <string>
#include <vector>

struct AppState;
struct Bitmap24;

// What the writers need of a recording held by the recorder, with the unit text of the current
// language.
RecordingSaveData SaveDataOf(const AppState& app, const RecordingSnapshot& snapshot);

enum class RecordingFormat { Csv, Report };

// A path chosen in the save dialog, split: its folder (with its trailing '/', empty for a bare
// name) and its file name without the extension; the extension typed is never used, the format
// chosen decides it.
struct SaveTarget {
    std::string folder;
    std::string baseName;
};
SaveTarget SplitSavePath(const std::string& chosenPath);

// Writes the CSV of a recording to exactly this path; a failure shows string 218 (false).
bool WriteRecordingCsvFile(AppState& app, const std::string& path, const RecordingSaveData& rec);

// Writes a recording: as CSV to folder + baseName + ".csv", or as a report, first the graph
// picture (RecordingPictureName, quality 80) into the folder, then folder + baseName + ".html"
// from RecordingTemplatePath. Text goes through the program's atomic CP932 writer, so a failed
// write never leaves half a file in place of a good one. Any failure (picture, missing or
// unreadable template, a file that cannot be written) shows string 218 with caption 165 and ends
// the save; files already written stay. rec.pictureName is set here. False on failure.
bool SaveRecordingFiles(AppState& app, RecordingFormat format, const SaveTarget& target,
                        RecordingSaveData rec, const Bitmap24& graph);

// The save dialog's filters from a "name|pattern|name|pattern||" text, one per pair: the name as
// it is when it shows its pattern in brackets, else "name (pattern)". Stops at an empty part.
std::vector<std::string> SaveDialogFilters(const std::string& filterText);
