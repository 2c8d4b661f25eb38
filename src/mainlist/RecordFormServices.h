// What the main list and the directory searches ask of the record-entry windows: the record form and the
// batch change. The form belongs to the record-entry part of the program, which builds on this one, so the
// other windows reach it through this interface and a maker the program installs at start.
#pragma once

#include <cstdint>
#include <functional>

class QWidget;
class TAddressList;
struct TAddressRecord;
struct TDirectoryDetail;

class TRecordFormServices {
public:
    virtual ~TRecordFormServices() = default;

    virtual QWidget *FormWindow() = 0;
    // The list the shown record belongs to (-1 none, 0/2 the directory searches, 1 the main list) and
    // whether the form still shows that list's entry (1).
    virtual int GetSourceList() const = 0;
    virtual int GetLinked() const = 0;
    virtual int32_t GetRecNo() const = 0;
    // 0 saved, 1 nothing to save, 9 cancelled or not stored (the input stays).
    virtual int CheckUnsavedChanges(bool closing, bool refreshList) = 0;
    virtual void ShowRecord(const TAddressRecord &record) = 0;
    virtual void BeginNewRecord() = 0;
    virtual void SetSourceList(int kind) = 0;
    virtual void SetSkipUnsavedCheck(bool flag) = 0;
    virtual void UpdateRecordNavigator() = 0;
    virtual void DisableRecordNavigator() = 0;
    // A new record filled from a directory entry.
    virtual void NewFromDirectory(const TDirectoryDetail &detail) = 0;
    virtual void RefreshGroupList() = 0;
    virtual void RefreshSenderList() = 0;
    virtual void SelectSender(int32_t senderNo) = 0;
    virtual void ApplyKeywordNames() = 0;
    virtual void ApplyKeywordInputModes() = 0;
    // The map or route program changed in the settings.
    virtual void UpdateMapRouteHints() = 0;
};

// The record form while it exists; the form clears it when it closes.
inline TRecordFormServices *RecordForm = nullptr;
// Makes the record form for the main list; installed when the program starts.
inline std::function<TRecordFormServices *(TAddressList *owner)> MakeRecordForm;

// Runs the batch change of the selected records; installed when the program starts.
inline std::function<void(TAddressList *list)> RunBatchChange;
