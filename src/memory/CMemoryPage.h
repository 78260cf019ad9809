#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "memory/MemoryData.h"
#include "memory/MemoryReport.h"
#include "ui/CPage.h"

class QAbstractButton;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QTableWidgetItem;
class DialogUnits;
struct AppState;

// Owns the memory page's controls and the MemoryData they show.
// The memory data page (tab 1): the thermometer's stored records as a list with a check box per
// row, the display unit, the item selection, and Read, Write and Save. Reads the thermometer
// every time the user brings it up.
class CMemoryPage : public CPage {
    Q_OBJECT
public:
    CMemoryPage(AppState& app, QWidget* parent);
    ~CMemoryPage() override;

    void PageShown() override;

    const MemoryData& Data() const { return data_; }
    int Unit() const { return unit_; }
    // Row check states of the list, one per row.
    std::vector<bool> CheckedRows() const;

private:
    void OnRead();
    void OnWrite();
    void OnSave();
    void OnUnit();
    void OnItemCheck(uint16_t bit, bool checked);
    void OnItemChanged(QTableWidgetItem* item);
    void OnSelectAll(bool check);
    void FillList();
    void ShowItems();
    void ShowCapacity();
    void UpdateCaptions();
    void PlaceItemBoxes();
    void SetUpButtons(const DialogUnits& du);
    void SetUpList();
    void RefreshList();
    void UpdateWriteButton();
    MemoryListSnapshot Snapshot() const;

    AppState& app_;
    MemoryData data_;
    int unit_ = 0;
    bool initializing_ = false;
    bool filling_ = false;
    std::string lastSaveDir_;
    std::vector<bool> rowHasData_;

    QTableWidget* list_ = nullptr;
    QGroupBox* itemGroup_ = nullptr;
    std::array<QCheckBox*, 5> itemBoxes_{};
    std::array<QRadioButton*, 3> unitButtons_{};
    QLabel* capacityLabel_ = nullptr;
    QLabel* capacity_ = nullptr;
    QPushButton* selectAll_ = nullptr;
    QPushButton* unselectAll_ = nullptr;
    QPushButton* readButton_ = nullptr;
    QPushButton* writeButton_ = nullptr;
    QPushButton* saveButton_ = nullptr;
};
