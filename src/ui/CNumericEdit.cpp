#include "ui/CNumericEdit.h"

#include "ui/LangWidgets.h"

CNumericEdit::CNumericEdit(QWidget* parent) : QLineEdit(parent)
{
    connect(this, &QLineEdit::textChanged, this, &CNumericEdit::OnTextChanged);
}

void CNumericEdit::SetIntRange(int minimum, int maximum)
{
    rule_.intMin = minimum;
    rule_.intMax = maximum;
}

void CNumericEdit::SetDoubleRange(double minimum, double maximum)
{
    rule_.doubleMin = minimum;
    rule_.doubleMax = maximum;
}

void CNumericEdit::SetFormat(int mode, const std::string& format)
{
    rule_.mode = mode;
    rule_.format = format;
}

void CNumericEdit::focusInEvent(QFocusEvent* event)
{
    if (imeApp_ != nullptr) SuppressIme(this, *imeApp_);
    QLineEdit::focusInEvent(event);
}

void CNumericEdit::OnTextChanged(const QString& text)
{
    if (busy_ || (rule_.mode != 1 && rule_.mode != 2)) return;
    busy_ = true;
    const std::string current = text.toStdString();
    const std::string filtered = FilterNumericText(current, rule_);
    if (filtered != current) setText(QString::fromStdString(filtered));
    busy_ = false;
}
