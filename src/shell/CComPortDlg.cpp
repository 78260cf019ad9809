#include "shell/CComPortDlg.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#ifdef Q_OS_WIN
#include "device/WindowsComPorts.h"
#else
#include <QSerialPortInfo>
#endif

#include "app/AppState.h"
#include "app/IniFile.h"
#include "device/CCommIO.h"
#include "device/ComPortList.h"
#include "resources/StringIds.h"
#include "ui/ControlId.h"
#include "ui/DialogUnits.h"
#include "ui/LangWidgets.h"

CComPortDlg::CComPortDlg(AppState& app, QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      app_(app)
{
    setObjectName(QStringLiteral("comPortDialog"));
    setWindowTitle(LangText(app_, StringId::ComPortTitle));
    setFont(DialogFont());
    const DialogUnits du(font());
    setFixedSize(du.Size(186, 46));

    auto* prompt = new QLabel(LangText(app_, StringId::ComPortPrompt), this);
    prompt->setObjectName(QStringLiteral("portPrompt"));
    prompt->setGeometry(du.Rect(7, 7, 116, 10));

    portList_ = new QComboBox(this);
    SetControlId(portList_, 1106, QStringLiteral("portList"));
    portList_->setGeometry(du.Rect(7, 22, 116, 14));
    portList_->setAccessibleName(LangText(app_, StringId::ComPortName));
    prompt->setBuddy(portList_);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    SetControlId(ok, 1, QStringLiteral("okButton"));
    ok->setGeometry(du.Rect(129, 7, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CComPortDlg::accept);

    auto* cancel = new QPushButton(LangText(app_, StringId::Cancel), this);
    SetControlId(cancel, 2, QStringLiteral("cancelButton"));
    cancel->setGeometry(du.Rect(129, 24, 50, 14));
    connect(cancel, &QPushButton::clicked, this, &CComPortDlg::reject);

    const std::string configured =
        IniFile::GetString(app_.iniPath, "ComPort", "Port", "COM4", IniFile::kComPortBuffer);
    const bool configuredExists =
        !configured.empty() &&
        QFileInfo::exists(QString::fromStdString(PortDevicePath(configured, app_.iniPath)));
    const std::vector<std::string> entries = BuildComPortList(
        app_.portRetryCount, SystemPortNames(), configured, configuredExists, UsbSerialDevices());
    for (const std::string& entry : entries)
        portList_->addItem(QString::fromStdString(entry));
    portList_->setCurrentIndex(SelectComPort(entries, configured));
}

std::vector<std::string> CComPortDlg::SystemPortNames()
{
#ifdef Q_OS_WIN
    return WindowsComPorts();
#else
    // The port layer opens device paths on POSIX systems.
    std::vector<std::string> names;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& port : ports)
        names.push_back(port.systemLocation().toStdString());
    return names;
#endif
}

void CComPortDlg::accept()
{
    const QString chosen = portList_->currentIndex() >= 0 ? portList_->currentText() : QString();
    if (!chosen.isEmpty()) IniFile::WriteString(app_.iniPath, "ComPort", "Port", chosen.toStdString());
    QDialog::accept();
}
