#include "ui/LangWidgets.h"

#include <QWidget>

#include "app/AppState.h"
#include "app/LangString.h"

QString LangText(const AppState& app, int id)
{
    return QString::fromStdString(LoadLangString(app, id));
}

void AddLangTool(QWidget* widget, const AppState& app, int id)
{
    widget->setToolTip(LangText(app, id));
}

void SuppressIme(QWidget* widget, const AppState& app)
{
    if (app.language == 0) widget->setAttribute(Qt::WA_InputMethodEnabled, false);
}
