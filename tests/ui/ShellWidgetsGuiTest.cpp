// The shell's small widgets: numeric field, progress box and the title page.

#include "GuiTestSupport.h"
#include "image/CTitlePage.h"
#include "ui/CNumericEdit.h"
#include "ui/CProgressDlg.h"

// The cleaning itself is NumericFilterTest's; here only that keys and pasted text reach it.
TEST(NumericEdit, TypedAndPastedTextIsFiltered)
{
    CNumericEdit seconds;
    seconds.SetIntRange(1, 20);
    seconds.SetFormat(1, "%d");
    QTest::keyClicks(&seconds, QStringLiteral("25"));
    const QString typed = seconds.text();
    seconds.setText(QStringLiteral("1.5"));
    EXPECT_EQ(typed + " " + seconds.text(), QStringLiteral("20 15"));
}

// One step moves the bar by one and shows (and tells a screen reader) the step's text.
TEST(ProgressDlg, StepsCountFromResetAndTheTextIsShownAndRead)
{
    FakeClock clock;
    CProgressDlg box(&clock);
    auto* message = Control<QLabel>(&box, 1094);
    box.SetRange(3);
    QStringList seen;
    for (const char* text : {"reading", "reading", "", "again"}) {
        if (*text == 'a') box.Reset();
        box.Step(text);
        seen << QString::number(Control<QProgressBar>(&box, 1095)->value()) + message->text() +
                    QAccessible::queryAccessibleInterface(message)->text(QAccessible::Name);
    }
    EXPECT_EQ(seen, QStringList({"1readingreading", "2readingreading", "3", "1againagain"}));
    EXPECT_EQ(std::pair(box.isVisible(), clock.sleeps), std::pair(true, std::vector<uint32_t>{1, 1, 1, 1}));
}

// Without Title.jpg the stop box is Japanese whatever the language.
TEST(TitlePage, MissingPictureGivesTheJapaneseStopBoxInEitherLanguage)
{
    TempDir dir;
    AppState app;
    ScriptedBoxes boxes(app);
    app.exeDir = dir.Path(), app.ui = &boxes, app.language = 1;
    EXPECT_FALSE(CTitlePage(app).Loaded());
    EXPECT_EQ(std::pair(boxes.texts, boxes.looks.at(0).first),
              std::pair(std::vector<std::string>{"タイトル画像ファイルがありません"}, QMessageBox::Critical));
}
