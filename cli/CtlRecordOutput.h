#pragma once

#include <string>

#include <CLI/CLI.hpp>

class CaptureRecorder;
struct AppState;

// Where `record` writes the recording once it has paused: a CSV file ("-" for standard output)
// and a report with its graph picture beside it. Empty: not written.
struct RecordOutputs {
    std::string csvPath;
    std::string reportPath;
};

// Adds --csv and --report to the record command.
void AddRecordOutputOptions(CLI::App& record, RecordOutputs& outputs);

// Writes what was asked for with the program's own writers, the report's picture drawn from the
// recorder's graph. False when something could not be written (reported with string 218).
bool WriteRecordOutputs(AppState& app, CaptureRecorder& recorder, const RecordOutputs& outputs);
