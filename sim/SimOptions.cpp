#include "SimOptions.h"

#include "app/Calendar.h"
#include "app/NumberText.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <sstream>

#include <CLI/CLI.hpp>

namespace {

constexpr int MAX_RECORDS = 30; // records of six words that fit the thermometer's memory

bool ToDouble(const std::string& text, double& value)
{
    const LeadingNumber number = ReadLeadingNumber(text);
    value = number.value;
    return number.length > 0 && number.length == text.size() && std::isfinite(value);
}

bool ToUnsigned(const std::string& text, int base, unsigned long long limit, unsigned long long& value)
{
    if (text.empty() || text[0] == '-' || text[0] == '+') return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoull(text.c_str(), &end, base);
    return errno == 0 && *end == '\0' && value <= limit;
}

bool ParseDateTime(const std::string& text, SimDateTime& t)
{
    char sep = 0;
    char extra = 0;
    const int n = std::sscanf(text.c_str(), "%d-%d-%d%c%d:%d:%d%c", &t.year, &t.month, &t.day, &sep, &t.hour,
                              &t.minute, &t.second, &extra);
    return n == 7 && (sep == 'T' || sep == ' ') && t.year >= 2000 && t.year <= 2099 && t.month >= 1 &&
           t.month <= 12 && t.day >= 1 && t.day <= 31 && t.hour >= 0 && t.hour < 24 && t.minute >= 0 &&
           t.minute < 60 && t.second >= 0 && t.second < 60;
}

} // namespace

bool ParseSimFault(const std::string& text, SimConfig& config, std::string& error)
{
    if (text == "off") {
        config.powered = false;
        return true;
    }
    const auto colon = text.find(':');
    if (colon == std::string::npos) {
        error = "bad fault '" + text + "'";
        return false;
    }
    std::string kind = text.substr(0, colon);
    const std::string arg = text.substr(colon + 1);
    SimFault fault;
    bool atTransaction = false;
    if (kind.size() > 3 && kind.compare(kind.size() - 3, 3, "-at") == 0) {
        atTransaction = true;
        kind.resize(kind.size() - 3);
    }
    if (kind == "ng") {
        fault.kind = SimFault::Kind::Ng;
    } else if (kind == "silent") {
        fault.kind = SimFault::Kind::Silent;
    } else if (kind == "garbage") {
        fault.kind = SimFault::Kind::Garbage;
    } else if (kind == "overlong") {
        fault.kind = SimFault::Kind::Overlong;
    } else {
        error = "bad fault kind '" + kind + "'";
        return false;
    }
    if (atTransaction) {
        unsigned long long k = 0;
        if (!ToUnsigned(arg, 10, 0xFFFFFFFFull, k) || k == 0) {
            error = "bad transaction number in fault '" + text + "'";
            return false;
        }
        fault.atTransaction = static_cast<uint32_t>(k);
    } else {
        if (arg.size() != 2) {
            error = "a fault's command code has two characters: '" + text + "'";
            return false;
        }
        fault.code = arg;
    }
    config.faults.push_back(fault);
    return true;
}

bool ParseSimMemory(const std::string& text, SimConfig& config, std::string& error)
{
    std::istringstream lines(text);
    std::string line;
    config.memoryWords.clear();
    while (std::getline(lines, line)) {
        line = line.substr(0, line.find('#'));
        std::istringstream tokens(line);
        std::string token;
        while (tokens >> token) {
            unsigned long long value = 0;
            const auto eq = token.find('=');
            if (eq == std::string::npos) {
                if (token.size() > 4 || !ToUnsigned(token, 16, 0xFFFF, value)) {
                    error = "bad memory word '" + token + "'";
                    return false;
                }
                config.memoryWords.push_back(static_cast<uint16_t>(value));
                continue;
            }
            unsigned long long address = 0;
            if (!ToUnsigned(token.substr(0, eq), 16, 0x41, address) ||
                !ToUnsigned(token.substr(eq + 1), 16, 0xFFFF, value)) {
                error = "bad register setting '" + token + "'";
                return false;
            }
            const auto v = static_cast<uint16_t>(value);
            switch (address) {
            case 0x00:
                config.status0 = v;
                break;
            case 0x14:
                config.emissivityRegister = v;
                break;
            case 0x35:
                config.flagWord = v;
                break;
            case 0x36:
                config.alarmHighK10 = v;
                break;
            case 0x37:
                config.alarmLowK10 = v;
                break;
            case 0x3D:
                config.clockAlarm = v;
                break;
            case 0x3E:
                config.clockAlarmRingS = v;
                break;
            case 0x3F:
                config.holdS = v;
                break;
            case 0x40:
            case 0x41:
                config.recordCount = v;
                break;
            default:
                error = "register " + token.substr(0, eq) + " cannot be set";
                return false;
            }
        }
    }
    return true;
}

bool FillSimRecords(int count, const SimDateTime& newest, SimConfig& config, std::string& error)
{
    if (count < 0 || count > MAX_RECORDS) {
        error = "--memory-records takes 0 to " + std::to_string(MAX_RECORDS);
        return false;
    }
    config.memoryWords.clear();
    for (int i = 0; i < count; ++i) {
        // One record a minute back from the newest, warm readings in a room near 23 degC.
        SimDateTime t = newest;
        int minutes = t.hour * 60 + t.minute - (count - 1 - i);
        while (minutes < 0)
            minutes += 24 * 60;
        t.hour = minutes / 60;
        t.minute = minutes % 60;
        const double tempC = 30.0 + 5.0 * std::sin(i * 0.7) + (i % 3);
        const double roomC = 23.0 + 0.1 * (i % 5);
        config.memoryWords.push_back(static_cast<uint16_t>((tempC + 273.2) * 10.0));
        config.memoryWords.push_back(static_cast<uint16_t>((t.year / 100) << 8 | (t.year % 100)));
        config.memoryWords.push_back(static_cast<uint16_t>(t.day << 8 | t.month));
        config.memoryWords.push_back(static_cast<uint16_t>(t.minute << 8 | t.hour));
        config.memoryWords.push_back(static_cast<uint16_t>(t.second));
        config.memoryWords.push_back(static_cast<uint16_t>((roomC + 273.2) * 10.0));
    }
    config.flagWord = static_cast<uint16_t>((config.flagWord & ~0x7C) | 0x0C);
    config.recordCount = static_cast<uint16_t>(count);
    return true;
}

bool FillSimPreset(const std::string& items, int count, const SimDateTime& newest, SimConfig& config,
                   std::string& error)
{
    static const std::pair<const char*, uint16_t> kItems[] = {
        {"time", 0x04}, {"room", 0x08}, {"emissivity", 0x10}, {"max", 0x20}, {"min", 0x40}};
    uint16_t bits = 0;
    if (items != "none") {
        std::stringstream list(items);
        std::string name;
        while (std::getline(list, name, ',')) {
            const auto* it = std::find_if(std::begin(kItems), std::end(kItems),
                                          [&](const auto& item) { return name == item.first; });
            if (it == std::end(kItems) || (bits & it->second)) {
                error = "unknown or repeated item '" + name + "'";
                return false;
            }
            bits |= it->second;
        }
        if (bits == 0) {
            error = "no items given";
            return false;
        }
    }
    // What the thermometer holds with these items: 150 words-worth of the temperature alone,
    // else by the number of other items, with and without a time stamp.
    static const int kWithTime[] = {35, 30, 25, 20, 20};
    static const int kWithoutTime[] = {150, 90, 60, 45, 35};
    const int others = std::popcount(static_cast<unsigned>(bits & 0x78));
    const int full = (bits & 0x04) ? kWithTime[others] : kWithoutTime[others];
    if (count < 0) count = full;
    if (count > full) {
        error = "at most " + std::to_string(full) + " records hold these items";
        return false;
    }
    config.memoryWords.clear();
    for (int i = 0; i < count; ++i) {
        // One record every 7 minutes back from the newest; MIN and MAX around the reading.
        SimDateTime t = newest;
        int minutes = t.hour * 60 + t.minute - 7 * (count - 1 - i);
        while (minutes < 0)
            minutes += 24 * 60;
        t.hour = minutes / 60;
        t.minute = minutes % 60;
        t.second = (i * 13) % 60;
        const double tempC = 30.0 + 5.0 * std::sin(i * 0.7) + (i % 3);
        const auto k10 = [](double c) { return static_cast<uint16_t>((c + 273.2) * 10.0); };
        config.memoryWords.push_back(k10(tempC));
        if (bits & 0x04) {
            config.memoryWords.push_back(static_cast<uint16_t>((t.year / 100) << 8 | (t.year % 100)));
            config.memoryWords.push_back(static_cast<uint16_t>(t.day << 8 | t.month));
            config.memoryWords.push_back(static_cast<uint16_t>(t.minute << 8 | t.hour));
            config.memoryWords.push_back(static_cast<uint16_t>(t.second));
        }
        if (bits & 0x08) config.memoryWords.push_back(k10(23.0 + 0.1 * (i % 5)));
        if (bits & 0x10) config.memoryWords.push_back(static_cast<uint16_t>(950 - 10 * (i % 4)));
        if (bits & 0x20) config.memoryWords.push_back(k10(tempC + 1.5 + 0.1 * (i % 7)));
        if (bits & 0x40) config.memoryWords.push_back(k10(tempC - 2.0 - 0.1 * (i % 3)));
    }
    config.memoryWordCount = std::max<std::size_t>(config.memoryWordCount, config.memoryWords.size());
    config.flagWord = static_cast<uint16_t>((config.flagWord & ~0x7C) | bits);
    config.recordCount = static_cast<uint16_t>(count);
    return true;
}

namespace {

// What the options collect before the memory can be filled: records and presets are laid out
// from the clock, which may come later on the command line.
struct MemoryFill {
    int records = -1;
    std::string preset;
    int presetCount = -1;
};

using ValueCheck = std::function<std::string(const std::string&)>;

// An option taking one value, applied as it is met so that a later option overrides an earlier
// one as on any command line; check returns why the value is refused, or nothing.
void AddValue(CLI::App& cli, const std::string& name, const std::string& valueName, const std::string& help,
              ValueCheck check)
{
    cli.add_option_function<std::string>(
           name,
           [name, check](const std::string& v) {
               const std::string why = check(v);
               if (!why.empty()) throw CLI::ValidationError("bad value '" + v + "' for " + name + ": " + why);
           },
           help)
        ->type_name(valueName)
        ->trigger_on_parse()
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

ValueCheck Unsigned(int base, unsigned long long limit, const char* range,
                    std::function<void(unsigned long long)> set)
{
    return [=](const std::string& v) -> std::string {
        unsigned long long u = 0;
        if (!ToUnsigned(v, base, limit, u)) return range;
        set(u);
        return {};
    };
}

ValueCheck Double(double low, bool lowOpen, double high, const char* range, double& target)
{
    return [=, &target](const std::string& v) -> std::string {
        double d = 0;
        if (!ToDouble(v, d) || d < low || (lowOpen && d == low) || d > high) return range;
        target = d;
        return {};
    };
}

void AddDeviceOptions(CLI::App& cli, SimOptions& o)
{
    SimConfig& c = o.config;
    AddValue(cli, "--link", "PATH", "the symbolic link to the pseudo-terminal (required)",
             [&o](const std::string& v) -> std::string {
                 if (v.empty()) return "empty path";
                 o.linkPath = v;
                 return {};
             });
    AddValue(cli, "--serial", "N", "serial number (decimal, default 123456789)",
             Unsigned(10, 0xFFFFFFFFull, "expected 0..4294967295",
                      [&c](unsigned long long u) { c.serial = static_cast<uint32_t>(u); }));
    AddValue(cli, "--scenario", "S", "constant | ramp | sine | alarm (default constant)",
             [&c](const std::string& v) -> std::string {
                 static const std::pair<const char*, SimScenario> kScenarios[] = {
                     {"constant", SimScenario::Constant},
                     {"ramp", SimScenario::Ramp},
                     {"sine", SimScenario::Sine},
                     {"alarm", SimScenario::AlarmProfile}};
                 for (const auto& [name, scenario] : kScenarios) {
                     if (v == name) {
                         c.scenario = scenario;
                         return {};
                     }
                 }
                 return "expected constant, ramp, sine or alarm";
             });
    const char* degC = "expected degC above -273";
    const char* number = "expected a number";
    AddValue(cli, "--target", "C", "true target temperature, degC (start or mean; default 25)",
             Double(-273.0, false, 3000.0, degC, c.targetC));
    AddValue(cli, "--ramp", "C", "ramp: degC per minute (default 10)",
             Double(-10000.0, false, 10000.0, number, c.rampCPerMin));
    AddValue(cli, "--amplitude", "C", "sine: amplitude, degC (default 20)",
             Double(-10000.0, false, 10000.0, number, c.sineAmplitudeC));
    AddValue(cli, "--period", "S", "sine: period, seconds (default 60)",
             Double(0.0, true, HUGE_VAL, "expected seconds above 0", c.sinePeriodS));
    AddValue(cli, "--noise", "C", "sine: uniform noise of +-C on every reading (default 0)",
             Double(-10000.0, false, 10000.0, number, c.noiseC));
    AddValue(cli, "--seed", "N", "noise seed (default 1)",
             Unsigned(10, 0xFFFFFFFFull, "expected 0..4294967295",
                      [&c](unsigned long long u) { c.seed = static_cast<uint32_t>(u); }));
    AddValue(cli, "--ambient", "C", "ambient temperature, degC (default 23)",
             Double(-273.0, false, 3000.0, degC, c.ambientC));
    AddValue(cli, "--emissivity", "E", "the target's true emissivity, 0 < E <= 1 (default 0.95)",
             Double(0.0, true, 1.0, "expected 0 < E <= 1", c.trueEmissivity));
    AddValue(cli, "--emissivity-register", "N", "emissivity setting in thousandths (default 950)",
             Unsigned(10, 0xFFFF, "expected thousandths 0..65535",
                      [&c](unsigned long long u) { c.emissivityRegister = static_cast<uint16_t>(u); }));
    AddValue(cli, "--status0", "HEX", "STATUS0 at power-on (default 0000)",
             [&c](const std::string& v) -> std::string {
                 unsigned long long u = 0;
                 if (v.size() > 4 || !ToUnsigned(v, 16, 0xFFFF, u)) return "expected 1 to 4 hex digits";
                 c.status0 = static_cast<uint16_t>(u);
                 return {};
             });
}

void AddWireOptions(CLI::App& cli, SimOptions& o)
{
    SimConfig& c = o.config;
    AddValue(cli, "--rate", "HZ", "streamed lines per second while output bits are on (default 10)",
             Double(0.0, true, 1000.0, "expected 0 < HZ <= 1000", c.streamRateHz));
    AddValue(cli, "--baud", "N", "pace the wire at N baud, 10 bits a byte (default 0: off)",
             Unsigned(10, 4000000, "expected 0..4000000",
                      [&c](unsigned long long u) { c.baud = static_cast<uint32_t>(u); }));
    AddValue(cli, "--latency", "MS", "delay before every reply (default 0)",
             Unsigned(10, 600000, "expected 0..600000 ms",
                      [&c](unsigned long long u) { c.latencyMs = static_cast<uint32_t>(u); }));
    AddValue(cli, "--clock", "YYYY-MM-DDTHH:MM:SS", "start the clock here (default: host local time)",
             [&c](const std::string& v) -> std::string {
                 if (!ParseDateTime(v, c.clockStart)) return "expected YYYY-MM-DDTHH:MM:SS, years 2000..2099";
                 c.useHostClock = false;
                 return {};
             });
    // Every --fault adds one, so each occurrence is applied rather than the last alone.
    cli.add_option_function<std::string>(
           "--fault",
           [&c](const std::string& v) {
               std::string why;
               if (!ParseSimFault(v, c, why))
                   throw CLI::ValidationError("bad value '" + v + "' for --fault: " + why);
           },
           "repeatable: off, ng:CODE, silent:CODE, garbage:CODE, overlong:CODE,\n"
           "ng-at:K, silent-at:K, garbage-at:K, overlong-at:K\n"
           "off: switched off; a pseudo-terminal has no CTS or DSR to drop,\n"
           "so there the thermometer only falls silent")
        ->type_name("SPEC")
        ->trigger_on_parse();
    AddValue(cli, "--log", "FILE", "append every command and reply with a time stamp",
             [&o](const std::string& v) -> std::string {
                 o.logPath = v;
                 return {};
             });
}

void AddMemoryOptions(CLI::App& cli, SimConfig& c, MemoryFill& fill)
{
    AddValue(cli, "--memory", "FILE", "memory words in hex from 0x42 on; AA=VVVV sets register AA",
             [&c](const std::string& v) -> std::string {
                 std::ifstream in(v);
                 if (!in) return "cannot read the file";
                 std::stringstream text;
                 text << in.rdbuf();
                 std::string why;
                 ParseSimMemory(text.str(), c, why);
                 return why;
             });
    AddValue(cli, "--memory-records", "N", "fill the memory with N plausible records (at most 30)",
             Unsigned(10, 1000, "expected a count",
                      [&fill](unsigned long long u) { fill.records = static_cast<int>(u); }));
    AddValue(cli, "--memory-preset", "ITEMS[:N]",
             "N records (default: a full memory) holding ITEMS, a comma\nlist "
             "of time,room,emissivity,max,min, "
             "or none",
             [&fill](const std::string& v) -> std::string {
                 const std::size_t colon = v.find(':');
                 fill.preset = v.substr(0, colon);
                 fill.presetCount = -1;
                 unsigned long long u = 0;
                 if (colon != std::string::npos) {
                     if (!ToUnsigned(v.substr(colon + 1), 10, 1000, u)) return "expected ITEMS[:N]";
                     fill.presetCount = static_cast<int>(u);
                 }
                 if (fill.preset.empty()) return "expected ITEMS[:N]";
                 return {};
             });
}

void AddSimOptions(CLI::App& cli, SimOptions& options, MemoryFill& fill)
{
    cli.description(
        "Serves a simulated RM42 thermometer on a pseudo-terminal; PATH becomes a symbolic link to it.");
    cli.footer("Signals: SIGUSR1 pulls the cable (the terminal hangs up and PATH goes away), SIGUSR2 plugs\n"
               "it back in (a fresh terminal behind PATH); SIGINT or SIGTERM ends the simulator.");
    AddDeviceOptions(cli, options);
    AddWireOptions(cli, options);
    AddMemoryOptions(cli, options.config, fill);
    cli.add_flag("--version", options.version, "the version number");
}

// Lays out the records and presets asked for, ending at the start of the simulated clock.
bool FillMemory(const MemoryFill& fill, SimConfig& c, std::string& error)
{
    if (fill.records < 0 && fill.preset.empty()) return true;
    SimDateTime newest = c.clockStart;
    if (c.useHostClock) {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        LocalTimeOf(now, local);
        newest = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, 0};
    }
    if (fill.records >= 0 && !FillSimRecords(fill.records, newest, c, error)) return false;
    if (!fill.preset.empty() && !FillSimPreset(fill.preset, fill.presetCount, newest, c, error)) {
        error = "--memory-preset: " + error;
        return false;
    }
    return true;
}

} // namespace

std::string SimUsage()
{
    CLI::App cli{"", "rm42-sim"};
    SimOptions options;
    MemoryFill fill;
    AddSimOptions(cli, options, fill);
    return cli.help();
}

bool ParseSimOptions(const std::vector<std::string>& args, SimOptions& options, std::string& error)
{
    CLI::App cli{"", "rm42-sim"};
    MemoryFill fill;
    AddSimOptions(cli, options, fill);
    try {
        // CLI11 takes the arguments last first.
        cli.parse(std::vector<std::string>(args.rbegin(), args.rend()));
    } catch (const CLI::CallForHelp&) {
        options.help = true;
        return true;
    } catch (const CLI::ParseError& e) {
        error = e.what();
        return false;
    }
    if (options.version) return true;
    if (!FillMemory(fill, options.config, error)) return false;
    if (options.linkPath.empty()) {
        error = "--link PATH is required";
        return false;
    }
    return true;
}
