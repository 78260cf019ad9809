#include "shell/CAboutDlg.h"

#include <QLabel>
#include <QPushButton>

#include "app/AppState.h"
#include "app/IniFile.h"
#include "app/LangString.h"
#include "app/Version.h"
#include "resources/StringIds.h"
#include "ui/ControlId.h"
#include "ui/DialogUnits.h"
#include "ui/Icons.h"
#include "ui/LangWidgets.h"

CAboutDlg::CAboutDlg(const AppState& app, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(LangText(app, 101));
    setFont(DialogFont());
    const DialogUnits du(font());
    setFixedSize(du.Size(235, 55));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("aboutIcon"));
    icon->setPixmap(Icons::Application().pixmap(32, 32));
    icon->setGeometry(QRect(du.X(11), du.Y(17), 32, 32));
    icon->setAccessibleName(LangText(app, StringId::IconName));

    auto* name = new QLabel(LangText(app, 165), this);
    SetControlId(name, 1106, QStringLiteral("aboutName"));
    name->setTextFormat(Qt::PlainText);
    name->setGeometry(du.Rect(40, 10, 130, 10));

    // The version every program answers to --version, from the one number in the build.
    auto* version = new QLabel(QString::fromStdString(FormatLangString(app, 360, {RM42_VERSION})), this);
    version->setObjectName(QStringLiteral("aboutVersion"));
    version->setTextFormat(Qt::PlainText);
    version->setGeometry(du.Rect(40, 40, 130, 10));

    const std::string message = IniFile::GetString(app.iniPath, "System", "AboutDlgMsg", "");
    auto* line = new QLabel(QString::fromStdString(message), this);
    SetControlId(line, 1105, QStringLiteral("aboutMessage"));
    line->setTextFormat(Qt::PlainText);
    line->setGeometry(du.Rect(40, 25, 130, 10));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    SetControlId(ok, 1, QStringLiteral("okButton"));
    ok->setGeometry(du.Rect(178, 7, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
