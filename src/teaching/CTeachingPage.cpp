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
#include "teaching/EmissivityList.h"
#include "ui/CNumericEdit.h"
#include "ui/ControlId.h"
#include "ui/DialogUnits.h"
#include "ui/LangWidgets.h"

namespace {

constexpr int kTeachingCaptionId = 104;
constexpr int kTargetHeadingId = 246;
constexpr int kEmissivityHeadingId = 247;
constexpr int kNumberHeadingId = 248;

const QColor kOddRowBackground(220, 240, 220);
const QColor kMarkedBackground(240, 240, 240);
const QColor kMarkedText(255, 0, 0);

QString Pick(bool english, const char* en, const char* ja)
{
    return QString::fromUtf8(english ? en : ja);
}

QLineEdit* MakeReadOnlyEdit(QWidget* parent, int id, const QString& objectName, const QRect& rect,
                            const QString& accessibleName)
{
    auto* edit = new QLineEdit(parent);
    SetControlId(edit, id, objectName);
    edit->setGeometry(rect);
    edit->setReadOnly(true);
    edit->setAlignment(Qt::AlignRight);
    edit->setAccessibleName(accessibleName);
    return edit;
}

QGroupBox* MakeGroup(QWidget* parent, const QString& title, const QRect& rect)
{
    auto* group = new QGroupBox(title, parent);
    group->setGeometry(rect);
    return group;
}

QPushButton* MakeButton(QWidget* parent, int id, const QString& objectName, const QString& text,
                        const QRect& rect)
{
    auto* button = new QPushButton(text, parent);
    SetControlId(button, id, objectName);
    button->setGeometry(rect);
    button->setAutoDefault(false);
    return button;
}

QLabel* MakeRedNote(QWidget* parent, int id, const QString& objectName, const QString& text,
                    const QRect& rect)
{
    auto* note = new QLabel(text, parent);
    SetControlId(note, id, objectName);
    note->setGeometry(rect);
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    note->setTextFormat(Qt::PlainText);
    QPalette palette = note->palette();
    palette.setColor(QPalette::WindowText, kMarkedText);
    note->setPalette(palette);
    note->setAutoFillBackground(false);
    return note;
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
    const DialogUnits du(font());
    const bool english = app_.language == 1;
    const QString degrees = Pick(english, "°C", "℃");

    const QString tempTitle = Pick(english, "Temp.", "温度");
    MakeGroup(this, tempTitle, du.Rect(7, 4, 80, 30));
    measured_ =
        MakeReadOnlyEdit(this, 1070, QStringLiteral("measuredTemp"), du.Rect(14, 15, 48, 12), tempTitle);
    (new QLabel(degrees, this))->setGeometry(du.Rect(65, 17, 16, 10));

    const QString emissivityTitle = Pick(english, "Emissivity", "放射率");
    MakeGroup(this, emissivityTitle, du.Rect(92, 4, 56, 30));
    currentEmissivity_ = MakeReadOnlyEdit(this, 1044, QStringLiteral("currentEmissivity"),
                                          du.Rect(99, 15, 40, 12), emissivityTitle);

    readButton_ = MakeButton(this, 1074, QStringLiteral("readButton"), Pick(english, "Read", "読込み"),
                             du.Rect(154, 12, 50, 16));

    const QString teachTitle = LangText(app_, kTeachingCaptionId);
    MakeGroup(this, teachTitle, du.Rect(7, 40, 80, 30));
    teachTemp_ = new CNumericEdit(this);
    SetControlId(teachTemp_, 1071, QStringLiteral("teachTemp"));
    teachTemp_->setGeometry(du.Rect(14, 51, 48, 12));
    teachTemp_->setAlignment(Qt::AlignRight);
    teachTemp_->setMaxLength(255);
    teachTemp_->SetDoubleRange(kTeachMinC, kTeachMaxC);
    teachTemp_->SetFormat(2, "%.1f");
    teachTemp_->SuppressImeOnFocus(app_);
    teachTemp_->setAccessibleName(teachTitle);
    (new QLabel(degrees, this))->setGeometry(du.Rect(65, 53, 16, 10));

    teachButton_ = MakeButton(this, 1072, QStringLiteral("teachButton"),
                              Pick(english, "Teaching", "ティーチング実行"), du.Rect(92, 48, 70, 16));

    const QString afterTitle = Pick(english, "After Emissivity", "ﾃｨｰﾁﾝｸﾞ後放射率");
    MakeGroup(this, afterTitle, du.Rect(7, 76, 80, 30));
    taughtEmissivity_ =
        MakeReadOnlyEdit(this, 1045, QStringLiteral("taughtEmissivity"), du.Rect(14, 87, 40, 12), afterTitle);

    const QString adjustTitle = Pick(english, "Emissivity Adjust", "放射率変更");
    MakeGroup(this, adjustTitle, du.Rect(92, 76, 112, 30));
    newEmissivity_ = new CNumericEdit(this);
    SetControlId(newEmissivity_, 1062, QStringLiteral("newEmissivity"));
    newEmissivity_->setGeometry(du.Rect(99, 87, 40, 12));
    newEmissivity_->setAlignment(Qt::AlignRight);
    newEmissivity_->setMaxLength(255);
    newEmissivity_->SetDoubleRange(kEmissivityMin, kEmissivityMax);
    newEmissivity_->SetFormat(2, "%.2f");
    newEmissivity_->SuppressImeOnFocus(app_);
    newEmissivity_->setAccessibleName(adjustTitle);
    setButton_ =
        MakeButton(this, 1061, QStringLiteral("setButton"), QStringLiteral("SET"), du.Rect(146, 85, 50, 16));

    MakeRedNote(
        this, 1132, QStringLiteral("lowEmissivityNote"),
        Pick(english,
             "* Measurement with an emissivity of 0.5 or less substance has little radiation of infrared "
             "energy, exact measurement is difficult. It is recommended to use black tape for accurate "
             "value.",
             "※ "
             "放射率0."
             "5以下の物質の測定は、赤外線エネルギーの放射が少ない為、正確な測定は困難ですので注意して下さい"),
        du.Rect(7, 116, 197, 48));
    MakeRedNote(
        this, 1133, QStringLiteral("referenceNote"),
        Pick(english,
             "* The Emissivity List depends on the quality of the material or surface state, the value of "
             "the table should give a reference value.",
             "※ 放射率は、材質/表面状態などに依存するため、放射率表の数値はあくまで参考としてください"),
        du.Rect(7, 168, 197, 40));

    auto* listLabel = new QLabel(Pick(english, "Emissivity List", "放射率表"), this);
    listLabel->setGeometry(du.Rect(210, 4, 150, 10));
    list_ = new QTableWidget(this);
    SetControlId(list_, 1130, QStringLiteral("emissivityList"));
    list_->setGeometry(du.Rect(210, 15, 216, 222));
    listLabel->setBuddy(list_);
    auto* source = new QLabel(
        Pick(english, "Referred to: Infrared Engineering Science Book", "参考文献： 赤外線工学"), this);
    source->setObjectName(QStringLiteral("listSource"));
    source->setGeometry(du.Rect(210, 240, 216, 10));

    AddLangTool(teachTemp_, app_, 156);
    AddLangTool(taughtEmissivity_, app_, 157);
    AddLangTool(measured_, app_, 155);
    AddLangTool(currentEmissivity_, app_, 154);
    AddLangTool(readButton_, app_, 160);
    AddLangTool(teachButton_, app_, 158);
    AddLangTool(newEmissivity_, app_, 127);
    AddLangTool(setButton_, app_, 128);

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
    const bool english = app_.language == 1;
    const QFontMetrics metrics(list_->font());
    const int a = metrics.horizontalAdvance(QLatin1Char('A'));
    const QString number = LangText(app_, kNumberHeadingId);
    const QString target = LangText(app_, kTargetHeadingId);
    const QString emissivity = LangText(app_, kEmissivityHeadingId);

    list_->setColumnCount(3);
    list_->setHorizontalHeaderLabels({number, QStringLiteral("            ") + target, emissivity});
    list_->horizontalHeaderItem(0)->setTextAlignment(Qt::AlignCenter);
    list_->horizontalHeaderItem(1)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    list_->horizontalHeaderItem(2)->setTextAlignment(Qt::AlignCenter);
    list_->setColumnWidth(0, metrics.horizontalAdvance(number) + 2 * a);
    list_->setColumnWidth(1, metrics.horizontalAdvance(target) + (english ? 21 : 22) * a);
    list_->setColumnWidth(2, metrics.horizontalAdvance(emissivity) + (english ? 5 : 7) * a);
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
