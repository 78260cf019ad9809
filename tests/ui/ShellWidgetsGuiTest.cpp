// The shell's small widgets: the numeric field and the title page.

#include "GuiTestSupport.h"
#include "image/CTitlePage.h"
#include "ui/CNumericEdit.h"

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
