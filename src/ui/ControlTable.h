#pragma once

#include <QRect>
#include <QString>

#include <functional>
#include <initializer_list>
#include <vector>

class QWidget;
struct AppState;

// What a row of a page's control table makes.
enum class ControlKind {
    Label,        // QLabel showing the text as it is
    Group,        // QGroupBox titled with the text
    Button,       // QPushButton with the text that Enter does not press
    DialogButton, // QPushButton with the text that Enter presses while it has the focus
    Check,        // QCheckBox with the text
    Radio,        // QRadioButton with the text
    ReadOnlyEdit, // QLineEdit the user cannot change
    Readout,      // QLineEdit the user can neither change nor reach with the focus
    TimeEdit,     // QTimeEdit; the text is its display format ("HH", "mm", "ss")
    NumericEdit,  // CNumericEdit; the input method is off while it has the focus
    Combo,        // QComboBox, empty; the page adds the entries
    DateEdit,     // QDateEdit "yyyy/MM/dd" with a calendar, at today and never before it
    Colon,        // ":" between pickers, 6 x 12 pixels centred on the row's height
    Custom,       // made by the page (a table, a canvas, a picker); the row places it
};

// One control of a page, as a dialog template lists it: control id (0: none), object name
// (nullptr: none), kind, rectangle in dialog units (x, y, width, height), text, accessible
// name and tooltip string id (0: none). An empty rectangle leaves the placing to the page.
struct ControlRow {
    int id;
    const char* name;
    ControlKind kind;
    QRect du;
    QString text = {};
    QString accessible = {};
    int tipId = 0;
};

// Makes the rows' controls on page in the rows' order, which is also their tab order, and
// returns them in that order. Custom rows are made by custom and then named and placed like
// the others.
std::vector<QWidget*> BuildControls(QWidget* page, const AppState& app,
                                    std::initializer_list<ControlRow> rows,
                                    const std::function<QWidget*(const ControlRow&)>& custom = {});
