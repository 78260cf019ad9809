#include "teaching/CTeachingPage.h"

#include "app/AppState.h"

CTeachingPage::CTeachingPage(AppState& app, QWidget* parent) : QWidget(parent), app_(app)
{
    setObjectName(QStringLiteral("teachingPage"));
}
