#include "capture/RecordingWriters.h"
#include "CaptureSimRig.h"
#include "capture/RecordingSave.h"

#include "app/AppState.h"
#include "app/Cp932.h"
#include "image/CJpegImage.h"
#include "support/ChildProcess.h"
#include "support/FakeUserInterface.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Times with hours of one, two and three digits, readings below zero, above 600 degC and the
// largest count (read as -1), and a room temperature of exactly 0 degC.
const std::vector<CaptureSample> kSamples = {
    {2982, 2932, 5},      {2987, 2933, 5},        {2632, 2730, 863999},
    {9000, 3732, 863999}, {0xFFFF, 2732, 863999}, {2733, 2731, 863999},
    {3000, 3000, 12345},  {2982, 2932, 863999},   {2982, 2932, 5},
};

RecordingSaveData Recording(bool fahrenheit)
{
    RecordingSaveData rec;
    rec.samples = kSamples.data();
    rec.sampleCount = static_cast<int32_t>(kSamples.size());
    rec.recordStart = LocalTime(2005, 3, 1, 14, 2, 10);
    rec.tickCount = 4332355;
    rec.recordMax = 600.0;
    rec.recordMin = -30.0;
    rec.average = 30.5;
    rec.alarmHigh = 500.0;
    rec.alarmLow = 0.0;
    rec.emissivity = 0.95;
    rec.fahrenheit = fahrenheit;
    rec.typeName = "炉 1号";
    return rec;
}

std::string Csv(const RecordingSaveData& rec)
{
    std::ostringstream out;
    WriteRecordingCsv(out, rec);
    return out.str();
}

Bitmap24 Graph(int width, int height)
{
    Bitmap24 graph{width, height, {}};
    graph.bottomUpRows.assign(static_cast<std::size_t>((3 * width + 3) / 4 * 4 * height), 0xC0);
    return graph;
}

TEST(RecordingWritersTest, CsvInBothUnitsMatchesTheGoldenFiles)
{
    EXPECT_EQ(Csv(Recording(false)), ReadFileBytes(TestDataPath("recording_celsius.csv")));
    EXPECT_EQ(Csv(Recording(true)), ReadFileBytes(TestDataPath("recording_fahrenheit.csv")));

    RecordingSaveData empty = Recording(false);
    empty.sampleCount = 0;
    EXPECT_EQ(Csv(empty), "20050301_140210\r\n");
}

TEST(RecordingWritersTest, DefaultNameAndPictureName)
{
    AppState app;
    const std::time_t now = LocalTime(2005, 3, 1, 14, 2, 9);
    app.typeName = "RM42";
    EXPECT_EQ(DefaultRecordingName(app, now), "RM42-20050301_140209");
    app.typeName.clear();
    EXPECT_EQ(DefaultRecordingName(app, now), "機種名未登録-20050301_140209");
    app.language = 1;
    EXPECT_EQ(DefaultRecordingName(app, now), "No Type-Number entered-20050301_140209");

    EXPECT_EQ(RecordingPictureName("my data"), "my_data.jpg");
    EXPECT_EQ(RecordingPictureName("炉\u3000温度 記録\u3000"), "炉_温度_記録_.jpg");
    EXPECT_EQ(RecordingPictureName("plain"), "plain.jpg");
}

TEST(RecordingWritersTest, ReportLinesReplaceTheFirstPlaceholderAndEveryUnit)
{
    AppState app;
    RecordingSaveData rec = Recording(false);
    rec.pictureName = "g.jpg";
    const std::pair<int, bool> units[] = {{0, false}, {0, true}, {1, false}, {1, true}};
    const char* unitTexts[] = {"℃", "゜Ｆ", "°C", "°F"};
    for (int i = 0; i < 4; ++i) {
        app.language = units[i].first;
        rec.unitText = RecordingUnitText(app, units[i].second);
        EXPECT_EQ(rec.unitText, unitTexts[i]);
    }
    rec.unitText = "U";
    // Each placeholder's format is the golden report's; here what a line with several does.
    const std::pair<const char*, const char*> lines[] = {
        {"__MAX__ __MIN__", "600.0 __MIN__"},
        {"__MIN__ __MAX__", "__MIN__ 600.0"}, // the table's order, not the line's
        {"a__SUFIX__b__SUFIX__ __AVE__ __AVE__", "aUbU  30.5  30.5"},
        {"__GRAPH__ __HARDNAME__", "__GRAPH__ 炉 1号"},
        {"__EMISSIVITY__|__ALARMLO__", "__EMISSIVITY__|  0.0"},
        {"__MAX_ _MIN__ __SUFIX_", "__MAX_ _MIN__ __SUFIX_"},
        {"", ""},
    };
    for (const auto& [line, filled] : lines) {
        EXPECT_EQ(FillReportLine(Utf8ToCp932(line), rec), Utf8ToCp932(filled)) << line;
    }

    // A value that holds a placeholder is written as it is, not searched again.
    rec.typeName = "__HARDNAME__ __SUFIX__";
    EXPECT_EQ(FillReportLine("[__HARDNAME__]", rec), "[__HARDNAME__ __SUFIX__]");

    // Paused before the first sample: no maximum, minimum or average to show.
    rec.sampleCount = 0;
    rec.recordMax = -9999.0;
    rec.recordMin = 9999.0;
    EXPECT_EQ(FillReportLine("__MAX__", rec), "---");
    EXPECT_EQ(FillReportLine("__MIN__", rec), "---");
    EXPECT_EQ(FillReportLine("__AVE__ __SUFIX__", rec), "--- U");
    EXPECT_EQ(FillReportLine("__ALARMHI__", rec), "500.0");
}

TEST(RecordingWritersTest, SplitSavePathDropsTheTypedExtension)
{
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"/home/u/data.txt", "/home/u/", "data"},   {"/home/u/my data.csv.html", "/home/u/", "my data.csv"},
        {"/home/u.v/noext", "/home/u.v/", "noext"}, {"bare.csv", "", "bare"},
        {"/home/u/.csv", "/home/u/", ".csv"},
    };
    for (const auto& [path, folder, name] : cases) {
        const SaveTarget target = SplitSavePath(path);
        EXPECT_EQ(target.folder, folder) << path;
        EXPECT_EQ(target.baseName, name) << path;
    }
}

TEST(RecordingWritersTest, SaveDialogFiltersComeInPairs)
{
    using Filters = std::vector<std::string>;
    const std::pair<const char*, Filters> cases[] = {
        {"CSV形式(*.csv)|*.csv|レポートフォーム(*.html)|*.html||",
         {"CSV形式(*.csv)", "レポートフォーム(*.html)"}},
        {"CSV(*.csv)|*.csv|Report Form(*.html)|*.html||", {"CSV(*.csv)", "Report Form(*.html)"}},
        {"Text|*.txt", {"Text (*.txt)"}},
        {"A|*.a||B|*.b||", {"A (*.a)"}},
    };
    for (const auto& [text, filters] : cases) {
        EXPECT_EQ(SaveDialogFilters(text), filters) << text;
    }
}

class RecordingSaveTest : public testing::Test {
protected:
    RecordingSaveTest()
    {
        app.exeDir = exe.Path();
        app.ui = &ui;
    }
    void InstallTemplate(const std::string& name)
    {
        WriteFileBytes(exe.File(name), ReadFileBytes(TestDataPath("recording_template.html")));
    }
    bool Save(RecordingFormat format, const std::string& chosen, bool fahrenheit = false)
    {
        RecordingSaveData rec = Recording(fahrenheit);
        rec.unitText = RecordingUnitText(app, fahrenheit);
        return SaveRecordingFiles(app, format, SplitSavePath(chosen), rec, graph);
    }
    void ExpectOneFileError()
    {
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].text, "何らかの原因によりファイルを出力できませんでした");
        EXPECT_EQ(ui.boxes[0].caption, "放射温度計アプリケーション");
        EXPECT_EQ(ui.boxes[0].icon, MsgIcon::Exclamation);
    }

    TempDir exe;
    TempDir out;
    AppState app;
    FakeUserInterface ui;
    Bitmap24 graph = Graph(509, 364);
};

TEST_F(RecordingSaveTest, ReportWithASpaceInItsNameWritesTheGoldenPageAndThePicture)
{
    InstallTemplate("templete_1.html");
    ASSERT_TRUE(Save(RecordingFormat::Report, out.File("my data.txt"), true));
    EXPECT_EQ(ReadFileBytes(out.File("my data.html")),
              ReadFileBytes(TestDataPath("recording_report_fahrenheit.html")));
    CJpegImage picture;
    ASSERT_TRUE(picture.LoadJpeg(out.File("my_data.jpg")));
    EXPECT_EQ(picture.pixels.width, 509);
    EXPECT_EQ(picture.pixels.height, 364);
    EXPECT_TRUE(ui.boxes.empty());
}

// An edited template keeps what its editor wrote, on placeholder lines too: only values are converted.
TEST_F(RecordingSaveTest, TemplateBytesAreCopiedAsTheyAre)
{
    const std::string odd = "\x87\x90\xED\x40\x80\xA0\xFD\xFE\xFF";
    WriteFileBytes(exe.File("templete_1.html"), odd + "\n" + odd + "__SUFIX__\n");
    ASSERT_TRUE(Save(RecordingFormat::Report, out.File("odd.html")));
    EXPECT_EQ(ReadFileBytes(out.File("odd.html")), odd + "\r\n" + odd + "\x81\x8E\r\n");
}

TEST_F(RecordingSaveTest, UnwritableTargetsShowTheFileErrorOnce)
{
    InstallTemplate("templete_1.html");
    const std::string missingFolder = out.File("no/such/folder/");
    EXPECT_FALSE(Save(RecordingFormat::Csv, missingFolder + "a.csv"));
    ExpectOneFileError();
    ui.boxes.clear();
    EXPECT_FALSE(Save(RecordingFormat::Report, missingFolder + "a.html"));
    ExpectOneFileError();
    ui.boxes.clear();

    // A picture that cannot be written stops the report before its page.
    graph = Graph(0, 0);
    EXPECT_FALSE(Save(RecordingFormat::Report, out.File("b.html")));
    ExpectOneFileError();
    EXPECT_FALSE(std::filesystem::exists(out.File("b.html")));
    ui.boxes.clear();

    // A page whose name is taken by a folder: the folder stays as it was.
    graph = Graph(8, 8);
    std::filesystem::create_directory(out.File("c.html"));
    EXPECT_FALSE(Save(RecordingFormat::Report, out.File("c.txt")));
    ExpectOneFileError();
    EXPECT_TRUE(std::filesystem::is_directory(out.File("c.html")));
}

// The templates of the runnable folder: CP932 text with CR LF ends, nothing fetched from elsewhere,
// and every value of the recording ends up in the page.
TEST_F(RecordingSaveTest, ShippedTemplatesFillEveryPlaceholder)
{
    for (int language : {0, 1}) {
        app.language = language;
        app.exeDir = RunnableDir();
        const std::string bytes = ReadFileBytes(RecordingTemplatePath(app));
        ASSERT_FALSE(bytes.empty()) << RecordingTemplatePath(app);
        const std::string text = Cp932ToUtf8(bytes);
        EXPECT_EQ(text.find("\uFFFD"), std::string::npos) << "not CP932: " << RecordingTemplatePath(app);
        for (const char* foreign : {"http:", "https:", "<link", "<script", "url("}) {
            EXPECT_EQ(text.find(foreign), std::string::npos) << foreign;
        }

        ASSERT_TRUE(Save(RecordingFormat::Report, out.File("shipped.html"), language == 1));
        const std::string page = Cp932ToUtf8(ReadFileBytes(out.File("shipped.html")));
        EXPECT_EQ(page.find("__"), std::string::npos) << page;
        // Japanese in degC, English in degF.
        const std::vector<std::string> values =
            language == 0 ? std::vector<std::string>{"600.0", "-30.0", " 30.5", "500.0", "  0.0", "℃"}
                          : std::vector<std::string>{"1112.0", "-22.0", " 86.9", "932.0", " 32.0", "°F"};
        for (const std::string& value : values) {
            EXPECT_NE(page.find(value), std::string::npos) << value;
        }
        for (const char* value : {"炉 1号", "120:20:35.500", "<img src=shipped.jpg>", " 0.95"}) {
            EXPECT_NE(page.find(value), std::string::npos) << value;
        }
        EXPECT_FALSE(std::regex_search(page, std::regex("[^\r]\n"))) << "a bare LF";
        EXPECT_GT(std::count(page.begin(), page.end(), '\n'), 20);
    }
}

} // namespace
