#include <cstdio>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "ConsoleUserInterface.h"
#include "CtlCommand.h"
#include "CtlNumber.h"
#include "app/AppState.h"
#include "memory/MemoryData.h"
#include "memory/MemoryList.h"
#include "memory/MemoryReport.h"

namespace {

struct MemoryOptions {
    std::string unit = "c";
    std::string csv;
    std::string report;
    std::vector<int> keep; // list rows, from 1
    uint16_t items = 0;
    bool itemsGiven = false;
};

int UnitOf(const std::string& text)
{
    return text == "f" ? UNIT_FAHRENHEIT : text == "k" ? UNIT_KELVIN : UNIT_CELSIUS;
}

MemoryListSnapshot Snapshot(const AppState& app, const MemoryData& data, int unit)
{
    return {MakeListRows(data.records, data.capacity, unit), ColumnCaptions(app, unit), UnitText(app, unit),
            app.typeName};
}

void PrintList(const MemoryListSnapshot& list, int capacity)
{
    std::printf("Memory Available: %d\n", capacity);
    for (std::size_t c = 0; c < list.captions.size(); ++c)
        std::printf("%s%s", c == 0 ? "" : "\t", list.captions[c].c_str());
    std::printf("\n");
    for (std::size_t r = 0; r < list.rows.size(); ++r) {
        const MemoryListRow& row = list.rows[r];
        if (!row.hasData) continue;
        std::printf("%zu", r + 1);
        for (std::size_t c = 1; c < row.cells.size(); ++c)
            std::printf("\t%s", row.cells[c].c_str());
        std::printf("\n");
    }
}

// "time,room,..." or "none" into item bits; false on an unknown name.
bool ParseItems(const std::string& text, uint16_t& bits, std::string& unknown)
{
    static const std::pair<const char*, uint16_t> kNames[] = {{"time", ITEM_TIME},
                                                              {"room", ITEM_ROOM},
                                                              {"emissivity", ITEM_EMISSIVITY},
                                                              {"max", ITEM_MAX},
                                                              {"min", ITEM_MIN}};
    bits = 0;
    if (text == "none") return true;
    std::stringstream list(text);
    std::string name;
    while (std::getline(list, name, ',')) {
        bool known = false;
        for (const auto& [itemName, bit] : kNames) {
            if (name == itemName) {
                bits |= bit;
                known = true;
            }
        }
        if (!known) {
            unknown = name;
            return false;
        }
    }
    return true;
}

// "1,2,5" into row numbers. An empty list is refused: writing back no row at all would erase
// the whole memory, which the page cannot do either (its Write needs a checked row).
std::vector<int> ParseKeepList(const std::string& text)
{
    std::vector<int> rows;
    std::stringstream numbers(text);
    std::string number;
    while (std::getline(numbers, number, ',')) {
        const std::optional<int> row = ParseIntegerText(number);
        if (!row || *row < 1) throw CLI::ValidationError("--keep", "'" + number + "' is not a row number");
        rows.push_back(*row);
    }
    if (rows.empty() || text.back() == ',')
        throw CLI::ValidationError("--keep", "expected row numbers such as 1,2,5");
    return rows;
}

// The rows to keep checked; every row must be a row of the list that holds data.
bool CheckKeep(const std::vector<int>& rows, const MemoryListSnapshot& list, std::vector<bool>& checked)
{
    checked.assign(list.rows.size(), false);
    for (int row : rows) {
        if (row > static_cast<int>(list.rows.size())) {
            std::fprintf(stderr, "--keep: row %d is not in the list (1 to %zu)\n", row, list.rows.size());
            return false;
        }
        if (!list.rows[static_cast<std::size_t>(row - 1)].hasData) {
            std::fprintf(stderr, "--keep: row %d holds no data\n", row);
            return false;
        }
        checked[static_cast<std::size_t>(row - 1)] = true;
    }
    return true;
}

int RunRead(CtlContext& ctx, const MemoryOptions& options)
{
    MemoryData data(ctx.app);
    if (!data.Read(false, nullptr)) return 1;
    const int unit = UnitOf(options.unit);
    const MemoryListSnapshot list = Snapshot(ctx.app, data, unit);
    PrintList(list, data.capacity);
    if (data.ioError) {
        // A file of part of the memory would pass for all of it.
        if (!options.csv.empty() || !options.report.empty()) {
            if (data.StoredCount() >= 0) {
                std::fprintf(stderr, "The read failed after %d of %d records; no file was written\n",
                             data.RecordsRead(), data.StoredCount());
            } else {
                std::fprintf(stderr, "The read failed; no file was written\n");
            }
        }
        return 1;
    }
    std::string saveDir;
    bool saved = true;
    if (!options.csv.empty()) saved = SaveMemoryList(ctx.app, options.csv, false, list, saveDir) && saved;
    if (!options.report.empty())
        saved = SaveMemoryList(ctx.app, options.report, true, list, saveDir) && saved;
    return saved ? 0 : 1;
}

int RunWrite(CtlContext& ctx, const MemoryOptions& options)
{
    MemoryData data(ctx.app);
    if (!data.Read(false, nullptr)) return 1;
    if (data.ioError) return 1; // nothing is written from a list that is not whole
    if (options.itemsGiven) {
        for (uint16_t bit : {ITEM_TIME, ITEM_ROOM, ITEM_EMISSIVITY, ITEM_MAX, ITEM_MIN})
            data.SetItem(bit, (options.items & bit) != 0);
    }
    std::vector<bool> checked;
    if (!CheckKeep(options.keep, Snapshot(ctx.app, data, UNIT_CELSIUS), checked)) return 2;
    if (!data.Write(checked, true)) return 1;
    return data.ioError ? 1 : 0;
}

} // namespace

void AddMemoryCommand(CLI::App& cli, CtlRun& run)
{
    auto options = std::make_shared<MemoryOptions>();
    CLI::App* memory = cli.add_subcommand("memory", "the thermometer's stored records");
    memory->require_subcommand(1);

    CLI::App* read = memory->add_subcommand("read", "reads the memory and prints every row with data");
    read->add_option("--unit", options->unit, "display unit: c, f or k (default c)")
        ->check(CLI::IsMember({"c", "f", "k"}));
    read->add_option("--csv", options->csv, "also save the list as CSV (the name's extension becomes .csv)");
    read->add_option("--report", options->report,
                     "also save the list as report pages NAME(PAGEnn).html from the report template");
    read->callback([&run, options] { run = [options](CtlContext& ctx) { return RunRead(ctx, *options); }; });

    CLI::App* write = memory->add_subcommand(
        "write", "reads the memory, then writes back only the kept rows (asks first unless --yes)");
    write
        ->add_option_function<std::string>(
            "--keep", [options](const std::string& text) { options->keep = ParseKeepList(text); },
            "list rows to keep, e.g. 1,2,5; all others are deleted")
        ->required();
    write->add_option_function<std::string>(
        "--items",
        [options](const std::string& text) {
            std::string unknown;
            if (!ParseItems(text, options->items, unknown))
                throw CLI::ValidationError("--items", "unknown item '" + unknown +
                                                          "' (time, room, emissivity, max, min or none)");
            options->itemsGiven = true;
        },
        "items every record holds from now on: time,room,emissivity,max,min or none "
        "(default: as the thermometer has them)");
    write->callback(
        [&run, options] { run = [options](CtlContext& ctx) { return RunWrite(ctx, *options); }; });
}
