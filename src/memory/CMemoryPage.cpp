#include "memory/CMemoryPage.h"

#include "app/AppState.h"

CMemoryPage::CMemoryPage(AppState& app, QWidget* parent) : CPage(parent), app_(app)
{
    setObjectName(QStringLiteral("memoryPage"));
}
