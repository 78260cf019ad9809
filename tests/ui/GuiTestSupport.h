#pragma once

// Shared by the GUI tests: the QApplication they all need, a scripted answerer for message
// boxes, and a helper that closes a modal dialog once it is up.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFont>
#include <QMessageBox>
#include <QTimer>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ui/DialogUnits.h"
#include "ui/QtUserInterface.h"

// One QApplication for the whole test program, made before the first test runs.
class QtApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "rm42-gui-test";
        static char* argv[] = {name, nullptr};
        if (QApplication::instance() == nullptr) application_ = new QApplication(argc, argv);
        InstallFontSubstitutions();
    }
    void TearDown() override
    {
        delete application_;
        application_ = nullptr;
    }

private:
    QApplication* application_ = nullptr;
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
            const QAbstractButton* def = box.defaultButton();
            shown.push_back(
                Shown{call, box.icon(), box.standardButtons(),
                      def ? box.standardButton(const_cast<QAbstractButton*>(def)) : QMessageBox::NoButton});
            if (onBox) onBox(call);
            if (answers.empty()) return call.defaultAnswer;
            const MsgAnswer answer = answers.front();
            answers.pop_front();
            return answer;
        });
    }
    ~ScriptedBoxes() { QtUserInterface::SetBoxAnswerer({}); }
    ScriptedBoxes(const ScriptedBoxes&) = delete;
    ScriptedBoxes& operator=(const ScriptedBoxes&) = delete;

    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const Shown& s : shown)
            texts.push_back(s.call.text);
        return texts;
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
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, [timer, objectName, acceptIt, before] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || dialog->objectName() != objectName) return;
        timer->stop();
        timer->deleteLater();
        if (before) before(*dialog);
        if (acceptIt)
            dialog->accept();
        else
            dialog->reject();
    });
    timer->start();
}
