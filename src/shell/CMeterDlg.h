#pragma once

#include <QDialog>

#include <array>
#include <string>

#include "image/CJpegImage.h"
#include "ui/CPage.h"

class CCapturePage;
class CMemoryPage;
class CSettingsPage;
class CTeachingPage;
class QAction;
class QLabel;
class QPushButton;
class QTabWidget;
class QtUserInterface;
struct AppState;

// The main window: a fixed-size dialog with the four working pages under a tab control, the
// status line and the logo button. Its construction runs the start: the [System] display
// switches, the connection check, the title with the serial number, the logo, and the
// recording page shown first. The window closes only through its close button (or Alt+F4)
// after a confirmation; Enter and Esc do nothing.
class CMeterDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kPageCount = 4;

    CMeterDlg(AppState& app, QtUserInterface& ui, QWidget* parent = nullptr);
    ~CMeterDlg() override;

    // True when the connection check failed during construction: the program ends and exec()
    // returns 0 without showing the window.
    bool EndedAtStart() const { return endedAtStart_; }
    int exec() override;

    // Enter and Esc must not end the dialog.
    void accept() override {}
    void reject() override {}

    // The two entries the window adds to its menu.
    void ShowComPortDialog();
    void ShowAboutDialog();
    QAction* ComPortAction() const { return comPortAction_; }
    QAction* AboutAction() const { return aboutAction_; }

    CPage* Page(int index) const { return pages_[static_cast<std::size_t>(index)]; }
    const std::string& Url() const { return url_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreateControls();
    void AddMenuEntries();
    void CreatePages();
    void LoadLogo();
    void ShowPage(int index);
    void OnTabChanged(int index);
    void OnLogoClicked();

    AppState& app_;
    QtUserInterface& ui_;
    QPushButton* logoButton_ = nullptr;
    QLabel* statusLine_ = nullptr;
    QTabWidget* tabControl_ = nullptr;
    QAction* comPortAction_ = nullptr;
    QAction* aboutAction_ = nullptr;
    CCapturePage* capturePage_ = nullptr;
    CMemoryPage* memoryPage_ = nullptr;
    CTeachingPage* teachingPage_ = nullptr;
    CSettingsPage* settingsPage_ = nullptr;
    std::array<CPage*, kPageCount> pages_{};
    int shownPage_ = -1;
    QRect pageArea_;
    std::string url_;
    std::string logoFile_;
    CJpegImage logo_;
    bool endedAtStart_ = false;
};
