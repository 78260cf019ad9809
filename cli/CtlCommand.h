#pragma once

#include <functional>

#include <CLI/CLI.hpp>

struct AppState;
class ConsoleUserInterface;

// What a command has to work with once start-up has run: the filled-in state and the console.
struct CtlContext {
    AppState& app;
    ConsoleUserInterface& ui;
    bool ranCheck = false; // start-up already ran the connection check
};

// A command's work: 0 success, 1 the operation failed.
using CtlRun = std::function<int(CtlContext&)>;

// Each command adds its subcommand (with its own options and help) to the command line; when
// the user chooses it, its callback stores the work in run, which main calls after start-up.
void AddCheckCommand(CLI::App& cli, CtlRun& run);
// memory read / memory write: the stored records, listed, saved, or written back in part.
void AddMemoryCommand(CLI::App& cli, CtlRun& run);
// settings show|export|set-alarm|set-clock|set-clock-alarm|set-resolution|set-hold|reset
void AddSettingsCommand(CLI::App& cli, CtlRun& run);
// typename set NAME
void AddTypeNameCommand(CLI::App& cli, CtlRun& run);
// read, teach --temp C and emissivity set E: the teaching page's operations.
void AddTeachingCommands(CLI::App& cli, CtlRun& run);
// record: the continuous recording headless, one CSV line per sample.
void AddRecordCommand(CLI::App& cli, CtlRun& run);
// recover [--csv FILE] [--report FILE]: the recording a run that did not end cleanly left behind.
void AddRecoverCommand(CLI::App& cli, CtlRun& run);

// Set by a command that works without the thermometer: start-up skips the connection check.
bool& CtlNeedsNoThermometer();

// Prints the thermometer's serial number and type name.
void PrintThermometer(const AppState& app);
