#include "image/CTitlePage.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "app/AppPaths.h"
#include "app/AppState.h"
#include "app/IniFile.h"
#include "app/LangString.h"
#include "app/UserInterface.h"
#include "image/JpegImageWidget.h"
#include "resources/StringIds.h"

namespace {
constexpr int kTitleWidth = 640;
constexpr int kTitleHeight = 400;
} // namespace

CTitlePage::CTitlePage(AppState& app) : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("titlePage"));
    setAttribute(Qt::WA_OpaquePaintEvent);

    const std::string file =
        IniFile::GetString(app.iniPath, "System", "TitleImageFile", "Title.jpg", IniFile::kComPortBuffer);
    loaded_ = image_.LoadJpeg(DataFilePath(app, file));
    if (!loaded_ && app.ui != nullptr) {
        // This one text is Japanese whatever the language: it is loaded without the offset.
        app.ui->MessageBox(LoadTableString(152), LoadLangString(app, StringId::AppName), MsgIcon::Stop,
                           MsgButtons::Ok, MsgAnswer::Ok);
    }

    setWindowTitle(QString::fromStdString(LoadLangString(app, StringId::AppName)));
    QRect screenArea(0, 0, kTitleWidth, kTitleHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) screenArea = screen->geometry();
    setGeometry(screenArea.x() + (screenArea.width() - kTitleWidth) / 2,
                screenArea.y() + (screenArea.height() - kTitleHeight) / 2, kTitleWidth, kTitleHeight);
}

CTitlePage::~CTitlePage()
{
    image_.FreeImage();
    loaded_ = false;
}

void CTitlePage::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (loaded_)
        PaintStretched(image_, *this, painter);
    else
        painter.fillRect(rect(), palette().window());
}
