#pragma once

#include <QLineEdit>

#include "app/NumericFilter.h"

struct AppState;

// A numeric field: cleans what is typed or pasted and pulls values outside the range back to
// the nearest limit (FilterNumericText), on every change of its text. Its own rewrites do not
// trigger the check again.
class CNumericEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CNumericEdit(QWidget* parent = nullptr);

    void SetIntRange(int minimum, int maximum);
    void SetDoubleRange(double minimum, double maximum);
    // mode 1 integer, 2 decimal, anything else no checking; format writes a limit back
    // (printf style, for example "%.1f").
    void SetFormat(int mode, const std::string& format);
    const NumericFieldRule& Rule() const { return rule_; }

    // Switches the input method off whenever the field gets focus (Japanese only).
    void SuppressImeOnFocus(const AppState& app) { imeApp_ = &app; }

protected:
    void focusInEvent(QFocusEvent* event) override;

private:
    void OnTextChanged(const QString& text);

    NumericFieldRule rule_;
    bool busy_ = false;
    const AppState* imeApp_ = nullptr;
};
