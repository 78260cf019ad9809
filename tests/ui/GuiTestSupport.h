#pragma once

// Shared by the GUI tests: the QApplication they all need, the Qt user interface with scripted
// answers to its message boxes, and a helper that closes a modal dialog once it is up.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/LangString.h"
#include "support/TestSupport.h"
#include "ui/ControlId.h"
#include "ui/DialogUnits.h"
#include "ui/QtUserInterface.h"

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
        static char name[] = "rm42-gui-test";
        static char* argv[] = {name, nullptr};
        application_ = std::make_unique<QApplication>(argc, argv);
        InstallFontSubstitutions();
    }
    void TearDown() override { application_.reset(); }
    std::unique_ptr<QApplication> application_;
};

inline ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

// One message box as the program asked for it.
struct QtMessageBoxCall {
    std::string text;
    std::string caption;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
    MsgAnswer defaultAnswer = MsgAnswer::Ok;
};

// The Qt user interface with a scripted person in front of it: every box is built as it would
// be shown and recorded, then answered from the script instead of being run; once the script is
// used up each box gets its default button. Everything else is the real QtUserInterface.
class ScriptedBoxes : public QtUserInterface {
public:
    struct Shown {
        QtMessageBoxCall call;
        QMessageBox::Icon qtIcon;
        QMessageBox::StandardButtons qtButtons;
        QMessageBox::StandardButton qtDefault;
    };

    explicit ScriptedBoxes(AppState& app) : QtUserInterface(app) {}

    MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                         MsgButtons buttons, MsgAnswer defaultAnswer) override
    {
        const auto box = MakeMessageBox(text, caption, icon, buttons, defaultAnswer, MainWindow());
        const QtMessageBoxCall call{text, caption, icon, buttons, defaultAnswer};
        shown.push_back(
            Shown{call, box->icon(), box->standardButtons(), box->standardButton(box->defaultButton())});
        if (onBox) onBox(call);
        const MsgAnswer answer = answers.empty() ? defaultAnswer : answers.front();
        if (!answers.empty()) answers.pop_front();
        return answer;
    }

    std::deque<MsgAnswer> answers;
    std::vector<Shown> shown;
    std::function<void(const QtMessageBoxCall&)> onBox; // runs before the answer is given
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
