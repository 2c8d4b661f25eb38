// The Unicode Japanese name edit: the behaviour of TNameInputWatcher on TUniEdit, and the insertion of a name
// chosen in the name-reading pop-up.
#pragma once

#include "records/NameInputWatcher.h"
#include "widgets/UniStdCtrls.h"

// Its signals are those of TNMDEdit (NMDEdit.h); Value stays 8-bit.
class TUniNMDEdit : public TUniEdit {
    Q_OBJECT
public:
    explicit TUniNMDEdit(QWidget *parent = nullptr);
    ~TUniNMDEdit() override;

    TInputKind InputType() const { return watcher_->InputType(); }
    void SetInputType(TInputKind kind) { watcher_->SetInputType(kind); }
    // The partner edit (not owned); empty again when the partner is deleted.
    TUniEdit *Associate() const { return static_cast<TUniEdit *>(watcher_->Associate()); }
    void SetAssociate(TUniEdit *partner) { watcher_->SetAssociate(partner); }

    // Puts a name and its reading (Shift-JIS) from the pop-up in place of the selection, the written form
    // here and the reading in the partner (the other way round in a reading field), and puts the caret at
    // the end. A family name at the start gets the blank that separates it from the given name.
    void InsertConvertedName(const QByteArray &name, const QByteArray &reading, TNameDicKind kind);

signals:
    void OnConvertNeed(QObject *Sender, TNameDicKind Kind, bool Show, const QByteArray &Value);
    void OnConvertKeyDown(QObject *Sender, quint32 &Key, bool &Result);

protected:
    void Change() override;
    void DoEnter() override;
    void DoExit() override;

private:
    TNameInputWatcher *watcher_;
};
