#pragma once

#include <QWidget>

// A working page of the main window. The window tells a page when the user brings it up
// (a tab change, or the first page at start) through PageShown: that is where a page starts
// the device work showing it implies. Qt's own show events also come when a minimised window
// is restored, which must not read the thermometer again.
class CPage : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    // The page became the shown page through a tab change or at start. Never for a restore.
    virtual void PageShown() {}
    // The page was hidden by a tab change.
    virtual void PageHidden() {}
    // The window is closing (the user confirmed): finish device work that must not be left
    // running, such as a recording's stop sequence. Called once for every page.
    virtual void WindowClosing() {}
};
