// rm42meter: the desktop program for the RM42 infrared thermometer.

#include <QApplication>
#include <QCommandLineParser>
#include <QEventLoop>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QTabWidget>
#include <QTimer>

#include <memory>

#include "app/AppState.h"
#include "app/LangString.h"
#include "app/StartUp.h"
#include "device/Clock.h"
#include "device/SerialPort.h"
#include "image/CTitlePage.h"
#include "ui/CMeterDlg.h"
#include "ui/DialogUnits.h"
#include "ui/Icons.h"
#include "ui/QtUserInterface.h"

namespace {

constexpr int kTitleShowMs = 5000;

struct Options {
    QString iniPath; // --ini: run as if the executable sat beside this INI file
    bool noTitle = false;
    QString screenshotPath;
    int page = 0; // --page: the tab shown first (screenshots of the other pages)
};

Options ParseOptions(const QApplication& application)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Desktop program for the RM42 infrared thermometer."));
    parser.addHelpOption();
    const QCommandLineOption ini(
        QStringLiteral("ini"),
        QStringLiteral("Use this INI file instead of the one beside the program; the data files "
                       "(pictures, templates, hardname.rm4, cmd_log.txt) are then taken from its folder."),
        QStringLiteral("PATH"));
    const QCommandLineOption noTitle(QStringLiteral("no-title"),
                                     QStringLiteral("Skip the five-second title picture (tests and "
                                                    "screenshots only)."));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Save a picture of the main window (with its title "
                                                       "drawn above it) to PATH once it is shown, then quit "
                                                       "(documentation only)."),
                                        QStringLiteral("PATH"));
    parser.addOption(ini);
    parser.addOption(noTitle);
    const QCommandLineOption page(QStringLiteral("page"),
                                  QStringLiteral("Bring up this tab (0 to 3) once the window is up "
                                                 "(documentation only)."),
                                  QStringLiteral("INDEX"));
    parser.addOption(screenshot);
    parser.addOption(page);
    parser.process(application);

    Options options;
    options.iniPath = parser.value(ini);
    options.noTitle = parser.isSet(noTitle);
    options.screenshotPath = parser.value(screenshot);
    options.page = parser.value(page).toInt();
    return options;
}

// The program's files are found beside the executable; --ini moves that place to the INI's
// folder by naming a program there with the INI's base name.
std::string StartPath(const Options& options, const std::string& executable)
{
    if (options.iniPath.isEmpty()) return executable;
    const QFileInfo ini(options.iniPath);
    return (ini.absolutePath() + QLatin1Char('/') + ini.completeBaseName()).toStdString();
}

void ShowTitlePage(AppState& app)
{
    CTitlePage title(app);
    title.show();
    // Keep painting the picture while start-up waits.
    QEventLoop wait;
    QTimer::singleShot(kTitleShowMs, &wait, &QEventLoop::quit);
    wait.exec();
}

// The window's contents with a plain caption bar (icon and title) drawn above them, so the
// picture shows the title even where no window manager decorates the window.
void SaveWindowPicture(QWidget& window, const QString& path)
{
    const QPixmap contents = window.grab();
    const int barHeight = 26;
    QImage picture(contents.width(), contents.height() + barHeight, QImage::Format_RGB32);
    picture.fill(QColor(0, 84, 147));
    QPainter painter(&picture);
    painter.drawPixmap(5, (barHeight - 16) / 2, window.windowIcon().pixmap(16, 16));
    painter.setPen(Qt::white);
    painter.setFont(window.font());
    painter.drawText(QRect(27, 0, contents.width() - 30, barHeight), Qt::AlignVCenter | Qt::AlignLeft,
                     window.windowTitle());
    painter.drawPixmap(0, barHeight, contents);
    painter.end();
    picture.save(path);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("rm42meter"));
    InstallFontSubstitutions();
    QApplication::setWindowIcon(Icons::Application());
    const Options options = ParseOptions(application);

    AppState app;
    SteadyClock clock;
    const std::unique_ptr<SerialPortFactory> ports = MakeSystemSerialPortFactory();
    QtUserInterface ui(app);
    app.clock = &clock;
    app.ports = ports.get();
    app.ui = &ui;

    const std::string executable = ExecutablePath();
    if (!FillStartUpState(app, StartPath(options, executable))) return 0;
    const auto instance = SingleInstanceGuard::Acquire(executable);
    if (!instance) return 0;
    if (!IsSupportedWindows()) {
        ui.MessageBox(LoadLangString(app, 208), LoadLangString(app, 165), MsgIcon::Stop, MsgButtons::Ok,
                      MsgAnswer::Ok);
        return 0;
    }

    if (!options.noTitle) ShowTitlePage(app);

    CMeterDlg dialog(app, ui);
    if (!dialog.EndedAtStart()) {
        // The tab first (its device work runs to its end), then the picture a little later.
        QTimer::singleShot(0, &dialog, [&dialog, &options] {
            auto* tabs = dialog.findChild<QTabWidget*>();
            if (tabs != nullptr && options.page > 0 && options.page < CMeterDlg::kPageCount)
                tabs->setCurrentIndex(options.page);
            if (options.screenshotPath.isEmpty()) return;
            const QString path = options.screenshotPath;
            QTimer::singleShot(options.page > 0 ? 1500 : 500, &dialog, [&dialog, path] {
                SaveWindowPicture(dialog, path);
                dialog.done(0);
            });
        });
    }
    dialog.exec();
    return 0;
}
