#include "memory/CMemoryPage.h"

#include "app/AppState.h"

CMemoryPage::CMemoryPage(AppState& app, QWidget* parent) : QWidget(parent), app_(app)
{
    setObjectName(QStringLiteral("memoryPage"));
}
