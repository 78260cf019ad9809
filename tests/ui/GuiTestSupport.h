#pragma once

// Shared by the GUI tests: the QApplication they all need, the Qt user interface with scripted
// answers to its message boxes, a helper that closes a modal dialog once it is up, and the ways a
// person drives a control besides the mouse (keyboard, assistive technology).

#include <gtest/gtest.h>

#include <QtTest>
#include <QtWidgets>

#include <deque>

#include "SimThermometer.h"
#include "app/AppState.h"
#include "shell/QtUserInterface.h"
#include "support/FakeClock.h"
#include "support/TestSupport.h"
#include "ui/ControlId.h"
#include "ui/DialogUnits.h"

// A failed comparison of texts shows the texts, not their bytes.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

// The control with the given id, as the type it is expected to be.
template <class W> W* Control(QWidget* parent, int id)
{
    return qobject_cast<W*>(FindControl(parent, id));
}

// One QApplication for the whole test program, made before the first test runs.
class QtApplicationEnvironment : public ::testing::Environment {
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "rm42-gui-test", *argv[] = {name, nullptr};
        application_ = std::make_unique<QApplication>(argc, argv);
        InstallFontSubstitutions();
    }
    void TearDown() override { application_.reset(); }
    std::unique_ptr<QApplication> application_;
};

inline ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

// The Qt user interface with a scripted person in front of it: every box is built as it would
// be shown and recorded, then answered from the script instead of being run; once the script is
// used up each box gets its default button. Everything else is the real QtUserInterface.
class ScriptedBoxes : public QtUserInterface {
public:
    explicit ScriptedBoxes(AppState& app) : QtUserInterface(app) {}

    MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                         MsgButtons buttons, MsgAnswer defaultAnswer) override
    {
        const auto box = MakeMessageBox(text, caption, icon, buttons, defaultAnswer, MainWindow());
        texts.push_back(text);
        looks.emplace_back(box->icon(), box->standardButton(box->defaultButton()));
        const MsgAnswer answer = answers.empty() ? defaultAnswer : answers.front();
        if (!answers.empty()) answers.pop_front();
        return answer;
    }

    std::deque<MsgAnswer> answers;
    std::vector<std::string> texts;                                               // of the boxes shown
    std::vector<std::pair<QMessageBox::Icon, QMessageBox::StandardButton>> looks; // icon, default button
};

// Ends the next modal dialog with the given object name as soon as it is running: accept
// (OK) or reject (Cancel). before runs on the dialog first, for example to pick an entry.
inline void EndModalWhenShown(const QString& objectName, bool acceptIt,
                              std::function<void(QDialog&)> before = {})
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, objectName, acceptIt, before] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || dialog->objectName() != objectName) return;
        timer->stop();
        timer->deleteLater();
        if (before) before(*dialog);
        acceptIt ? dialog->accept() : dialog->reject();
    });
    timer->start(0);
}

// Answers the next file dialog with that object name: picks the filter and the path, and keeps
// the path the dialog proposed in offered.
inline void AnswerFileDialog(const QString& objectName, int filter, const std::string& path, QString* offered)
{
    EndModalWhenShown(objectName, true, [=](QDialog& dialog) {
        auto& files = static_cast<QFileDialog&>(dialog);
        *offered = files.selectedFiles().value(0);
        files.selectNameFilter(files.nameFilters().value(filter));
        files.selectFile(QString::fromStdString(path));
    });
}

// Runs an action of the control's accessibility interface, as a screen reader or a test driver
// on the accessibility bus does: toggleAction() changes a check box or radio button without a
// click; pressAction() clicks a push button after a short animation, which this waits for.
inline void AccessibleAction(QWidget* widget, const QString& actionName)
{
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    QAccessibleActionInterface* actions = accessible ? accessible->actionInterface() : nullptr;
    ASSERT_TRUE(actions && actions->actionNames().contains(actionName)) << actionName.toStdString();
    QSignalSpy clicked(widget, SIGNAL(clicked(bool)));
    actions->doAction(actionName);
    const bool press = actionName == QAccessibleActionInterface::pressAction();
    EXPECT_TRUE(!press || clicked.wait(2000));
}

// One row of a page's control table (id, backId, changed): toggling control id changes the page's state
// (changed() turns true); toggling backId (the same box, or the other radio button) changes it back.
using ToggleRow = std::tuple<int, int, std::function<bool()>>;

// Drives every row by space key (a mouse click sends the same signals) and accessible toggle, and checks that
// the page's state follows the control each time (a checked radio button stays checked).
inline void ExpectStateFollowsControls(QWidget* page, const std::vector<ToggleRow>& rows)
{
    const std::function<void(QAbstractButton*)> ways[] = {
        [](QAbstractButton* b) { QTest::keyClick(b, Qt::Key_Space); },
        [](QAbstractButton* b) { AccessibleAction(b, QAccessibleActionInterface::toggleAction()); }};
    for (const auto& [id, backId, changed] : rows) {
        for (int way : {0, 1}) {
            SCOPED_TRACE(::testing::Message()
                         << "control " << id << " by way " << way << " of space key, accessible toggle");
            ASSERT_FALSE(changed());
            ways[way](Control<QAbstractButton>(page, id));
            EXPECT_TRUE(changed());
            ways[way](Control<QAbstractButton>(page, backId));
            EXPECT_FALSE(changed());
        }
    }
}

// What every page test stands on: the in-process simulator on the test's clock, the INI of the
// test's own folder (the simulator's port, no pauses between commands) and the real Qt interface
// with a scripted person answering its boxes.
template <class ClockType> class SimPageRig : public ::testing::Test {
protected:
    SimPageRig()
    {
        UseThermometer({});
        app.iniPath = dir.File("rm42meter.ini"), app.exeDir = app.desktopDir = dir.Path();
        app.clock = &clock, app.ui = &boxes;
    }
    // Another thermometer on the line from here on.
    void UseThermometer(const SimConfig& config)
    {
        sim = std::make_unique<SimThermometer>(config, clock);
        ports = MakeSimPortFactory(*sim, clock);
        app.ports = ports.get();
    }
    // The INI: the [System] lines, the port, then any further sections.
    void WriteIni(const std::string& system, const std::string& more = "")
    {
        WriteFileBytes(app.iniPath, "[System]\n" + system +
                                        "\n[ComPort]\nPort=SIM\nStopBit=0\nCommandWait1=0\nCommandWait2=0\n" +
                                        more);
    }

    // The controls of the page under test.
    template <class W = QWidget> W* C(int id) { return Control<W>(pageUnderTest, id); }
    void Click(int id) { QTest::mouseClick(C<QAbstractButton>(id), Qt::LeftButton); }
    // What labels, fields and pickers show, joined by '|'; which controls have a flag property
    // ("enabled", "checked") set, as 1 and 0.
    QString Texts(std::initializer_list<int> ids)
    {
        QStringList texts;
        for (int id : ids)
            texts << C(id)->property("text").toString();
        return texts.join('|');
    }
    std::string Flags(const char* property, std::initializer_list<int> ids)
    {
        std::string flags;
        for (int id : ids)
            flags += C(id)->property(property).toBool() ? '1' : '0';
        return flags;
    }

    QWidget* pageUnderTest = nullptr;
    TempDir dir;
    ClockType clock;
    std::unique_ptr<SimThermometer> sim;
    std::unique_ptr<SerialPortFactory> ports;
    AppState app;
    ScriptedBoxes boxes{app};
};
