#include "memory/CMemoryPage.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFont>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QTableWidget>

#include <algorithm>
#include <ctime>

#include "app/AppState.h"
#include "app/Calendar.h"
#include "app/LangString.h"
#include "device/Clock.h"
#include "memory/MemoryList.h"
#include "resources/StringIds.h"
#include "ui/ControlId.h"
#include "ui/ControlTable.h"
#include "ui/DialogUnits.h"
#include "ui/Icons.h"
#include "ui/LangWidgets.h"

namespace {

// Item boxes over list columns 2 to 6, in the order of the page's table: bit, caption string.
struct ItemBox {
    uint16_t bit;
    int captionId;
};
constexpr std::array<ItemBox, 5> kItemBoxes = {{
    {ITEM_ROOM, 193},
    {ITEM_TIME, 192},
    {ITEM_EMISSIVITY, 194},
    {ITEM_MAX, 195},
    {ITEM_MIN, 196},
}};

constexpr int kColumnCaptionIds[kMemoryColumns] = {190, 191, 193, 192, 194, 195, 196};
// What differs between the Japanese and the English page besides the texts: the longer English
// captions need wider selection buttons, the list has another font, and each column is its
// caption's width plus this many widths of "A".
struct PageLayout {
    int selectAllWidth;
    int unselectAllX;
    int unselectAllWidth;
    const char* listFontFamily; // UTF-8
    int listFontSize;
    int extraA[kMemoryColumns];
};
constexpr PageLayout kJapaneseLayout{50, 60, 50, "ＭＳ Ｐゴシック", 9, {2, 6, 6, 18, 7, 7, 7}};
constexpr PageLayout kEnglishLayout{90, 100, 96, "Verdana", 8, {2, 6, 6, 17, 2, 10, 10}};

const PageLayout& LayoutFor(const AppState& app)
{
    return app.language == 1 ? kEnglishLayout : kJapaneseLayout;
}
const QColor kOddRowColour(220, 240, 220);

// Filter text "name|pattern|name|pattern||" as Qt's "name (pattern);;name (pattern)".
QStringList QtFilters(const std::string& filter)
{
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break;
        filters << parts[i] + QStringLiteral(" (") + parts[i + 1] + QLatin1Char(')');
    }
    return filters;
}

} // namespace

CMemoryPage::CMemoryPage(AppState& app, QWidget* parent)
    : CPage(parent), app_(app), data_(app), lastSaveDir_(app.desktopDir)
{
    setObjectName(QStringLiteral("memoryPage"));
    const bool english = app_.language == 1;
    const PageLayout& layout = LayoutFor(app_);
    const DialogUnits du(font());

    const QString unit[3] = {LangText(app_, StringId::CelsiusButton),
                             LangText(app_, StringId::FahrenheitButton), QStringLiteral("Kelvin(K)")};
    const auto item = [this](std::size_t b) { return LangText(app_, kItemBoxes[b].captionId); };
    using K = ControlKind;
    // The item boxes stand over their list columns once the columns have their widths.
    // clang-format off
    const std::vector<QWidget*> made = BuildControls(this, app_, {
        {1157, "memoryItemsGroup",  K::Group,        {4, 0, 422, 36},
         LangText(app_, StringId::MemoryItemsGroup)},
        {1156, "capacityLabel",     K::Label,        {10, 12, 62, 10},
         LangText(app_, StringId::MemoryAvailable)},
        {1043, "capacity",          K::Label,        {10, 21, 62, 13}},
        {1044, "roomItem",          K::Check,        {}, item(0), {}, 170},
        {1021, "timeItem",          K::Check,        {}, item(1), {}, 171},
        {1022, "emissivityItem",    K::Check,        {}, item(2), {}, 172},
        {1023, "maxItem",           K::Check,        {}, item(3), {}, 173},
        {1024, "minItem",           K::Check,        {}, item(4), {}, 174},
        {1010, "memoryList",        K::Custom,       {4, 40, 422, 180}, {},
         LangText(app_, StringId::MemorizedDataName)},
        {1039, "celsiusButton",     K::Radio,        {6, 226, 60, 10},   unit[0], {}, 187},
        {1040, "fahrenheitButton",  K::Radio,        {68, 226, 60, 10},  unit[1], {}, 188},
        {1041, "kelvinButton",      K::Radio,        {130, 226, 60, 10}, unit[2], {}, 189},
        {1096, "selectAllButton",   K::DialogButton, {6, 240, layout.selectAllWidth, 14},
         LangText(app_, StringId::SelectAll)},
        {1097, "unselectAllButton", K::DialogButton, {layout.unselectAllX, 240, layout.unselectAllWidth, 14},
         LangText(app_, StringId::UnselectAll)},
        {1030, "readButton",        K::DialogButton, {326, 224, 30, 30}, {},
         LangText(app_, StringId::MemoryReadName), 210},
        {1027, "writeButton",       K::DialogButton, {360, 224, 30, 30}, {},
         LangText(app_, StringId::MemoryWriteName), 176},
        {1026, "saveButton",        K::DialogButton, {394, 224, 30, 30}, {},
         LangText(app_, StringId::MemorySaveName), 177},
    }, [this](const ControlRow&) { return new QTableWidget(0, kMemoryColumns, this); });
    // clang-format on
    itemGroup_ = static_cast<QGroupBox*>(made[0]);
    capacityLabel_ = static_cast<QLabel*>(made[1]);
    capacity_ = static_cast<QLabel*>(made[2]);
    capacity_->setFont(QFont(QStringLiteral("Verdana"), 14));
    capacity_->setAlignment(Qt::AlignCenter);
    capacityLabel_->setBuddy(capacity_);
    for (std::size_t b = 0; b < kItemBoxes.size(); ++b) {
        itemBoxes_[b] = static_cast<QCheckBox*>(made[3 + b]);
        const uint16_t bit = kItemBoxes[b].bit;
        connect(itemBoxes_[b], &QCheckBox::toggled, this,
                [this, bit](bool checked) { OnItemCheck(bit, checked); });
    }

    list_ = static_cast<QTableWidget*>(made[8]);
    connect(list_, &QTableWidget::itemChanged, this, &CMemoryPage::OnItemChanged);

    for (std::size_t u = 0; u < 3; ++u) {
        unitButtons_[u] = static_cast<QRadioButton*>(made[9 + u]);
        connect(unitButtons_[u], &QRadioButton::toggled, this, [this](bool on) {
            if (on) OnUnit();
        });
    }
    unitButtons_[1]->setEnabled(english); // the Japanese page shows Celsius and Kelvin only

    selectAll_ = static_cast<QPushButton*>(made[12]);
    unselectAll_ = static_cast<QPushButton*>(made[13]);
    connect(selectAll_, &QPushButton::clicked, this, [this] { OnSelectAll(true); });
    connect(unselectAll_, &QPushButton::clicked, this, [this] { OnSelectAll(false); });

    readButton_ = static_cast<QPushButton*>(made[14]);
    writeButton_ = static_cast<QPushButton*>(made[15]);
    saveButton_ = static_cast<QPushButton*>(made[16]);
    SetUpButtons(du);
    SetUpList();
    PlaceItemBoxes();

    initializing_ = true;
    unitButtons_[0]->setChecked(true); // runs OnUnit: captions with their unit, no fill
    initializing_ = false;
    ShowCapacity();
}

// The read, write and save buttons: their icons and their work.
void CMemoryPage::SetUpButtons(const DialogUnits& du)
{
    const std::pair<QPushButton*, QIcon> icons[] = {
        {readButton_, Icons::Read()}, {writeButton_, Icons::Write()}, {saveButton_, Icons::Save()}};
    for (const auto& [button, icon] : icons) {
        button->setIcon(icon);
        button->setIconSize(du.Size(20, 20));
    }
    connect(readButton_, &QPushButton::clicked, this, &CMemoryPage::OnRead);
    connect(writeButton_, &QPushButton::clicked, this, &CMemoryPage::OnWrite);
    connect(saveButton_, &QPushButton::clicked, this, &CMemoryPage::OnSave);
    writeButton_->setEnabled(false);
    if (!data_.BufferReady()) {
        readButton_->setEnabled(false); // without a buffer there is nothing to read into
    }
}

// The list's look and its column widths, from its own font.
void CMemoryPage::SetUpList()
{
    const PageLayout& layout = LayoutFor(app_);
    list_->setFont(QFont(QString::fromUtf8(layout.listFontFamily), layout.listFontSize));
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setShowGrid(true);
    list_->setSortingEnabled(false);
    list_->verticalHeader()->hide();
    list_->verticalHeader()->setDefaultSectionSize(QFontMetrics(list_->font()).height() + 4);
    list_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list_->horizontalHeader()->setSectionsClickable(false);
    list_->horizontalHeader()->setEnabled(false);

    // Column widths from the list's own font, on the captions without their unit; the number
    // column also holds the row's check box. Where the fonts at hand are wider than the ones
    // the widths were made for, the columns shrink alike so the list needs no sideways scroll.
    const QFontMetrics metrics(list_->font());
    const int a = metrics.horizontalAdvance(QLatin1Char('A'));
    std::array<int, kMemoryColumns> widths{};
    int total = 0;
    for (int c = 0; c < kMemoryColumns; ++c) {
        widths[static_cast<std::size_t>(c)] =
            metrics.horizontalAdvance(LangText(app_, kColumnCaptionIds[c])) + layout.extraA[c] * a + 8;
        total += widths[static_cast<std::size_t>(c)];
    }
    widths[0] += list_->style()->pixelMetric(QStyle::PM_IndicatorWidth) + 4;
    total += list_->style()->pixelMetric(QStyle::PM_IndicatorWidth) + 4;
    const int available =
        list_->width() - 2 * list_->frameWidth() - list_->verticalScrollBar()->sizeHint().width();
    if (total > available) {
        int used = 0;
        for (int& width : widths) {
            width = width * available / total;
            used += width;
        }
        widths[3] += available - used;
    }
    for (int c = 0; c < kMemoryColumns; ++c)
        list_->setColumnWidth(c, widths[static_cast<std::size_t>(c)]);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

CMemoryPage::~CMemoryPage() = default;

void CMemoryPage::PlaceItemBoxes()
{
    // Each item box stands over its list column (2 to 6), inside the item group.
    const DialogUnits du(font());
    const int y = itemGroup_->y() + du.Y(17);
    const int x0 = list_->x() + list_->frameWidth();
    for (std::size_t b = 0; b < itemBoxes_.size(); ++b) {
        const int column = static_cast<int>(b) + 2;
        const int width = list_->columnWidth(column);
        QCheckBox* box = itemBoxes_[b];
        const int boxWidth = box->sizeHint().width(); // may reach over a narrow column
        box->setGeometry(x0 + list_->columnViewportPosition(column) + (width - boxWidth) / 2, y, boxWidth,
                         du.Y(12));
        box->raise();
    }
    capacityLabel_->raise();
    capacity_->raise();
}

void CMemoryPage::PageShown()
{
    data_.Read(false, [this] { FillList(); });
    ShowItems();
    ShowCapacity();
}

void CMemoryPage::OnRead()
{
    const bool read = data_.Read(true, [this] {
        RefreshList();
        FillList();
    });
    if (read) {
        ShowItems();
        ShowCapacity();
    }
}

void CMemoryPage::OnWrite()
{
    RefreshList();
    data_.Write(CheckedRows(), true);
    RefreshList();
}

void CMemoryPage::RefreshList()
{
    list_->hide();
    list_->show();
    repaint();
}

void CMemoryPage::OnSave()
{
    const std::time_t now = app_.clock->WallTime();
    std::tm local{};
    LocalTimeOf(now, local);
    const QStringList filters = QtFilters(LoadLangString(app_, 236));
    QFileDialog dialog(this);
    dialog.setObjectName(QStringLiteral("memorySaveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.setDirectory(
        QString::fromStdString(lastSaveDir_.empty() ? QDir::homePath().toStdString() : lastSaveDir_));
    dialog.selectFile(QString::fromStdString(DefaultMemoryFileName(app_, local)));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const std::string chosen = dialog.selectedFiles().front().toStdString();
    const bool asReport = filters.isEmpty() || dialog.selectedNameFilter() == filters.front();
    std::string saveDir;
    SaveMemoryList(app_, chosen, asReport, Snapshot(), saveDir);
    lastSaveDir_ = saveDir;
}

MemoryListSnapshot CMemoryPage::Snapshot() const
{
    MemoryListSnapshot list;
    for (int r = 0; r < list_->rowCount(); ++r) {
        MemoryListRow row;
        row.hasData = r < static_cast<int>(rowHasData_.size()) && rowHasData_[static_cast<std::size_t>(r)];
        for (int c = 0; c < kMemoryColumns; ++c) {
            if (const QTableWidgetItem* item = list_->item(r, c))
                row.cells[static_cast<std::size_t>(c)] = item->text().toStdString();
        }
        list.rows.push_back(row);
    }
    for (int c = 0; c < kMemoryColumns; ++c)
        list.captions[static_cast<std::size_t>(c)] = list_->horizontalHeaderItem(c)->text().toStdString();
    list.unitText = UnitText(app_, unit_);
    list.typeName = app_.typeName;
    list.recordsRead = data_.RecordsRead();
    list.storedCount = data_.StoredCount();
    return list;
}

void CMemoryPage::OnUnit()
{
    for (int u = 0; u < 3; ++u) {
        if (unitButtons_[static_cast<std::size_t>(u)]->isChecked()) unit_ = u;
    }
    UpdateCaptions();
    if (!initializing_) FillList();
}

void CMemoryPage::UpdateCaptions()
{
    const auto captions = ColumnCaptions(app_, unit_);
    for (int c = 0; c < kMemoryColumns; ++c) {
        auto* header = new QTableWidgetItem(QString::fromStdString(captions[static_cast<std::size_t>(c)]));
        header->setTextAlignment(Qt::AlignCenter);
        list_->setHorizontalHeaderItem(c, header);
    }
}

void CMemoryPage::OnItemCheck(uint16_t bit, bool checked)
{
    data_.SetItem(bit, checked);
    ShowCapacity();
    FillList();
}

void CMemoryPage::ShowItems()
{
    // The boxes show the items just read; the list is already filled for them.
    for (std::size_t b = 0; b < itemBoxes_.size(); ++b) {
        const QSignalBlocker blocker(itemBoxes_[b]);
        itemBoxes_[b]->setChecked((data_.memoryItems & kItemBoxes[b].bit) != 0);
    }
}

void CMemoryPage::ShowCapacity()
{
    capacity_->setText(QString::number(data_.capacity));
}

void CMemoryPage::FillList()
{
    filling_ = true;
    list_->setRowCount(0);
    const std::vector<MemoryListRow> rows = MakeListRows(data_.records, data_.capacity, unit_);
    list_->setRowCount(static_cast<int>(rows.size()));
    rowHasData_.assign(rows.size(), false);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const MemoryListRow& row = rows[static_cast<std::size_t>(r)];
        rowHasData_[static_cast<std::size_t>(r)] = row.hasData;
        for (int c = 0; c < kMemoryColumns; ++c) {
            auto* item = new QTableWidgetItem(QString::fromStdString(row.cells[static_cast<std::size_t>(c)]));
            item->setTextAlignment(Qt::AlignCenter);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable |
                           (c == 0 ? Qt::ItemIsUserCheckable : Qt::NoItemFlags));
            if (c == 0) item->setCheckState(row.hasData ? Qt::Checked : Qt::Unchecked);
            if (r % 2 == 1) item->setBackground(kOddRowColour);
            list_->setItem(r, c, item);
        }
    }
    filling_ = false;
    UpdateWriteButton();
    if (list_->rowCount() > 0) {
        list_->setFocus();
        list_->setCurrentCell(0, 0);
    }
    repaint();
}

std::vector<bool> CMemoryPage::CheckedRows() const
{
    std::vector<bool> checked(static_cast<std::size_t>(list_->rowCount()));
    for (int r = 0; r < list_->rowCount(); ++r) {
        const QTableWidgetItem* item = list_->item(r, 0);
        checked[static_cast<std::size_t>(r)] = item != nullptr && item->checkState() == Qt::Checked;
    }
    return checked;
}

void CMemoryPage::OnItemChanged(QTableWidgetItem* item)
{
    if (filling_ || item == nullptr || item->column() != 0) return;
    const int row = item->row();
    const bool hasData =
        row < static_cast<int>(rowHasData_.size()) && rowHasData_[static_cast<std::size_t>(row)];
    if (!hasData && item->checkState() != Qt::Unchecked) {
        item->setCheckState(Qt::Unchecked); // a row without data can never stay checked
        return;
    }
    UpdateWriteButton();
}

void CMemoryPage::UpdateWriteButton()
{
    const std::vector<bool> checked = CheckedRows();
    writeButton_->setEnabled(std::find(checked.begin(), checked.end(), true) != checked.end());
}

void CMemoryPage::OnSelectAll(bool check)
{
    for (int r = 0; r < list_->rowCount(); ++r) {
        if (QTableWidgetItem* item = list_->item(r, 0))
            item->setCheckState(check ? Qt::Checked : Qt::Unchecked);
    }
}
