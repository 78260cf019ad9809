#include "teaching/CTeachingPage.h"

#include "app/AppState.h"

CTeachingPage::CTeachingPage(AppState& app, QWidget* parent) : CPage(parent), app_(app)
{
    setObjectName(QStringLiteral("teachingPage"));
}
