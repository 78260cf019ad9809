#pragma once

#include <QString>

class QWidget;
struct AppState;

// String id in the current language as a QString (the table is UTF-8).
QString LangText(const AppState& app, int id);

// Tooltip of a control: string id in the current language.
void AddLangTool(QWidget* widget, const AppState& app, int id);

// In Japanese, switches the input method off for the control so digits typed into a numeric
// field arrive as plain ASCII; does nothing in English. Called when such a field gets focus.
void SuppressIme(QWidget* widget, const AppState& app);
