#pragma once

#include <vector>

#include "teaching/EmissivityList.h"
#include "teaching/TeachingOperations.h"
#include "ui/CPage.h"

class CNumericEdit;
class QLineEdit;
class QPushButton;
class QTableWidget;
struct AppState;

// Owns the teaching page's controls, the emissivity list and the TeachingOperations.
// The teaching page (tab 2). A child of the main dialog, placed over the tab control's page area;
// shown while its tab is selected. Reads the current values when shown, teaches or writes an
// emissivity on its buttons, and shows the emissivity reference list.
class CTeachingPage : public CPage, private TeachingView {
    Q_OBJECT
public:
    CTeachingPage(AppState& app, QWidget* parent);

    void PageShown() override;

    int CurrentRow() const { return currentRow_; }
    const TeachingOperations& Operations() const { return ops_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The buttons' work.
    void ReadCurrentValues();
    void RunTeaching();
    void WriteEmissivity();
    void CreateControls();
    void LoadEmissivityList();
    void OnListClicked(int row);
    // Up and Down move the current row within the list; every key copies its emissivity.
    void OnListKey(int key);
    void CopyRowEmissivity(int row);

    // TeachingView
    void EnableControls(bool on) override;
    void ShowMeasured(const std::string& text) override;
    void ShowCurrentEmissivity(const std::string& text) override;
    void ShowTaughtEmissivity(const std::string& text) override;
    void FocusTeachTemperature(bool selectFirst) override;
    void Repaint() override;

    AppState& app_;
    TeachingOperations ops_;
    QPushButton* readButton_ = nullptr;      // 1074
    QLineEdit* measured_ = nullptr;          // 1070
    QLineEdit* currentEmissivity_ = nullptr; // 1044
    CNumericEdit* teachTemp_ = nullptr;      // 1071
    QPushButton* teachButton_ = nullptr;     // 1072
    QLineEdit* taughtEmissivity_ = nullptr;  // 1045
    CNumericEdit* newEmissivity_ = nullptr;  // 1062
    QPushButton* setButton_ = nullptr;       // 1061
    QTableWidget* list_ = nullptr;           // 1130
    std::vector<EmissivityEntry> entries_;
    int currentRow_ = 0;
};
