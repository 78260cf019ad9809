// rm42meter: the desktop program for the RM42 infrared thermometer.

#include <QApplication>
#include <QCommandLineParser>
#include <QEventLoop>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QTabWidget>
#include <QTimer>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string_view>

#include "app/AppState.h"
#include "app/LangString.h"
#include "app/StartUp.h"
#include "app/Version.h"
#include "capture/CCapturePage.h"
#include "device/Clock.h"
#include "device/PortOverride.h"
#include "device/SerialPort.h"
#include "image/CTitlePage.h"
#include "resources/StringIds.h"
#include "shell/CMeterDlg.h"
#include "shell/QtUserInterface.h"
#include "ui/DialogUnits.h"
#include "ui/Icons.h"

namespace {

constexpr int kTitleShowMs = 5000;

struct Options {
    QString iniPath; // --ini: this INI file, and the data files from its folder
    bool noTitle = false;
    QString screenshotPath;
    int screenshotDelayMs = 500;
    bool record = false;
    bool linesOn = false; // --lines-on: CTS and DSR taken as on
    int tab = -1;         // --tab: the tab brought up once the window is shown
};

Options ParseOptions(const QApplication& application)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Desktop program for the RM42 infrared thermometer."));
    parser.addHelpOption();
    parser.addVersionOption();
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
    const QCommandLineOption screenshotDelay(QStringLiteral("screenshot-delay"),
                                             QStringLiteral("Seconds from the window's showing to the "
                                                            "--screenshot picture (default 0.5)."),
                                             QStringLiteral("SECONDS"));
    const QCommandLineOption record(QStringLiteral("record"),
                                    QStringLiteral("Press REC on the recording page once the window is up "
                                                   "(documentation only)."));
    const QCommandLineOption linesOn(
        QStringLiteral("lines-on"),
        QStringLiteral("Take CTS and DSR as on: for a port without modem lines, "
                       "such as a pseudo-terminal that Wine serves as a COM port."));
    parser.addOption(ini);
    parser.addOption(linesOn);
    parser.addOption(screenshotDelay);
    parser.addOption(record);
    parser.addOption(noTitle);
    const QCommandLineOption tab(
        QStringList{QStringLiteral("tab"), QStringLiteral("page")},
        QStringLiteral("Bring up tab N (0 to 3) once the window is shown, as a click "
                       "on it would (documentation only)."),
        QStringLiteral("N"));
    parser.addOption(screenshot);
    parser.addOption(tab);
    parser.process(application);

    Options options;
    options.iniPath = parser.value(ini);
    options.noTitle = parser.isSet(noTitle);
    options.screenshotPath = parser.value(screenshot);
    if (parser.isSet(screenshotDelay)) {
        bool ok = false;
        const double seconds = parser.value(screenshotDelay).toDouble(&ok);
        if (ok && seconds >= 0 && seconds <= 3600)
            options.screenshotDelayMs = static_cast<int>(seconds * 1000);
    }
    options.record = parser.isSet(record);
    options.linesOn = parser.isSet(linesOn);
    bool tabOk = false;
    const int tabIndex = parser.value(tab).toInt(&tabOk);
    if (parser.isSet(tab) && (!tabOk || tabIndex < 0 || tabIndex >= CMeterDlg::kPageCount)) {
        std::fputs("rm42meter: --tab takes 0 to 3\n", stderr);
        std::exit(2);
    }
    options.tab = parser.isSet(tab) ? tabIndex : -1;
    return options;
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
// picture shows the title even where no window manager decorates the window. The title is also
// stored as the picture's "Title" text, for scripts that check it.
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
    picture.setText(QStringLiteral("Title"), window.windowTitle());
    picture.save(path);
}

} // namespace

int main(int argc, char* argv[])
{
    // Answered before the window system is reached, so it works without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--version") {
            std::puts("rm42meter " RM42_VERSION);
            return 0;
        }
    }
    QApplication application(argc, argv);
    // The application object has taken the C library's locale from the environment; numbers in
    // files and commands keep their decimal point whatever the user's language.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("rm42meter"));
    QApplication::setApplicationVersion(QStringLiteral(RM42_VERSION));
    InstallFontSubstitutions();
    QApplication::setWindowIcon(Icons::Application());
    const Options options = ParseOptions(application);

    AppState app;
    SteadyClock clock;
    std::unique_ptr<SerialPortFactory> ports = MakeSystemSerialPortFactory();
    if (options.linesOn) ports = MakeLinesOnFactory(std::move(ports));
    QtUserInterface ui(app);
    app.clock = &clock;
    app.ports = ports.get();
    app.ui = &ui;

    if (!options.screenshotPath.isEmpty()) ui.SetUnattended(true);
    const std::string executable = ExecutablePath();
    if (!FillStartUpState(app, executable, options.iniPath.toStdString())) return 0;
    app.journalPath = DefaultJournalPath(app.iniPath);
    const auto instance = SingleInstanceGuard::Acquire(executable);
    if (!instance) return 0;
    if (!IsSupportedWindows()) {
        ui.MessageBox(LoadLangString(app, 208), LoadLangString(app, StringId::AppName), MsgIcon::Stop,
                      MsgButtons::Ok, MsgAnswer::Ok);
        return 0;
    }

    if (!options.noTitle) ShowTitlePage(app);

    CMeterDlg dialog(app, ui);
    std::function<void()> shoot;
    if (!options.screenshotPath.isEmpty() && !dialog.EndedAtStart()) {
        const QString path = options.screenshotPath;
        const int delayMs = options.screenshotDelayMs;
        shoot = [&dialog, path, delayMs] {
            QTimer::singleShot(delayMs, &dialog, [&dialog, path] {
                SaveWindowPicture(dialog, path);
                dialog.done(0);
            });
        };
    }
    if (options.tab >= 0 && !dialog.EndedAtStart()) {
        // Through the tab control, so the page learns it was brought up as from a click; the
        // picture waits until the page's own device work is done.
        const int tab = options.tab;
        QTimer::singleShot(200, &dialog, [&dialog, tab, shoot] {
            if (auto* tabs = dialog.findChild<QTabWidget*>()) tabs->setCurrentIndex(tab);
            if (shoot) shoot();
        });
    } else if (shoot) {
        shoot();
    }
    if (!dialog.EndedAtStart()) {
        // Once the window is up: a recording a crashed run left behind is offered back.
        QTimer::singleShot(100, &dialog, [&dialog] {
            if (auto* page = qobject_cast<CCapturePage*>(dialog.Page(0))) page->OfferRecoveredRecording();
        });
    }
    if (options.record && !dialog.EndedAtStart()) {
        QTimer::singleShot(200, &dialog, [&dialog] {
            if (auto* page = qobject_cast<CCapturePage*>(dialog.Page(0))) page->StartCapture();
        });
    }
    dialog.exec();
    return 0;
}
