#include "shell/CMeterDlg.h"

#include <QAction>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionTabWidgetFrame>
#include <QTabWidget>
#include <QUrl>

#include "app/AppPaths.h"
#include "app/AppState.h"
#include "app/IniFile.h"
#include "app/LangString.h"
#include "app/MeterStart.h"
#include "app/UserInterface.h"
#include "capture/CCapturePage.h"
#include "device/CommandLog.h"
#include "image/JpegImageWidget.h"
#include "memory/CMemoryPage.h"
#include "resources/StringIds.h"
#include "settings/CSettingsPage.h"
#include "settings/TypeNames.h"
#include "shell/CAboutDlg.h"
#include "shell/CComPortDlg.h"
#include "shell/QtUserInterface.h"
#include "teaching/CTeachingPage.h"
#include "ui/CPage.h"
#include "ui/ControlId.h"
#include "ui/DialogUnits.h"
#include "ui/Icons.h"
#include "ui/LangWidgets.h"

namespace {

// The tab control's display area is handed to the pages 18 pixels lower and 18 shorter, so
// a page's own top margin stays clear of the tab row.
constexpr int kPageOffset = 18;

constexpr std::array<int, CMeterDlg::kPageCount> kTabCaptions = {102, 103, 104, 105};

// The tab control, able to tell where its display area lies before it has ever been shown
// (QTabWidget lays out its pages only once visible).
class TabControl : public QTabWidget {
public:
    using QTabWidget::QTabWidget;

    QRect DisplayArea() const
    {
        QStyleOptionTabWidgetFrame option;
        initStyleOption(&option);
        return style()->subElementRect(QStyle::SE_TabWidgetTabContents, &option, this);
    }
};

} // namespace

CMeterDlg::CMeterDlg(AppState& app, QtUserInterface& ui, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      app_(app), ui_(ui)
{
    setObjectName(QStringLiteral("meterDialog"));
    setFont(DialogFont());
    setFixedSize(DialogUnits(font()).Size(451, 338));
    setWindowIcon(Icons::Application());

    CreateControls();
    ui_.AttachMainWindow(this, statusLine_, tabControl_);
    AddMenuEntries();

    if (app_.language == 0) {
        // The Japanese status line and tabs use the Japanese UI font explicitly.
        const QFont japanese(QStringLiteral("MS UI Gothic"), 9);
        statusLine_->setFont(japanese);
        tabControl_->setFont(japanese);
    }

    for (int caption : kTabCaptions)
        tabControl_->addTab(new QWidget, LangText(app_, caption));
    CreatePages();

    endedAtStart_ = !RunMeterStart(app_);

    setWindowTitle(QString::fromStdString(ComposeCaption(app_)));
    url_ = IniFile::GetString(app_.iniPath, "System", "URL", "");
    logoFile_ = IniFile::GetString(app_.iniPath, "System", "Logo", "");
    LoadLogo();
    ReportMessage(app_, 111);

    tabControl_->setCurrentIndex(0);
    // A window that ends at start is never shown: its first page must not start device work.
    if (!endedAtStart_) ShowPage(0);
    connect(tabControl_, &QTabWidget::currentChanged, this, &CMeterDlg::OnTabChanged);
}

CMeterDlg::~CMeterDlg()
{
    ui_.DetachMainWindow();
}

void CMeterDlg::CreateControls()
{
    const DialogUnits du(font());

    tabControl_ = new TabControl(this);
    SetControlId(tabControl_, 1000, QStringLiteral("tabControl"));
    tabControl_->setGeometry(du.Rect(7, 7, 437, 292));
    tabControl_->setAccessibleName(LangText(app_, StringId::TabsName));

    statusLine_ = new QLabel(this);
    SetControlId(statusLine_, 1075, QStringLiteral("statusLine"));
    statusLine_->setGeometry(du.Rect(7, 317, 320, 12));
    statusLine_->setTextFormat(Qt::PlainText);
    statusLine_->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    logoButton_ = new QPushButton(this);
    SetControlId(logoButton_, 1318, QStringLiteral("logoButton"));
    logoButton_->setGeometry(du.Rect(334, 303, 110, 32));
    logoButton_->setAutoDefault(false);
    logoButton_->setDefault(false);
    logoButton_->setAccessibleName(LangText(app_, StringId::LogoName));
    connect(logoButton_, &QPushButton::clicked, this, &CMeterDlg::OnLogoClicked);
}

void CMeterDlg::AddMenuEntries()
{
    // Qt cannot reach the window manager's menu: the entries live in the window's context menu
    // and keep their keyboard shortcuts.
    QString comPortText;
    QString aboutText;
    if (app_.language == 0) {
        comPortText = LangText(app_, 213) + QStringLiteral("(&C)...");
        aboutText = LangText(app_, 101) + QStringLiteral("(&A)...");
    } else {
        comPortText = QStringLiteral("&") + LangText(app_, 213);
        aboutText = QStringLiteral("&") + LangText(app_, 101);
    }
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    addAction(separator);

    comPortAction_ = new QAction(comPortText, this);
    comPortAction_->setObjectName(QStringLiteral("comPortAction"));
    comPortAction_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_C));
    connect(comPortAction_, &QAction::triggered, this, &CMeterDlg::ShowComPortDialog);
    addAction(comPortAction_);

    aboutAction_ = new QAction(aboutText, this);
    aboutAction_->setObjectName(QStringLiteral("aboutAction"));
    aboutAction_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_A));
    connect(aboutAction_, &QAction::triggered, this, &CMeterDlg::ShowAboutDialog);
    addAction(aboutAction_);

    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void CMeterDlg::CreatePages()
{
    const QRect display = static_cast<TabControl*>(tabControl_)->DisplayArea();
    const QRect area = display.translated(tabControl_->pos());
    pageArea_ = QRect(area.x(), area.y() + kPageOffset, area.width(), area.height() - kPageOffset);

    capturePage_ = new CCapturePage(app_, this);
    memoryPage_ = new CMemoryPage(app_, this);
    teachingPage_ = new CTeachingPage(app_, this);
    settingsPage_ = new CSettingsPage(app_, this);
    pages_ = {capturePage_, memoryPage_, teachingPage_, settingsPage_};
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        pages_[i]->setGeometry(pageArea_);
        pages_[i]->setAccessibleName(LangText(app_, kTabCaptions[i]));
        pages_[i]->hide();
    }
}

void CMeterDlg::LoadLogo()
{
    if (logoFile_.empty() || !logo_.LoadJpeg(DataFilePath(app_, logoFile_))) {
        logo_.FreeImage();
        logoButton_->setIcon(QIcon());
        return;
    }
    SetButtonImage(logo_, *logoButton_);
}

int CMeterDlg::exec()
{
    if (endedAtStart_) {
        setResult(0);
        return 0;
    }
    return QDialog::exec();
}

void CMeterDlg::ShowPage(int index)
{
    // Only here, never from Qt's show events (a restored window repeats those), does a page
    // learn that the user brought it up.
    const int previous = shownPage_;
    shownPage_ = index;
    for (std::size_t i = 0; i < pages_.size(); ++i)
        pages_[i]->setVisible(static_cast<int>(i) == index);
    if (previous >= 0 && previous != index) pages_[static_cast<std::size_t>(previous)]->PageHidden();
    if (index >= 0 && index < kPageCount && previous != index)
        pages_[static_cast<std::size_t>(index)]->PageShown();
}

void CMeterDlg::OnTabChanged(int index)
{
    SetStatusText(app_, "");
    ShowPage(index);
}

void CMeterDlg::OnLogoClicked()
{
    if (url_.empty()) return;
    // Whether a browser opens is the desktop's business; a failure is not reported.
    QDesktopServices::openUrl(QUrl::fromUserInput(QString::fromStdString(url_)));
}

void CMeterDlg::ShowComPortDialog()
{
    CComPortDlg dialog(app_, this);
    dialog.exec();
}

void CMeterDlg::ShowAboutDialog()
{
    CAboutDlg dialog(app_, this);
    dialog.exec();
}

void CMeterDlg::closeEvent(QCloseEvent* event)
{
    const MsgAnswer answer =
        ui_.MessageBox(LoadLangString(app_, 112), LoadLangString(app_, StringId::AppName), MsgIcon::Question,
                       MsgButtons::OkCancel, MsgAnswer::Cancel);
    if (answer == MsgAnswer::Ok) {
        for (CPage* page : pages_)
            page->WindowClosing();
        logo_.FreeImage();
        setResult(0);
        event->accept();
    } else {
        event->ignore();
    }
    ui_.RedrawMainWindow();
}

void CMeterDlg::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_F1:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}
