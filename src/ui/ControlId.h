#pragma once

#include <QString>

class QWidget;

// Controls keep the ids the dialogs have always given them, as the dynamic property
// "controlId", so code and tests find a control by the same number everywhere.
void SetControlId(QWidget* widget, int id, const QString& objectName);
// The control's id, or 0 when it has none.
int ControlIdOf(const QWidget* widget);
// The first descendant of root (or root itself) carrying the id; null when there is none.
QWidget* FindControl(QWidget* root, int id);
