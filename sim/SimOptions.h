#pragma once

#include <string>
#include <vector>

#include "SimThermometer.h"

// The command line of rm42-sim.
struct SimOptions {
    std::string linkPath;
    std::string logPath;
    bool help = false;
    bool version = false;
    SimConfig config;
};

// Parses the arguments after the program name. False with a one-line reason in error on an unknown
// option, a missing or malformed value, or a value out of range; a memory file is read here.
bool ParseSimOptions(const std::vector<std::string>& args, SimOptions& options, std::string& error);

// One --fault value: off, ng:CODE, silent:CODE, garbage:CODE, overlong:CODE, ng-at:K, silent-at:K,
// garbage-at:K, overlong-at:K (K counted from 1). "off" sets powered false instead of adding a fault.
bool ParseSimFault(const std::string& text, SimConfig& config, std::string& error);

// Memory contents: whitespace-separated tokens, each a word of 1 to 4 hex digits stored from 0x42
// on, or AA=VVVV setting register AA (for example 35=000C, 40=0003). '#' starts a comment.
bool ParseSimMemory(const std::string& text, SimConfig& config, std::string& error);

// count plausible records with a time stamp and a room temperature (flag word items 0x0C, six
// words each) from the given clock time backwards; sets registers 35, 40 and 41. At most 30.
bool FillSimRecords(int count, const SimDateTime& newest, SimConfig& config, std::string& error);

// A memory of count records with the items of a comma-separated list of time, room, emissivity,
// max and min ("none": the temperature alone); count -1 fills the memory: as many records as the
// thermometer holds with those items (150 without any). Sets registers 35, 40 and 41.
bool FillSimPreset(const std::string& items, int count, const SimDateTime& newest, SimConfig& config,
                   std::string& error);

// The --help text.
std::string SimUsage();
