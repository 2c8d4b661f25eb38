// The name-reading pop-up of a form's name edits (the sender list, the QR-code settings): the names that
// read as what is being typed, the choice put into the edit it was opened under, and the pop-up kept under
// that edit while the form moves.
#pragma once

#include "records/NameInputWatcher.h"

#include <QByteArray>
#include <QPointer>

#include <vector>

class QObject;
class QWidget;
class TUniNameDic;
class TUniNMDEdit;

class TNameReadingPopup {
public:
    // Edit i carries tag i; edit 0 reads a family name unless it asks for a given name, the others read
    // given names. The pop-up is made, owned by form, when it is first needed.
    TNameReadingPopup(QWidget *form, std::vector<TUniNMDEdit *> edits);

    // The edits' OnConvertNeed: shows the candidates under sender for value, or closes the pop-up.
    void ConvertNeed(QObject *sender, TNameDicKind kind, bool show, const QByteArray &value);
    // The edits' OnConvertKeyDown: the pop-up takes the keys it moves by while it is shown.
    void ConvertKeyDown(quint32 &key, bool &handled);
    // The form got WM_NAMEDICCHOSEN: the chosen name goes into its edit, which takes the focus.
    void Converted();
    // The form moved.
    void FollowForm();
    void Close();

private:
    TUniNMDEdit *editOfTag(int tag) const;

    QWidget *form_;
    std::vector<TUniNMDEdit *> edits_;
    QPointer<TUniNameDic> dic_;
};
