#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "device/CCommIO.h"
#include "memory/MemoryCapacity.h"
#include "memory/MemoryRecord.h"

struct AppState;

// Owns the memory's record buffer, its item word and the link that reads and writes it.
// The memory data of the thermometer as the program holds it: the record buffer, the item word,
// the capacity, and the read and write-back transactions. Shared by the memory page and rm42ctl;
// every report and question goes through app.ui. User-interface thread only.
class MemoryData {
public:
    // Reads the [MemSet] table and allocates DataMax_TEMP empty record slots. When the buffer
    // cannot be had, shows "not enough memory." and BufferReady() stays false.
    explicit MemoryData(AppState& app);

    bool BufferReady() const { return bufferReady_; }

    // The whole read: DA, serial number (into app.deviceSerial / deviceSerialText), item word,
    // stored count, then every word of every stored record, 81. ioError tells whether anything
    // failed; records read before a failure stay, slots after it are empty.
    void ReadMemory();
    // The write-back: the records of the checked rows (index = list row) packed from the first
    // slot with the current item word, the other slots up to capacity cleared, the count into
    // 40 and 41. Refuses a thermometer with another serial number than app.deviceSerial.
    void WriteMemory(const std::vector<bool>& checkedRows);

    // The read with its frame: the question before a re-read (askFirst), deviceSemaphore, the
    // tab control off, ReadMemory, fillList (whatever the outcome), tabs on, message 211 after a
    // failure. False when nothing was read (declined, busy, or no buffer).
    bool Read(bool askFirst, const std::function<void()>& fillList);
    // The write-back with its frame: the question (askFirst), deviceSemaphore, wait cursor, tabs
    // off, WriteMemory, tabs on, message 219 after a failure. False when nothing was attempted;
    // refused with a message while the last read left records of the thermometer unread.
    bool Write(const std::vector<bool>& checkedRows, bool askFirst);

    // An item check box: sets or clears the bit and updates the capacity.
    void SetItem(uint16_t bit, bool on);
    // capacity from memoryItems and the [MemSet] table.
    void UpdateCapacity();
    void ClearRecords();
    // Records of the last read that arrived whole, and the count the thermometer gave (-1 before
    // any read got that far).
    int RecordsRead() const;
    int StoredCount() const { return stored_; }

    std::vector<MemoryRecord> records;
    uint16_t memoryItems = 0;
    int capacity = 0;
    bool ioError = false;
    CapacityTable table;
    CCommIO commIO;

private:
    // The device to this operation alone (false, and nothing run, while another one holds it),
    // the tabs off while it runs, the wait cursor throughout when asked for, and the failedId box
    // when the operation left ioError set.
    bool RunExclusive(const std::function<void()>& operation, int failedId, bool waitCursor);

    AppState& app_;
    bool bufferReady_ = false;
    int stored_ = -1;      // the thermometer's count at the last read
    int held_ = 0;         // records the last read tried to read (the list shows at least these)
    int readComplete_ = 0; // of them, read whole
};
