#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "app/Cp932.h"
#include "support/ChildProcess.h"
#include "support/ScriptedSerialPort.h"
#include "teaching/EmissivityList.h"

namespace {

using Texts = std::vector<std::string>;

// Rows in the list's order: "name|value", and "|red" when marked.
Texts Rows(std::vector<EmissivityEntry> entries)
{
    std::stable_sort(entries.begin(), entries.end(), CompareEntries);
    Texts rows;
    for (const EmissivityEntry& e : entries)
        rows.push_back(Cp932ToUtf8(e.name) + "|" + EmissivityRowValueText(e) +
                       (IsMarkedEntry(e) ? "|red" : ""));
    return rows;
}

TEST(EmissivityList, ParsesSortsAndMarksTheRowsKeepingFiftyEntriesAndNamesOfAtMost55Bytes)
{
    // clang-format off
    const std::tuple<const char*, std::string, std::vector<std::string>> cases[] = {
        {"three lines", "Black body,1.00\nAluminium (polished),0.05\nWater,0.96\n", {"Black body|1.00", "Water|0.96", "Aluminium (polished)|0.05|red"}},
        {"equal values by name", "Wood,0.90\r\nCloth,0.90\r\nBrick,0.93\r\n", {"Brick|0.93", "Cloth|0.90", "Wood|0.90"}},
        {"blank line is an empty last row", "Water,0.96\n\nIce,0.97\n", {"Ice|0.97", "Water|0.96", "|0.00"}},
        {"first comma only, trailing text ignored", "Paint, black,0.97\nGlass,0.92xyz\nTar,none\n", {"Glass|0.92", "Paint|0.00|red", "Tar|0.00|red"}},
        {"no comma, no final line end", "Water,0.96\nno comma here\nIce,0.97", {"Ice|0.97", "Water|0.96", "|0.00"}},
        {"limits are not marked, beyond them are", "A,0.30\nB,1.20\nC,0.29\nD,1.21\nE,nan\n", {"D|1.21|red", "B|1.20", "A|0.30", "C|0.29|red", "E|0.00|red"}},
        {"empty file", "", {}},
        // CP932 orders kanji by reading, Unicode by radical: 金 (8B E0, U+91D1) comes before
        // 水 (90 85, U+6C34) and 氷 (95 58, U+6C37) only in the code page's order.
        {"kanji in code page order", Utf8ToCp932("氷,0.95\r\n水,0.95\r\n金,0.95\r\nSand,0.95\r\n"), {"Sand|0.95", "金|0.95", "水|0.95", "氷|0.95"}}};
    // clang-format on
    for (const auto& [name, file, rows] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Rows(ParseEmissivityList(file)), rows);
    }
    // The number and the name are padded to line up under their column captions.
    EXPECT_EQ(EmissivityRowNumberText(0) + "|" + EmissivityRowNameText({Utf8ToCp932("水"), 0.9}),
              "  1|           水");
    // 28 two-byte characters are 56 bytes: the 28th does not fit whole; 1 + 27 * 2 = 55 fits exactly.
    std::string kanji;
    for (int i = 0; i < 28; ++i)
        kanji += "水";
    std::string file =
        std::string(60, 'x') + ",0.9\n" + Utf8ToCp932(kanji) + ",0.9\n" + Utf8ToCp932("a" + kanji) + ",0.9\n";
    for (int i = 3; i < 60; ++i)
        file += "M" + std::to_string(100 + i) + "," + std::to_string(i < 50 ? 0.9 : 1.0) + "\n";
    const std::vector<EmissivityEntry> e = ParseEmissivityList(file);
    ASSERT_EQ(e.size(), 50u);
    EXPECT_EQ(
        std::tuple(e[0].name, Cp932ToUtf8(e[1].name), Cp932ToUtf8(e[2].name), e.back().name),
        std::tuple(std::string(55, 'x'), kanji.substr(0, 27 * 3), "a" + kanji.substr(0, 27 * 3), "M149"));
}

TEST(EmissivityList, LoadsTheFileOfTheLanguageReportsAMissingOneAndTheSuppliedListsAreUsable)
{
    LineRig rig;
    EXPECT_EQ(EmissivityListPath(rig.app), rig.dir.File("emissivity_list.csv"));
    rig.app.language = 1;
    const std::string english = rig.dir.File("emissivity_list(ENG).csv");
    ASSERT_EQ(EmissivityListPath(rig.app), english);
    // Missing, and a folder in its place: no list either, and the old one is gone.
    std::vector<EmissivityEntry> entries{{"old", 0.5}};
    for (const std::string& path : {english, rig.dir.Path()}) {
        const bool loaded = LoadEmissivityList(rig.app, path, entries);
        EXPECT_EQ(std::pair(loaded, entries.size()), std::pair(false, 0ul));
        const MessageBoxCall box = rig.ui.boxes.empty() ? MessageBoxCall{} : rig.ui.boxes.back();
        EXPECT_EQ(std::tuple(box.text, box.caption, box.icon),
                  std::tuple("Could not read the file " + path, rig.Text(165), MsgIcon::Exclamation));
    }
    WriteFileBytes(english, "Water,0.96\r\nBlack body,1.00\r\n");
    EXPECT_TRUE(LoadEmissivityList(rig.app, english, entries));
    EXPECT_EQ(
        std::pair(entries.size() == 2 ? entries[0].name + " " + entries[1].name : "", rig.ui.boxes.size()),
        std::pair(std::string("Black body Water"), std::size_t{2})); // in list order

    // The lists shipped with the program.
    for (const char* name : {"emissivity_list.csv", "emissivity_list(ENG).csv"}) {
        const std::string bytes = ReadFileBytes(RunnableDir() + name);
        // Every line is an entry named in CP932: nothing beyond the capacity, no stray blank line.
        std::size_t usable = 0;
        for (const EmissivityEntry& e : ParseEmissivityList(bytes))
            usable += !e.name.empty() && e.value > 0.0 && e.value <= 1.0 &&
                      Cp932ToUtf8(e.name).find("\xEF\xBF\xBD") == std::string::npos;
        const auto lines = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
        EXPECT_TRUE(usable == lines && lines >= 35u && lines <= kEmissivityCapacity) << name;
    }
}

} // namespace
