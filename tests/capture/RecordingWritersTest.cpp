#include "capture/RecordingWriters.h"
#include "CaptureSimRig.h"
#include "app/Cp932.h"
#include "capture/RecordingSave.h"
#include "image/CJpegImage.h"
#include "support/ChildProcess.h"

#include <filesystem>
#include <regex>

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
    const std::time_t start = LocalTime(2005, 3, 1, 14, 2, 10);
    return {kSamples.data(), 9,   start, 4332355,    600.0,    -30.0, 30.5,
            500.0,           0.0, 0.95,  fahrenheit, "炉 1号", "",    ""};
}

std::string Csv(const RecordingSaveData& rec)
{
    std::ostringstream out;
    WriteRecordingCsv(out, rec);
    return out.str();
}

Bitmap24 Graph(int width, int height)
{
    return {width, height,
            std::vector<uint8_t>(static_cast<std::size_t>((3 * width + 3) / 4 * 4 * height), 0xC0)};
}

TEST(RecordingWritersTest, CsvInBothUnitsMatchesTheGoldenFiles)
{
    RecordingSaveData empty = Recording(false);
    empty.sampleCount = 0;
    EXPECT_EQ(std::tuple(Csv(Recording(false)), Csv(Recording(true)), Csv(empty)),
              std::tuple(ReadFileBytes(TestDataPath("recording_celsius.csv")),
                         ReadFileBytes(TestDataPath("recording_fahrenheit.csv")), "20050301_140210\r\n"));
}

TEST(RecordingWritersTest, DefaultAndPictureNamesSplitSavePathsAndDialogFiltersComeInPairs)
{
    AppState app;
    std::string names;
    for (const auto& [type, language] : {std::pair("RM42", 0), {"", 0}, {"", 1}}) {
        std::tie(app.typeName, app.language) = std::tuple(type, language);
        names += DefaultRecordingName(app, LocalTime(2005, 3, 1, 14, 2, 9)) + "|";
    }
    names += RecordingPictureName("my data") + "|" + RecordingPictureName("炉\u3000温度 記録\u3000") + "|";
    for (const char* path :
         {"/home/u/data.txt", "/home/u/my data.csv.html", "/home/u.v/noext", "bare.csv", "/u/.csv"})
        names += SplitSavePath(path).folder + "|" + SplitSavePath(path).baseName + " ";
    for (const char* text :
         {"CSV形式(*.csv)|*.csv|レポートフォーム(*.html)|*.html||", "Text|*.txt", "A|*.a||B|*.b||"})
        for (const std::string& filter : SaveDialogFilters(text))
            names += filter + "; ";
    EXPECT_EQ(
        names,
        "RM42-20050301_140209|機種名未登録-20050301_140209|No Type-Number entered-20050301_140209|"
        "my_data.jpg|炉_温度_記録_.jpg|/home/u/|data /home/u/|my data.csv /home/u.v/|noext |bare /u/|.csv "
        "CSV形式(*.csv); レポートフォーム(*.html); Text (*.txt); A (*.a); ");
}

TEST(RecordingWritersTest, ReportLinesReplaceTheFirstPlaceholderAndEverySuffix)
{
    RecordingSaveData rec = Recording(false);
    rec.unitText = "U";
    // Each placeholder's format is the golden report's; here what a line with several does.
    for (const auto& row : DataRows("capture/report_lines.txt", '\t'))
        EXPECT_EQ(FillReportLine(Utf8ToCp932(row[0]), rec), Utf8ToCp932(row[1])) << row[0];
    EXPECT_EQ(FillReportLine("", rec), "");

    // A value that holds a placeholder is written as it is, not searched again.
    rec.typeName = "__HARDNAME__ __SUFIX__";
    EXPECT_EQ(FillReportLine("[__HARDNAME__]", rec), "[__HARDNAME__ __SUFIX__]");

    // Paused before the first sample: no maximum, minimum or average to show.
    std::tie(rec.sampleCount, rec.recordMax, rec.recordMin) = std::tuple(0, -9999.0, 9999.0);
    EXPECT_EQ(FillReportLine("__MAX__|", rec) + FillReportLine("__MIN__|", rec) +
                  FillReportLine("__AVE__ __SUFIX__|", rec) + FillReportLine("__ALARMHI__", rec),
              "---|---|--- U|500.0");
}

class RecordingSaveTest : public testing::Test {
protected:
    RecordingSaveTest()
    {
        app.exeDir = exe.Path(), app.ui = &ui;
        WriteFileBytes(exe.File("templete_1.html"), ReadFileBytes(TestDataPath("recording_template.html")));
    }
    bool Save(RecordingFormat format, const std::string& chosen, bool fahrenheit = false)
    {
        RecordingSaveData rec = Recording(fahrenheit);
        rec.unitText = RecordingUnitText(app, fahrenheit);
        return SaveRecordingFiles(app, format, SplitSavePath(chosen), rec, graph);
    }

    TempDir exe;
    TempDir out;
    AppState app;
    FakeUserInterface ui;
    Bitmap24 graph = Graph(509, 364);
};

// An edited template keeps what its editor wrote, on placeholder lines too: only values are converted.
TEST_F(RecordingSaveTest, ReportWithASpaceInItsNameWritesTheGoldenPageAndThePictureAndTemplateBytesAsTheyAre)
{
    ASSERT_TRUE(Save(RecordingFormat::Report, out.File("my data.txt"), true));
    CJpegImage picture;
    EXPECT_TRUE(picture.LoadJpeg(out.File("my_data.jpg")));
    EXPECT_EQ(std::tuple(ReadFileBytes(out.File("my data.html")), picture.pixels.width, picture.pixels.height,
                         ui.boxes.size()),
              std::tuple(ReadFileBytes(TestDataPath("recording_report_fahrenheit.html")), 509, 364, 0u));
    const std::string odd = "\x87\x90\xED\x40\x80\xA0\xFD\xFE\xFF";
    WriteFileBytes(exe.File("templete_1.html"), odd + "\n" + odd + "__SUFIX__\n");
    ASSERT_TRUE(Save(RecordingFormat::Report, out.File("odd.html")));
    EXPECT_EQ(ReadFileBytes(out.File("odd.html")), odd + "\r\n" + odd + "\x81\x8E\r\n");
}

TEST_F(RecordingSaveTest, UnwritableTargetsShowTheFileErrorOnceAndLeaveNoPage)
{
    std::filesystem::create_directory(out.File("c.html")); // a page whose name is taken by a folder
    // The format, the name chosen, the graph's size (0: a picture that cannot be written stops the
    // report before its page).
    const std::tuple<RecordingFormat, std::string, int> rows[] = {
        {RecordingFormat::Csv, "no/such/folder/a.csv", 8},
        {RecordingFormat::Report, "no/such/folder/a.html", 8},
        {RecordingFormat::Report, "b.html", 0},
        {RecordingFormat::Report, "c.txt", 8}};
    for (const auto& [format, chosen, size] : rows) {
        ui.boxes.clear(), graph = Graph(size, size);
        EXPECT_FALSE(Save(format, out.File(chosen))) << chosen;
        EXPECT_EQ(std::pair(ui.BoxTexts(), ui.boxes.back().icon),
                  std::pair(std::vector<std::string>{"何らかの原因によりファイルを出力できませんでした"},
                            MsgIcon::Exclamation));
    }
    EXPECT_TRUE(!std::filesystem::exists(out.File("b.html")) &&
                std::filesystem::is_directory(out.File("c.html")));
}

// The templates of the runnable folder: CP932 text with CR LF ends, nothing fetched from elsewhere,
// and every placeholder filled.
TEST_F(RecordingSaveTest, ShippedTemplatesFillEveryPlaceholder)
{
    app.exeDir = RunnableDir();
    for (app.language = 0; app.language < 2; ++app.language) {
        // English in degF. Nothing fetched from elsewhere or left unfilled, the unit, no bare LF.
        ASSERT_TRUE(Save(RecordingFormat::Report, out.File("shipped.html"), app.language == 1));
        const std::string page = Cp932ToUtf8(ReadFileBytes(out.File("shipped.html")));
        EXPECT_TRUE(
            !std::regex_search(page, std::regex("\uFFFD|http:|https:|<link|<script|url\\(|__|[^\r]\n")) &&
            page.find(app.language == 0 ? "℃" : "°F") != std::string::npos)
            << page;
    }
}

} // namespace
