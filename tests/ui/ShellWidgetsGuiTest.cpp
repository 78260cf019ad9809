// The shell's small widgets: numeric field, progress box, message boxes and the other calls of
// the Qt user interface, fonts, icons, pictures and the title page.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <QFontInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <cstring>

#include "GuiTestSupport.h"
#include "app/AppState.h"
#include "app/LangString.h"
#include "image/CJpegImage.h"
#include "image/CTitlePage.h"
#include "image/JpegImageWidget.h"
#include "support/FakeClock.h"
#include "support/TestSupport.h"
#include "ui/CAboutDlg.h"
#include "ui/CNumericEdit.h"
#include "ui/CProgressDlg.h"
#include "ui/ControlId.h"
#include "ui/Icons.h"
#include "ui/LangWidgets.h"

namespace {

// ---- numeric field, driven by typed keys ----

struct TypingCase {
    const char* name;
    int mode;
    double min;
    double max;
    const char* format;
    const char* typed;
    const char* shown;
};

class NumericEditTyping : public ::testing::TestWithParam<TypingCase> {};

TEST_P(NumericEditTyping, FieldShowsCleanedAndLimitedText)
{
    const TypingCase& c = GetParam();
    CNumericEdit edit;
    if (c.mode == 1)
        edit.SetIntRange(static_cast<int>(c.min), static_cast<int>(c.max));
    else
        edit.SetDoubleRange(c.min, c.max);
    edit.SetFormat(c.mode, c.format);
    edit.show();
    QTest::keyClicks(&edit, QString::fromLatin1(c.typed));
    EXPECT_EQ(edit.text().toStdString(), c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Shell, NumericEditTyping,
    ::testing::Values(TypingCase{"TwoThenFiveAboveTwentyGivesTwenty", 1, 1, 20, "%d", "25", "20"},
                      TypingCase{"LetterInEmptyFieldGivesTheMinimum", 1, 1, 20, "%d", "x", "1"},
                      TypingCase{"LeadingMinusStays", 1, -10, 10, "%d", "-5", "-5"},
                      TypingCase{"TrailingMinusDropped", 1, -10, 10, "%d", "5-", "5"},
                      TypingCase{"DecimalAboveMaximum", 2, -30.0, 600.0, "%.1f", "700", "600.0"},
                      TypingCase{"SecondPointDropped", 2, -30.0, 600.0, "%.1f", "1.2.3", "1.23"},
                      TypingCase{"LoneMinusLeftAlone", 2, -30.0, 600.0, "%.1f", "-", "-"},
                      TypingCase{"ZeroIsNeverPulled", 2, 0.3, 1.2, "%.2f", "0", "0"},
                      TypingCase{"BelowMinimumGivesTheMinimum", 2, 0.3, 1.2, "%.2f", "0.1", "0.30"},
                      TypingCase{"NoCheckingInOtherModes", 3, 1, 20, "%d", "a-b", "a-b"}),
    [](const ::testing::TestParamInfo<TypingCase>& param) { return std::string(param.param.name); });

TEST(NumericEdit, PastedTextIsCleanedInOneGo)
{
    CNumericEdit edit;
    edit.SetDoubleRange(-30.0, 600.0);
    edit.SetFormat(2, "%.1f");
    edit.setText(QStringLiteral("1.2.3"));
    EXPECT_EQ(edit.text(), QStringLiteral("1.23"));
}

TEST(NumericEdit, JapaneseSwitchesTheInputMethodOffOnFocusEnglishDoesNot)
{
    AppState app;
    for (int language : {0, 1}) {
        app.language = language;
        CNumericEdit edit;
        edit.SuppressImeOnFocus(app);
        ASSERT_TRUE(edit.testAttribute(Qt::WA_InputMethodEnabled));
        QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
        QApplication::sendEvent(&edit, &focus);
        EXPECT_EQ(edit.testAttribute(Qt::WA_InputMethodEnabled), language == 1) << language;
    }
}

TEST(LangWidgets, TooltipComesFromTheTableInTheCurrentLanguage)
{
    AppState app;
    QLabel label;
    app.language = 0;
    AddLangTool(&label, app, 167);
    EXPECT_EQ(label.toolTip(), QString::fromStdString(LoadTableString(167)));
    app.language = 1;
    AddLangTool(&label, app, 167);
    EXPECT_EQ(label.toolTip(), QString::fromStdString(LoadTableString(2167)));
    EXPECT_FALSE(label.toolTip().isEmpty());
}

// ---- progress box ----

TEST(ProgressDlg, PositionGrowsByExactlyOnePerStepAndResetStartsOver)
{
    FakeClock clock;
    CProgressDlg box(&clock);
    EXPECT_TRUE(box.isVisible());
    EXPECT_TRUE(box.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(box.size(), DialogUnits(DialogFont()).Size(203, 72));
    auto* bar = qobject_cast<QProgressBar*>(FindControl(&box, 1095));
    auto* message = qobject_cast<QLabel*>(FindControl(&box, 1094));
    ASSERT_NE(bar, nullptr);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(bar->value(), 0);

    box.SetRange(3);
    EXPECT_EQ(bar->maximum(), 3);
    const char* texts[] = {"reading", "reading", ""};
    for (int i = 0; i < 3; ++i) {
        box.Step(texts[i]);
        EXPECT_EQ(box.Position(), i + 1);
        EXPECT_EQ(bar->value(), i + 1);
        EXPECT_EQ(message->text(), QString::fromLatin1(texts[i]));
    }
    EXPECT_EQ(clock.sleeps, (std::vector<uint32_t>{1, 1, 1}));
    box.Reset();
    EXPECT_EQ(box.Position(), 0);
    EXPECT_EQ(bar->value(), 0);
    box.Step("again");
    EXPECT_EQ(bar->value(), 1);
}

TEST(ProgressDlg, CentredOnTheScreen)
{
    CProgressDlg box(nullptr);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_LE(std::abs(box.geometry().center().x() - screen.center().x()), 1);
    EXPECT_LE(std::abs(box.geometry().center().y() - screen.center().y()), 1);
}

// ---- the Qt user interface ----

TEST(QtUserInterface, BoxesCarryTheIconButtonsAndDefaultAskedFor)
{
    AppState app;
    QtUserInterface ui(app);
    ScriptedBoxes boxes;
    const struct {
        MsgIcon icon;
        QMessageBox::Icon qtIcon;
        MsgButtons buttons;
        QMessageBox::StandardButtons qtButtons;
        MsgAnswer defaultAnswer;
        QMessageBox::StandardButton qtDefault;
    } table[] = {
        {MsgIcon::Stop, QMessageBox::Critical, MsgButtons::RetryCancel,
         QMessageBox::Retry | QMessageBox::Cancel, MsgAnswer::Retry, QMessageBox::Retry},
        {MsgIcon::Exclamation, QMessageBox::Warning, MsgButtons::OkCancel,
         QMessageBox::Ok | QMessageBox::Cancel, MsgAnswer::Ok, QMessageBox::Ok},
        {MsgIcon::Question, QMessageBox::Question, MsgButtons::OkCancel,
         QMessageBox::Ok | QMessageBox::Cancel, MsgAnswer::Cancel, QMessageBox::Cancel},
        {MsgIcon::Information, QMessageBox::Information, MsgButtons::Ok, QMessageBox::Ok, MsgAnswer::Ok,
         QMessageBox::Ok},
        {MsgIcon::None, QMessageBox::NoIcon, MsgButtons::YesNoCancel,
         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, MsgAnswer::No, QMessageBox::No},
    };
    for (const auto& row : table) {
        boxes.answers = {MsgAnswer::Retry};
        EXPECT_EQ(ui.MessageBox("text <b>", "caption", row.icon, row.buttons, row.defaultAnswer),
                  MsgAnswer::Retry);
        const auto& shown = boxes.shown.back();
        EXPECT_EQ(shown.qtIcon, row.qtIcon);
        EXPECT_EQ(shown.qtButtons, row.qtButtons);
        EXPECT_EQ(shown.qtDefault, row.qtDefault);
        EXPECT_EQ(shown.call.text, "text <b>");
        EXPECT_EQ(shown.call.caption, "caption");
    }
}

TEST(QtUserInterface, WindowCallsWaitForTheMainWindowAndFollowItWhenAttached)
{
    AppState app;
    QtUserInterface ui(app);
    // Nothing attached yet: no crash, nothing to change.
    ui.SetStatusText("x");
    ui.EnableTabs(false);
    ui.SetMainTitle("t");
    ui.RedrawMainWindow();

    QWidget window;
    auto* status = new QLabel(&window);
    auto* tabs = new QWidget(&window);
    ui.AttachMainWindow(&window, status, tabs);
    ui.SetStatusText("状態");
    EXPECT_EQ(status->text(), QStringLiteral("状態"));
    ui.EnableTabs(false);
    EXPECT_FALSE(tabs->isEnabled());
    ui.EnableTabs(true);
    EXPECT_TRUE(tabs->isEnabled());
    ui.SetMainTitle("放射温度計");
    EXPECT_EQ(window.windowTitle(), QStringLiteral("放射温度計"));
    ui.DetachMainWindow();
    ui.SetStatusText("after");
    EXPECT_EQ(status->text(), QStringLiteral("状態"));
}

TEST(QtUserInterface, WaitCursorIsBalancedAndAnExtraOffTakesNoOtherCursor)
{
    AppState app;
    QtUserInterface ui(app);
    QApplication::setOverrideCursor(Qt::CrossCursor); // someone else's
    {
        WaitCursor outer(ui);
        WaitCursor inner(ui);
        EXPECT_EQ(ui.WaitCursorDepth(), 2);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(ui.WaitCursorDepth(), 0);
    ui.SetWaitCursor(false);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::CrossCursor);
    QApplication::restoreOverrideCursor();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(QtUserInterface, OpenProgressGivesABoxThatGoesWithItsOwner)
{
    AppState app;
    QtUserInterface ui(app);
    auto progress = ui.OpenProgress();
    ASSERT_NE(progress, nullptr);
    auto* box = dynamic_cast<CProgressDlg*>(progress.get());
    ASSERT_NE(box, nullptr);
    progress->SetRange(2);
    progress->Step("one");
    EXPECT_EQ(box->Position(), 1);
    QPointer<QWidget> watch = box;
    progress.reset();
    EXPECT_TRUE(watch.isNull());
}

// ---- fonts, dialog units, icons ----

TEST(Fonts, WindowsFontNamesResolveToInstalledFonts)
{
    // Both Windows fonts are proportional: the proportional IPA face keeps Latin text readable.
    EXPECT_EQ(QFontInfo(QFont(QStringLiteral("MS UI Gothic"), 9)).family(), QStringLiteral("IPAPGothic"));
    EXPECT_TRUE(QFontInfo(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 9)).family().startsWith("IPA"));
    EXPECT_EQ(QFontInfo(QFont(QStringLiteral("Tahoma"), 9)).family(), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(QFontInfo(QFont(QStringLiteral("Verdana"), 9)).family(), QStringLiteral("DejaVu Sans"));
}

TEST(DialogUnitsTest, UnitsRoundLikeWindowsMulDiv)
{
    const DialogUnits du(DialogFont());
    ASSERT_GT(du.BaseWidth(), 0);
    ASSERT_GT(du.BaseHeight(), 0);
    EXPECT_EQ(du.X(0), 0);
    EXPECT_EQ(du.X(4), du.BaseWidth());
    EXPECT_EQ(du.Y(8), du.BaseHeight());
    for (int units : {1, 2, 3, 5, 7, 203, 451}) {
        EXPECT_EQ(du.X(units), (units * du.BaseWidth() + 2) / 4) << units;
        EXPECT_EQ(du.Y(units), (units * du.BaseHeight() + 4) / 8) << units;
    }
    EXPECT_EQ(du.Rect(7, 7, 437, 300), QRect(du.X(7), du.Y(7), du.X(437), du.Y(300)));
}

TEST(IconsTest, EveryNamedIconIsDrawnAndTheEmptyOneIsBlank)
{
    for (const char* name : {"application", "record", "pause", "delete", "save", "timer", "read", "write"}) {
        const QIcon icon = Icons::ByName(QString::fromLatin1(name));
        ASSERT_FALSE(icon.isNull()) << name;
        const QImage image = icon.pixmap(32, 32).toImage();
        bool painted = false;
        for (int y = 0; y < image.height() && !painted; ++y)
            for (int x = 0; x < image.width() && !painted; ++x)
                painted = qAlpha(image.pixel(x, y)) > 0;
        EXPECT_TRUE(painted) << name;
    }
    const QImage empty = Icons::Empty().pixmap(32, 32).toImage();
    for (int y = 0; y < empty.height(); ++y)
        for (int x = 0; x < empty.width(); ++x)
            ASSERT_EQ(qAlpha(empty.pixel(x, y)), 0);
    EXPECT_TRUE(Icons::ByName(QStringLiteral("nothing")).isNull());
    const QColor recordCentre = Icons::Record().pixmap(32, 32).toImage().pixelColor(16, 16);
    EXPECT_GT(recordCentre.red(), 150);
    EXPECT_LT(recordCentre.green(), 80);
}

// ---- pictures and the title page ----

PixelRows TwoByTwo()
{
    // Top row: red, green. Bottom row: blue, white. BGR with 2 padding bytes per row.
    PixelRows p;
    p.width = 2;
    p.height = 2;
    p.channels = 3;
    p.bits = {0, 0, 255, 0, 255, 0, 0xEE, 0xEE, 255, 0, 0, 255, 255, 255, 0xEE, 0xEE};
    return p;
}

TEST(JpegImageWidget, PixelRowsBecomeAnImageWithTheFirstRowAtTheTop)
{
    const QImage image = PixelRowsToImage(TwoByTwo());
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixelColor(0, 0), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(1, 0), QColor(0, 255, 0));
    EXPECT_EQ(image.pixelColor(0, 1), QColor(0, 0, 255));
    EXPECT_EQ(image.pixelColor(1, 1), QColor(255, 255, 255));

    PixelRows grey = TwoByTwo();
    grey.channels = 1;
    EXPECT_TRUE(PixelRowsToImage(grey).isNull());
    PixelRows truncated = TwoByTwo();
    truncated.bits.resize(10);
    EXPECT_TRUE(PixelRowsToImage(truncated).isNull());
    EXPECT_TRUE(PixelRowsToImage(PixelRows{}).isNull());
}

TEST(JpegImageWidget, PaintStretchedFillsTheWholeWidget)
{
    CJpegImage picture;
    picture.pixels = TwoByTwo();
    QWidget widget;
    widget.resize(640, 400);
    QImage canvas(640, 400, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    PaintStretched(picture, widget, painter);
    painter.end();
    EXPECT_EQ(canvas.pixelColor(10, 10), QColor(255, 0, 0));
    EXPECT_EQ(canvas.pixelColor(629, 10), QColor(0, 255, 0));
    EXPECT_EQ(canvas.pixelColor(10, 389), QColor(0, 0, 255));
    EXPECT_EQ(canvas.pixelColor(629, 389), QColor(255, 255, 255));
}

class TitlePageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        app.exeDir = dir.Path();
        app.iniPath = dir.File("rm42meter.ini");
        app.ui = &ui;
    }
    TempDir dir;
    AppState app;
    QtUserInterface ui{app};
    ScriptedBoxes boxes;
};

TEST_F(TitlePageTest, MissingPictureGivesTheJapaneseStopBoxInEitherLanguage)
{
    WriteFileBytes(app.iniPath, "[System]\nTitleImageFile=none.jpg\n");
    for (int language : {0, 1}) {
        app.language = language;
        CTitlePage page(app);
        EXPECT_FALSE(page.Loaded());
        ASSERT_FALSE(boxes.shown.empty());
        const auto& shown = boxes.shown.back();
        EXPECT_EQ(shown.call.text, LoadTableString(152));
        EXPECT_EQ(shown.qtIcon, QMessageBox::Critical);
        EXPECT_EQ(shown.qtButtons, QMessageBox::Ok);
        EXPECT_EQ(page.windowTitle(), QString::fromStdString(LoadLangString(app, 165)));
    }
    EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST_F(TitlePageTest, PictureFillsTheCentredWindow)
{
    // Title.jpg by default: top half red, bottom half blue (bitmap rows are bottom-up).
    Bitmap24 bitmap;
    bitmap.width = 32;
    bitmap.height = 16;
    for (int row = 0; row < 16; ++row)
        for (int x = 0; x < 32; ++x) {
            const bool bottom = row < 8;
            bitmap.bottomUpRows.insert(bitmap.bottomUpRows.end(),
                                       {uint8_t(bottom ? 255 : 0), 0, uint8_t(bottom ? 0 : 255)});
        }
    ASSERT_TRUE(CJpegImage::SaveBitmapAsJpeg(dir.File("Title.jpg"), bitmap));
    WriteFileBytes(app.iniPath, "[System]\nLangage=0\n");

    CTitlePage page(app);
    EXPECT_TRUE(page.Loaded());
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(page.windowFlags() & Qt::FramelessWindowHint);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(page.geometry(), QRect((screen.width() - 640) / 2, (screen.height() - 400) / 2, 640, 400));
    const QImage shot = page.grab().toImage();
    ASSERT_EQ(shot.size(), QSize(640, 400));
    EXPECT_GT(shot.pixelColor(320, 20).red(), 200);
    EXPECT_LT(shot.pixelColor(320, 20).blue(), 60);
    EXPECT_GT(shot.pixelColor(320, 380).blue(), 200);
    EXPECT_LT(shot.pixelColor(320, 380).red(), 60);
}

// ---- about box ----

TEST(AboutDlg, ShowsTheNameTheIniLineAndTheIcon)
{
    TempDir dir;
    AppState app;
    app.iniPath = dir.File("rm42meter.ini");
    WriteFileBytes(app.iniPath, "[System]\nAboutDlgMsg=Version 1.0 test\n");
    app.language = 1;
    app.windowTitle = "ABC";
    CAboutDlg about(app, nullptr);
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Thermometer Application"));
    EXPECT_EQ(qobject_cast<QLabel*>(FindControl(&about, 1106))->text(), QStringLiteral("ABC"));
    EXPECT_EQ(qobject_cast<QLabel*>(FindControl(&about, 1105))->text(), QStringLiteral("Version 1.0 test"));
    EXPECT_NE(FindControl(&about, 1), nullptr);

    WriteFileBytes(app.iniPath, "[System]\n");
    app.language = 0;
    app.windowTitle.clear();
    CAboutDlg plain(app, nullptr);
    EXPECT_EQ(plain.windowTitle(), QString::fromStdString(LoadTableString(101)));
    EXPECT_TRUE(qobject_cast<QLabel*>(FindControl(&plain, 1105))->text().isEmpty());
    EXPECT_EQ(qobject_cast<QLabel*>(FindControl(&plain, 1106))->text(),
              QString::fromStdString(LoadTableString(165)));
}

} // namespace
