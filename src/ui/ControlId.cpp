#include "ui/ControlId.h"

#include <QVariant>
#include <QWidget>

namespace {
constexpr const char* kControlIdProperty = "controlId";
}

void SetControlId(QWidget* widget, int id, const QString& objectName)
{
    widget->setProperty(kControlIdProperty, id);
    widget->setObjectName(objectName);
}

int ControlIdOf(const QWidget* widget)
{
    const QVariant value = widget->property(kControlIdProperty);
    return value.isValid() ? value.toInt() : 0;
}

QWidget* FindControl(QWidget* root, int id)
{
    if (root == nullptr) return nullptr;
    if (ControlIdOf(root) == id) return root;
    const auto children = root->findChildren<QWidget*>();
    for (QWidget* child : children) {
        if (ControlIdOf(child) == id) return child;
    }
    return nullptr;
}
