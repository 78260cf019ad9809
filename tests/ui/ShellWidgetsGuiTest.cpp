// The shell's small widgets: numeric field, progress box, message boxes and the other calls of
// the Qt user interface, fonts and the title page.

#include <QFocusEvent>
#include <QFontInfo>
#include <QMouseEvent>
#include <QProgressBar>
#include <QScreen>

#include <tuple>

#include "GuiTestSupport.h"
#include "image/CJpegImage.h"
#include "image/CTitlePage.h"
#include "support/FakeClock.h"
#include "ui/CNumericEdit.h"
#include "ui/CProgressDlg.h"
#include "ui/LangWidgets.h"

namespace {

// The cleaning itself is NumericFilterTest's; here only that keys and pasted text reach it, and
// that a Japanese field switches the input method off on focus (an English one does not).
TEST(NumericEdit, TypedAndPastedTextIsFilteredAndJapaneseFocusSwitchesTheInputMethodOff)
{
    CNumericEdit seconds, temperature;
    seconds.SetIntRange(1, 20);
    seconds.SetFormat(1, "%d");
    QTest::keyClicks(&seconds, QStringLiteral("25"));
    temperature.SetDoubleRange(-30.0, 600.0);
    temperature.SetFormat(2, "%.1f");
    temperature.setText(QStringLiteral("1.2.3"));
    EXPECT_EQ(seconds.text() + " " + temperature.text(), QStringLiteral("20 1.23"));
    AppState app;
    for (int language : {0, 1}) {
        app.language = language;
        CNumericEdit edit;
        edit.SuppressImeOnFocus(app);
        QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
        QApplication::sendEvent(&edit, &focus);
        EXPECT_EQ(edit.testAttribute(Qt::WA_InputMethodEnabled), language == 1) << language;
        QLabel label;
        AddLangTool(&label, app, 167);
        EXPECT_EQ(label.toolTip(), language ? "Enter Type-Number of Connected Thermometer"
                                            : QStringLiteral("接続している放射温度計の機種名を入力します"));
    }
}

// One step moves the bar by one and shows (and tells a screen reader) the step's text; a click
// posted during a step does not reach the page below, the same click afterwards does.
TEST(ProgressDlg, StepsCountFromResetAndSwallowClicksMeantForThePage)
{
    QWidget page;
    auto* button = new QPushButton(QStringLiteral("Read"), &page);
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    QSignalSpy clicks(button, &QPushButton::clicked);
    const auto postClick = [button] {
        const QPointF at = QRectF(button->rect()).center();
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
            QCoreApplication::postEvent(
                button, new QMouseEvent(type, at, button->mapToGlobal(at), Qt::LeftButton,
                                        type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                        Qt::NoModifier));
    };
    {
        FakeClock clock;
        CProgressDlg box(&clock);
        EXPECT_TRUE(box.isVisible());
        auto* bar = Control<QProgressBar>(&box, 1095);
        auto* message = Control<QLabel>(&box, 1094);
        box.SetRange(3);
        postClick();
        std::vector<QString> seen;
        for (const char* text : {"reading", "reading", ""}) {
            box.Step(text);
            seen.push_back(QString::number(bar->value()) + message->text() +
                           QAccessible::queryAccessibleInterface(message)->text(QAccessible::Name));
        }
        EXPECT_EQ(seen, (std::vector<QString>{"1readingreading", "2readingreading", "3"}));
        EXPECT_EQ(clock.sleeps, (std::vector<uint32_t>{1, 1, 1}));
        box.Reset();
        box.Step("again");
        EXPECT_EQ(bar->value(), 1);
        EXPECT_EQ(clicks.count(), 0);
    }
    postClick();
    QCoreApplication::processEvents();
    EXPECT_EQ(clicks.count(), 1);
}

TEST(QtUserInterface, BoxesCarryTheIconButtonsAndDefaultAskedFor)
{
    AppState app;
    ScriptedBoxes boxes(app);
    QtUserInterface& ui = boxes;
    using Q = QMessageBox;
    using B = MsgButtons;
    const std::tuple<MsgIcon, Q::Icon, MsgButtons, Q::StandardButtons, MsgAnswer, Q::StandardButton> table[] =
        {
            {MsgIcon::Stop, Q::Critical, B::RetryCancel, Q::Retry | Q::Cancel, MsgAnswer::Retry, Q::Retry},
            {MsgIcon::Exclamation, Q::Warning, B::OkCancel, Q::Ok | Q::Cancel, MsgAnswer::Ok, Q::Ok},
            {MsgIcon::Question, Q::Question, B::OkCancel, Q::Ok | Q::Cancel, MsgAnswer::Cancel, Q::Cancel},
            {MsgIcon::Information, Q::Information, B::Ok, Q::Ok, MsgAnswer::Ok, Q::Ok},
            {MsgIcon::None, Q::NoIcon, B::YesNoCancel, Q::Yes | Q::No | Q::Cancel, MsgAnswer::No, Q::No},
        };
    for (const auto& [icon, qtIcon, buttons, qtButtons, defaultAnswer, qtDefault] : table) {
        boxes.answers = {MsgAnswer::Retry};
        EXPECT_EQ(ui.MessageBox("text <b>", "caption", icon, buttons, defaultAnswer), MsgAnswer::Retry);
        const auto& shown = boxes.shown.back();
        EXPECT_EQ(std::tie(shown.qtIcon, shown.qtButtons, shown.qtDefault, shown.call.text),
                  std::tie(qtIcon, qtButtons, qtDefault, "text <b>"));
    }
}

TEST(QtUserInterface, WaitCursorsNestAndAnExtraOffTakesNoOtherCursor)
{
    AppState app;
    QtUserInterface ui(app);
    QApplication::setOverrideCursor(Qt::CrossCursor); // someone else's
    {
        WaitCursor outer(ui);
        WaitCursor inner(ui);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    ui.SetWaitCursor(false);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::CrossCursor);
    QApplication::restoreOverrideCursor();
}

TEST(Fonts, WindowsFontNamesResolveToInstalledFontsAndDialogUnitsRoundLikeMulDiv)
{
    for (const auto& [windows, installed] :
         {std::pair{"MS UI Gothic", "IPAPGothic"}, {"Tahoma", "DejaVu Sans"}})
        EXPECT_EQ(QFontInfo(QFont(QString::fromLatin1(windows), 9)).family(), QString::fromLatin1(installed));
    const DialogUnits font(DialogFont());
    EXPECT_TRUE(font.BaseWidth() > 0 && font.BaseHeight() > 0);
    // Base units 6 x 13 pixels, worked by hand: a unit is 1.5 by 1.625 pixels, halves round up,
    // negative halves down.
    const DialogUnits du(6, 13);
    const std::tuple<int, int, int> units[] = {{0, 0, 0}, {1, 2, 2},    {3, 5, 5},
                                               {4, 6, 7}, {-3, -5, -5}, {451, 677, 733}};
    for (const auto& [n, x, y] : units)
        EXPECT_EQ(std::pair(du.X(n), du.Y(n)), std::pair(x, y)) << n;
    EXPECT_EQ(du.Rect(7, 7, 437, 300), QRect(11, 11, 656, 488));
}

TEST(TitlePage, MissingPictureGivesTheJapaneseStopBoxInEitherLanguageAPictureFillsTheCentredWindow)
{
    TempDir dir;
    AppState app;
    ScriptedBoxes boxes(app);
    app.exeDir = dir.Path();
    app.ui = &boxes;
    for (int language : {0, 1}) {
        app.language = language;
        EXPECT_FALSE(CTitlePage(app).Loaded());
        ASSERT_EQ(boxes.shown.size(), static_cast<size_t>(language + 1));
        EXPECT_EQ(std::pair(boxes.shown.back().call.text, boxes.shown.back().qtIcon),
                  std::pair(std::string("タイトル画像ファイルがありません"), QMessageBox::Critical));
    }
    // Title.jpg: top half red, bottom half blue (bitmap rows are bottom-up, blue-green-red).
    Bitmap24 bitmap{.width = 32, .height = 16, .bottomUpRows = {}};
    for (int i = 0; i < 32 * 16; ++i)
        bitmap.bottomUpRows.insert(bitmap.bottomUpRows.end(),
                                   {uint8_t(i < 256 ? 255 : 0), 0, uint8_t(i < 256 ? 0 : 255)});
    ASSERT_TRUE(CJpegImage::SaveBitmapAsJpeg(dir.File("Title.jpg"), bitmap));
    CTitlePage page(app);
    EXPECT_TRUE(page.Loaded());
    EXPECT_EQ(boxes.shown.size(), 2u);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(page.geometry(), QRect((screen.width() - 640) / 2, (screen.height() - 400) / 2, 640, 400));
    const QImage shot = page.grab().toImage();
    EXPECT_GT(shot.pixelColor(320, 20).red() - shot.pixelColor(320, 20).blue(), 150);
    EXPECT_GT(shot.pixelColor(320, 380).blue() - shot.pixelColor(320, 380).red(), 150);
}

} // namespace
