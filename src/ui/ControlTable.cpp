#include "ui/ControlTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>

#include "ui/CNumericEdit.h"
#include "ui/ControlId.h"
#include "ui/DialogUnits.h"
#include "ui/LangWidgets.h"
#include "ui/WallClock.h"

namespace {

QWidget* Make(QWidget* page, const AppState& app, const ControlRow& row,
              const std::function<QWidget*(const ControlRow&)>& custom)
{
    switch (row.kind) {
    case ControlKind::Label: {
        auto* label = new QLabel(row.text, page);
        label->setTextFormat(Qt::PlainText);
        return label;
    }
    case ControlKind::Group:
        return new QGroupBox(row.text, page);
    case ControlKind::Button: {
        auto* button = new QPushButton(row.text, page);
        button->setAutoDefault(false);
        return button;
    }
    case ControlKind::DialogButton:
        return new QPushButton(row.text, page);
    case ControlKind::Check:
        return new QCheckBox(row.text, page);
    case ControlKind::Radio:
        return new QRadioButton(row.text, page);
    case ControlKind::ReadOnlyEdit: {
        auto* edit = new QLineEdit(page);
        edit->setReadOnly(true);
        return edit;
    }
    case ControlKind::Readout: {
        auto* edit = new QLineEdit(page);
        edit->setReadOnly(true);
        edit->setFocusPolicy(Qt::NoFocus);
        return edit;
    }
    case ControlKind::TimeEdit: {
        auto* edit = new QTimeEdit(page);
        edit->setDisplayFormat(row.text);
        return edit;
    }
    case ControlKind::NumericEdit: {
        auto* edit = new CNumericEdit(page);
        edit->SuppressImeOnFocus(app);
        return edit;
    }
    case ControlKind::Combo:
        return new QComboBox(page);
    case ControlKind::DateEdit: {
        const QDate today = LocalNow(app).date();
        auto* edit = new QDateEdit(today, page);
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
        edit->setMinimumDate(today);
        return edit;
    }
    case ControlKind::Colon: {
        auto* colon = new QLabel(QStringLiteral(":"), page);
        colon->setTextFormat(Qt::PlainText);
        return colon;
    }
    case ControlKind::Custom:
        break;
    }
    return custom(row);
}

} // namespace

std::vector<QWidget*> BuildControls(QWidget* page, const AppState& app,
                                    std::initializer_list<ControlRow> rows,
                                    const std::function<QWidget*(const ControlRow&)>& custom)
{
    const DialogUnits du(page->font());
    std::vector<QWidget*> made;
    made.reserve(rows.size());
    for (const ControlRow& row : rows) {
        QWidget* widget = Make(page, app, row, custom);
        if (row.id != 0) {
            SetControlId(widget, row.id, QString::fromLatin1(row.name));
        } else if (row.name != nullptr) {
            widget->setObjectName(QString::fromLatin1(row.name));
        }
        if (!row.du.isNull())
            widget->setGeometry(du.Rect(row.du.x(), row.du.y(), row.du.width(), row.du.height()));
        if (row.kind == ControlKind::Colon) {
            // A colon in dialog units is a pixel or two wide at small fonts; it keeps its own size.
            widget->setFixedSize(6, 12);
            widget->move(du.X(row.du.x()), du.Y(row.du.y()) + (du.Y(row.du.height()) - 12) / 2);
        }
        if (!row.accessible.isEmpty()) widget->setAccessibleName(row.accessible);
        if (row.tipId != 0) AddLangTool(widget, app, row.tipId);
        made.push_back(widget);
    }
    return made;
}
