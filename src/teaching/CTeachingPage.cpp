#include "teaching/CTeachingPage.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include "app/AppState.h"
#include "resources/StringIds.h"
#include "teaching/EmissivityList.h"
#include "ui/CNumericEdit.h"
#include "ui/ControlId.h"
#include "ui/ControlTable.h"
#include "ui/DialogUnits.h"
#include "ui/LangWidgets.h"

namespace {

const QColor kOddRowBackground(220, 240, 220);
const QColor kMarkedBackground(240, 240, 240);
const QColor kMarkedText(255, 0, 0);

// Extra room (in widths of 'A') that the target and emissivity columns get beyond their
// captions; the captions differ in length between the languages, so the room does too.
struct ListColumnRoom {
    int target;
    int emissivity;
};

ListColumnRoom ColumnRoom(const AppState& app)
{
    return app.language == 1 ? ListColumnRoom{21, 5} : ListColumnRoom{22, 7};
}

// A note in red that wraps within its rectangle.
void MakeRedNote(QWidget* note)
{
    auto* label = static_cast<QLabel*>(note);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, kMarkedText);
    label->setPalette(palette);
    label->setAutoFillBackground(false);
}

} // namespace

CTeachingPage::CTeachingPage(AppState& app, QWidget* parent) : CPage(parent), app_(app), ops_(app, *this)
{
    setObjectName(QStringLiteral("teachingPage"));
    CreateControls();
    LoadEmissivityList();
}

void CTeachingPage::CreateControls()
{
    const QString degrees = LangText(app_, StringId::DegreesC);
    const QString temp = LangText(app_, StringId::TeachingTempGroup);
    const QString emissivity = LangText(app_, StringId::EmissivityCaption);
    const QString teach = LangText(app_, StringId::TeachingCaption);
    const QString after = LangText(app_, StringId::AfterEmissivity);
    const QString adjust = LangText(app_, StringId::EmissivityAdjust);
    using K = ControlKind;
    // clang-format off
    const std::vector<QWidget*> made = BuildControls(this, app_, {
        {0,    nullptr,             K::Group,        {7, 4, 80, 30},    temp},
        {1070, "measuredTemp",      K::ReadOnlyEdit, {14, 15, 48, 12},  {}, temp, 155},
        {0,    nullptr,             K::Label,        {65, 17, 16, 10},  degrees},
        {0,    nullptr,             K::Group,        {92, 4, 56, 30},   emissivity},
        {1044, "currentEmissivity", K::ReadOnlyEdit, {99, 15, 40, 12},  {}, emissivity, 154},
        {1074, "readButton",        K::Button,       {154, 12, 50, 16}, LangText(app_, StringId::TeachingRead), {}, 160},
        {0,    nullptr,             K::Group,        {7, 40, 80, 30},   teach},
        {1071, "teachTemp",         K::NumericEdit,  {14, 51, 48, 12},  {}, teach, 156},
        {0,    nullptr,             K::Label,        {65, 53, 16, 10},  degrees},
        {1072, "teachButton",       K::Button,       {92, 48, 70, 16},  LangText(app_, StringId::RunTeaching), {}, 158},
        {0,    nullptr,             K::Group,        {7, 76, 80, 30},   after},
        {1045, "taughtEmissivity",  K::ReadOnlyEdit, {14, 87, 40, 12},  {}, after, 157},
        {0,    nullptr,             K::Group,        {92, 76, 112, 30}, adjust},
        {1062, "newEmissivity",     K::NumericEdit,  {99, 87, 40, 12},  {}, adjust, 127},
        {1061, "setButton",         K::Button,       {146, 85, 50, 16}, QStringLiteral("SET"), {}, 128},
        {1132, "lowEmissivityNote", K::Label,        {7, 116, 197, 48},
         LangText(app_, StringId::LowEmissivityNote)},
        {1133, "referenceNote",     K::Label,        {7, 168, 197, 40},
         LangText(app_, StringId::ReferenceNote)},
        {0,    nullptr,             K::Label,        {210, 4, 150, 10}, LangText(app_, StringId::EmissivityList)},
        {1130, "emissivityList",    K::Custom,       {210, 15, 216, 222}},
        {0,    "listSource",        K::Label,        {210, 240, 216, 10},
         LangText(app_, StringId::ListSource)},
    }, [this](const ControlRow&) { return new QTableWidget(this); });
    // clang-format on
    measured_ = static_cast<QLineEdit*>(made[1]);
    currentEmissivity_ = static_cast<QLineEdit*>(made[4]);
    readButton_ = static_cast<QPushButton*>(made[5]);
    teachTemp_ = static_cast<CNumericEdit*>(made[7]);
    teachButton_ = static_cast<QPushButton*>(made[9]);
    taughtEmissivity_ = static_cast<QLineEdit*>(made[11]);
    newEmissivity_ = static_cast<CNumericEdit*>(made[13]);
    setButton_ = static_cast<QPushButton*>(made[14]);
    MakeRedNote(made[15]);
    MakeRedNote(made[16]);
    list_ = static_cast<QTableWidget*>(made[18]);
    static_cast<QLabel*>(made[17])->setBuddy(list_);

    for (QLineEdit* edit : std::initializer_list<QLineEdit*>{measured_, currentEmissivity_, teachTemp_,
                                                             taughtEmissivity_, newEmissivity_})
        edit->setAlignment(Qt::AlignRight);
    for (CNumericEdit* edit : {teachTemp_, newEmissivity_})
        edit->setMaxLength(255);
    teachTemp_->SetDoubleRange(kTeachMinC, kTeachMaxC);
    teachTemp_->SetFormat(2, "%.1f");
    newEmissivity_->SetDoubleRange(kEmissivityMin, kEmissivityMax);
    newEmissivity_->SetFormat(2, "%.2f");

    connect(readButton_, &QPushButton::clicked, this, &CTeachingPage::ReadCurrentValues);
    connect(teachButton_, &QPushButton::clicked, this, &CTeachingPage::RunTeaching);
    connect(setButton_, &QPushButton::clicked, this, &CTeachingPage::WriteEmissivity);
    connect(list_, &QTableWidget::cellClicked, this, [this](int row, int) { OnListClicked(row); });
    for (QWidget* readOnly : {static_cast<QWidget*>(measured_), static_cast<QWidget*>(currentEmissivity_),
                              static_cast<QWidget*>(taughtEmissivity_)})
        readOnly->installEventFilter(this);
    list_->installEventFilter(this);
}

void CTeachingPage::LoadEmissivityList()
{
    const QFontMetrics metrics(list_->font());
    const int a = metrics.horizontalAdvance(QLatin1Char('A'));
    const QString number = LangText(app_, StringId::NumberHeading);
    const QString target = LangText(app_, StringId::TargetHeading);
    const QString emissivity = LangText(app_, StringId::EmissivityHeading);

    list_->setColumnCount(3);
    list_->setHorizontalHeaderLabels({number, QStringLiteral("            ") + target, emissivity});
    list_->horizontalHeaderItem(0)->setTextAlignment(Qt::AlignCenter);
    list_->horizontalHeaderItem(1)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    list_->horizontalHeaderItem(2)->setTextAlignment(Qt::AlignCenter);
    list_->setColumnWidth(0, metrics.horizontalAdvance(number) + 2 * a);
    const ListColumnRoom room = ColumnRoom(app_);
    list_->setColumnWidth(1, metrics.horizontalAdvance(target) + room.target * a);
    list_->setColumnWidth(2, metrics.horizontalAdvance(emissivity) + room.emissivity * a);
    // The header only labels the columns: no sorting, no resizing (and no greyed-out text).
    list_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list_->horizontalHeader()->setSectionsClickable(false);
    list_->horizontalHeader()->setHighlightSections(false);
    list_->verticalHeader()->hide();
    list_->setShowGrid(true);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setWordWrap(false);

    ::LoadEmissivityList(app_, EmissivityListPath(app_), entries_);
    list_->setRowCount(static_cast<int>(entries_.size()));
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const EmissivityEntry& entry = entries_[i];
        const int row = static_cast<int>(i);
        const QString texts[] = {QString::fromStdString(EmissivityRowNumberText(i)),
                                 QString::fromStdString(EmissivityRowNameText(entry)),
                                 QString::fromStdString(EmissivityRowValueText(entry))};
        for (int column = 0; column < 3; ++column) {
            auto* item = new QTableWidgetItem(texts[column]);
            item->setTextAlignment(column == 1 ? (Qt::AlignLeft | Qt::AlignVCenter) : Qt::AlignCenter);
            if (IsMarkedEntry(entry)) {
                item->setBackground(kMarkedBackground);
                item->setForeground(kMarkedText);
            } else if (row % 2 == 1) {
                item->setBackground(kOddRowBackground);
            }
            list_->setItem(row, column, item);
        }
    }
    list_->resizeRowsToContents();
    currentRow_ = 0;
}

void CTeachingPage::PageShown()
{
    DeviceGuard guard(app_);
    if (!guard.Acquired()) return;
    EnableControls(true);
    ops_.ReadCurrentValues();
    // The reading is padded for its display; in the field a leading blank would cost a negative
    // reading its sign, since a minus sign is kept only as the first character.
    teachTemp_->setText(measured_->text().trimmed());
}

void CTeachingPage::ReadCurrentValues()
{
    ops_.ReadCurrentValues();
}

void CTeachingPage::RunTeaching()
{
    ops_.RunTeaching(teachTemp_->text().toStdString());
}

void CTeachingPage::WriteEmissivity()
{
    ops_.WriteEmissivity(newEmissivity_->text().toStdString());
}

void CTeachingPage::CopyRowEmissivity(int row)
{
    if (row < 0 || row >= list_->rowCount()) return;
    const QTableWidgetItem* item = list_->item(row, 2);
    const QString text = item != nullptr ? item->text().left(10) : QString();
    if (text.size() > 1) newEmissivity_->setText(text);
}

void CTeachingPage::OnListClicked(int row)
{
    currentRow_ = row;
    CopyRowEmissivity(row);
}

void CTeachingPage::OnListKey(int key)
{
    const int last = list_->rowCount() - 1;
    if (key == Qt::Key_Down && currentRow_ < last) ++currentRow_;
    if (key == Qt::Key_Up && currentRow_ > 0) --currentRow_;
    if (currentRow_ <= last)
        list_->setCurrentCell(currentRow_, list_->currentColumn() < 0 ? 0 : list_->currentColumn());
    CopyRowEmissivity(currentRow_);
}

bool CTeachingPage::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn && watched != list_) {
        // The read-only fields pass the focus on to the teaching temperature.
        teachTemp_->setFocus(Qt::OtherFocusReason);
        return false;
    }
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab) return false;
        OnListKey(key);
        return true;
    }
    return CPage::eventFilter(watched, event);
}

void CTeachingPage::EnableControls(bool on)
{
    for (QWidget* control : {static_cast<QWidget*>(teachButton_), static_cast<QWidget*>(readButton_),
                             static_cast<QWidget*>(setButton_), static_cast<QWidget*>(taughtEmissivity_),
                             static_cast<QWidget*>(teachTemp_), static_cast<QWidget*>(newEmissivity_)})
        control->setEnabled(on);
}

void CTeachingPage::ShowMeasured(const std::string& text)
{
    measured_->setText(QString::fromStdString(text));
}

void CTeachingPage::ShowCurrentEmissivity(const std::string& text)
{
    currentEmissivity_->setText(QString::fromStdString(text));
    newEmissivity_->setText(QString::fromStdString(text));
}

void CTeachingPage::ShowTaughtEmissivity(const std::string& text)
{
    taughtEmissivity_->setText(QString::fromStdString(text));
}

void CTeachingPage::FocusTeachTemperature(bool selectFirst)
{
    teachTemp_->setFocus(Qt::OtherFocusReason);
    if (selectFirst) teachTemp_->setSelection(0, 1);
}

void CTeachingPage::Repaint()
{
    repaint();
}
