#pragma once

// Shared by the GUI tests: the QApplication they all need, a scripted answerer for message
// boxes, and a helper that closes a modal dialog once it is up.

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

// Records every box the program shows and answers from a script; once the script is used up
// each box gets its default button. Installed for the lifetime of the object.
class ScriptedBoxes {
public:
    struct Shown {
        QtMessageBoxCall call;
        QMessageBox::Icon qtIcon;
        QMessageBox::StandardButtons qtButtons;
        QMessageBox::StandardButton qtDefault;
    };

    ScriptedBoxes()
    {
        QtUserInterface::SetBoxAnswerer([this](const QtMessageBoxCall& call, QMessageBox& box) {
            shown.push_back(
                Shown{call, box.icon(), box.standardButtons(), box.standardButton(box.defaultButton())});
            if (onBox) onBox(call);
            const MsgAnswer answer = answers.empty() ? call.defaultAnswer : answers.front();
            if (!answers.empty()) answers.pop_front();
            return answer;
        });
    }
    ~ScriptedBoxes() { QtUserInterface::SetBoxAnswerer({}); }

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
