// The shell's small widgets: numeric field, progress box, message boxes and the other calls of
// the Qt user interface, fonts and the title page.

#include <QFocusEvent>
#include <QMouseEvent>
#include <QProgressBar>
#include <QScreen>

#include <filesystem>
#include <tuple>

#include "GuiTestSupport.h"
#include "image/CTitlePage.h"
#include "support/FakeClock.h"
#include "ui/CNumericEdit.h"
#include "ui/CProgressDlg.h"

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
    }
}

// One step moves the bar by one and shows (and tells a screen reader) the step's text; a click
// posted during a step does not reach the page below, the same click afterwards does.
TEST(ProgressDlg, StepsCountFromResetAndSwallowClicksMeantForThePage)
{
    QPushButton button(QStringLiteral("Read"));
    button.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
    QSignalSpy clicks(&button, &QPushButton::clicked);
    const auto postClick = [&button] {
        for (auto [type, buttons] : {std::pair{QEvent::MouseButtonPress, Qt::LeftButton},
                                     {QEvent::MouseButtonRelease, Qt::NoButton}})
            QCoreApplication::postEvent(&button, new QMouseEvent(type, QPointF(5, 5),
                                                                 button.mapToGlobal(QPointF(5, 5)),
                                                                 Qt::LeftButton, buttons, {}));
    };
    FakeClock clock;
    auto box = std::make_unique<CProgressDlg>(&clock);
    auto* message = Control<QLabel>(box.get(), 1094);
    box->SetRange(3);
    postClick();
    QStringList seen;
    for (const char* text : {"reading", "reading", "", "again"}) {
        if (*text == 'a') box->Reset();
        box->Step(text);
        seen << QString::number(Control<QProgressBar>(box.get(), 1095)->value()) + message->text() +
                    QAccessible::queryAccessibleInterface(message)->text(QAccessible::Name);
    }
    EXPECT_EQ(seen, QStringList({"1readingreading", "2readingreading", "3", "1againagain"}));
    EXPECT_EQ(clock.sleeps, (std::vector<uint32_t>{1, 1, 1, 1}));
    EXPECT_EQ(clicks.count(), 0);
    box.reset();
    postClick();
    QCoreApplication::processEvents();
    EXPECT_EQ(clicks.count(), 1);
}

TEST(QtUserInterface, BoxesCarryTheIconButtonsAndDefaultAskedFor)
{
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
    for (const auto& [icon, qtIcon, buttons, qtButtons, answer, qtDefault] : table) {
        const auto box = MakeMessageBox("text <b>", "caption", icon, buttons, answer, nullptr);
        EXPECT_EQ(std::tuple(box->icon(), box->standardButtons(), box->standardButton(box->defaultButton()),
                             box->text(), box->textFormat()),
                  std::tuple(qtIcon, qtButtons, qtDefault, QStringLiteral("text <b>"), Qt::PlainText));
    }
}

// Without Title.jpg the stop box is Japanese in either language; with it the window is centred.
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
        EXPECT_EQ(std::pair(boxes.shown.back().call.text, boxes.shown.back().qtIcon),
                  std::pair(std::string("タイトル画像ファイルがありません"), QMessageBox::Critical));
    }
    std::filesystem::copy_file(TestDataPath("../../src/resources/Title.jpg"), dir.File("Title.jpg"));
    CTitlePage page(app);
    EXPECT_TRUE(page.Loaded());
    EXPECT_EQ(boxes.shown.size(), 2u);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(page.geometry(), QRect((screen.width() - 640) / 2, (screen.height() - 400) / 2, 640, 400));
}

} // namespace
