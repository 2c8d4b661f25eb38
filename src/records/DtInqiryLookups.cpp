// The record form's look-ups: the municipality codes of the typed address, the dictionary search that fills
// the address, the codes or the names from a number, a postal code or an address, and the name-reading pop-up
// under the name edits.
#include "records/DtInqiry.h"

#include "records/EntryHelpers.h"

#include "base/Folders.h"
#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/HistoryData.h"
#include "core/SharedHelpers.h"
#include "db/Table.h"
#include "directory/ExportItemSelect.h"
#include "geo/ContinualAdrsSearch.h"
#include "geo/DicSch.h"
#include "geo/UniNMDic.h"
#include "mainlist/AdrsList.h"
#include "mainlist/RecordListing.h"
#include "platform/CustomEvents.h"
#include "platform/Forms.h"
#include "platform/MemIniFile.h"
#include "platform/MessageBox.h"
#include "platform/Process.h"
#include "records/InputLst.h"
#include "records/ItemCopy.h"
#include "records/NMDEdit.h"
#include "records/UniNMDEdit.h"
#include "widgets/ShiftJisValidator.h"
#include "widgets/UniStdCtrls.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include <set>

namespace {

// True when the address already typed begins with the dictionary's one, so a street number or building typed
// after it is kept.
bool AddressStartsWith(const QString &current, const QString &dictionary)
{
    const QString typed = TrimBlanks(current);
    return !typed.isEmpty() && typed.startsWith(dictionary);
}

}  // namespace

// The municipality and town codes of the typed address. An address the dictionary does not know changes
// nothing; a dictionary that cannot be used is reported.
void TDataInquiry::bbtnGetJisCodeClick()
{
    const QString address = AddressOfForm();
    if (address.isEmpty()) {
        edtJisCode->clear();
        lblKajoCode->clear();
        return;
    }
    try {
        TContinualAdrsSearch search(AppFolder, AppFolder + QStringLiteral("Dic/"));
        if (search.Search(Sjis::encode(address)) != 0)
            return;
        const TContinualAdrsResult &result = search.GetResult(false);
        edtJisCode->setText(Sjis::decode(FieldText(result.JisCode)));
        lblKajoCode->setText(Sjis::decode(FieldText(result.TownCode)));
    } catch (const EDicSearchError &e) {
        ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
    }
}

void TDataInquiry::bbtnDicSchClick(int tag)
{
    QLineEdit *target = edtPos;
    QString key;
    if (tag == 0) {
        target = edtTel;
        for (QLineEdit *edit : {edtTel, edtFax, edtPortable1, edtPortable2}) {
            if (!edit->text().isEmpty()) {
                target = edit;
                key = edit->text();
                break;
            }
        }
    } else if (tag == 1) {
        key = edtPos->text();
    } else {
        target = edtTdfkn;
        key = AddressOfForm();
    }
    RunDictionarySearch(tag, key, false);
    target->setCursorPosition(int(target->text().size()));
    target->setFocus();
}

void TDataInquiry::RunDictionarySearch(int kind, const QString &key, bool showExtra)
{
    TDicSearch DicSearch(this);
    CenterFormOnOwner(&DicSearch, this);
    DicSearch.SetOwnerHandle(this);
    DicSearch.SetListHelpContext(34);
    DicSearch.SetPages(dicPageTel | dicPageTelLocal | dicPagePos | dicPageAdrs, true, showExtra);
    const int start = DicSearch.StartWith(kind, Sjis::encode(key));
    if (start == 0) {
        if (ExecDialog(DicSearch) != QDialog::Accepted)
            return;
    } else if (start != 1) {
        return;
    }

    if (DicSearch.ResultKind() == dicResultAdrsBook) {
        // Switching to another stored record must not drop what was typed here without asking.
        if (CheckUnsavedChanges(false, true) == ucCancelled || !AddressList)
            return;
        const int32_t recNo = DicSearch.GetSelectedHit();
        const int index = AddressList->IndexOfRecNo(recNo);
        TAddressRecord record;
        if (index >= 0 ? AddressList->ReadRecordAt(index, &record) : AddressList->ReadRecord(recNo, &record)) {
            SetSourceList(1);
            ShowRecord(record);
        }
        return;
    }

    TDicSearchResult r;
    DicSearch.GetResultRecord(r);
    const auto text = [](const QByteArray &field) { return Sjis::decode(field); };
    const int resultKind = DicSearch.ResultKind();
    if (resultKind == dicResultTel || resultKind == dicResultDirectory) {
        const QString tel = TrimBlanks(text(ShortString(r.Tel)));
        if (r.TelKind != 1)
            edtTel->setText(tel);
        if (r.TelKind == 1 || r.TelKind == 2)
            edtFax->setText(tel);
    }
    chkMainNumber->setChecked(r.TelKind == 3);
    edtPos->setText(text(ShortString(r.PosCode)));
    const std::array<QString, 4> parts = {text(ShortString(r.Prefecture)), text(ShortString(r.City)),
                                          text(ShortString(r.Town)), text(ShortString(r.Address))};
    if (!AddressStartsWith(AddressOfForm(), JoinAddressParts(parts))) {
        edtTdfkn->setText(parts[0]);
        edtAdrs1->setText(parts[1]);
        edtAdrs2->setText(parts[2]);
        edtAdrs3->setText(parts[3]);
    }
    const QString kana = text(ShortString(r.AddressKana));
    if (!AddressStartsWith(edtAdrsKana->text(), kana))
        edtAdrsKana->setText(kana);
    edtJisCode->setText(text(ShortString(r.JisCode)));
    lblKajoCode->setText(text(ShortString(r.KajoCode)));
    Latitude = r.Latitude;
    Longitude = r.Longitude;
    SelectMainCategory(r.CatMain);
    ShownCatMain = r.CatMain;
    if (r.CatMain != 0)
        SelectSubCategory(r.CatMain, r.CatSub);
    if (resultKind == dicResultDirectory) {
        QToolButton *layout = r.Individual ? sbtnPriv : sbtnCorp;
        if (r.Individual) {
            nmedtNameKanji->setText(text(ShortString(r.Name)));
            nmedtNameKana->setText(text(ShortString(r.NameKana)));
        } else {
            nmedtCorpKanji->SetText(ShortString(r.Name));
            edtCorpKana->setText(text(ShortString(r.NameKana)));
        }
        if (!layout->isChecked())
            layout->click();
    }
    // What came from the dictionary alone is not input the user would be asked to save.
    TakeEntrySnapshot(AddressOutOfTarget);
}

std::array<TUniNMDEdit *, 7> TDataInquiry::nameEdits() const
{
    return {nmedtNameKanji, nmedtNameKana, nmedtJoint[0], nmedtJoint[1], nmedtJoint[2], nmedtJoint[3], nmedtJoint[4]};
}

void TDataInquiry::nmedtNameConvertNeed(QObject *Sender, TNameDicKind Kind, bool Show, const QByteArray &Value)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    if (!Show) {
        if (UniNameDic)
            UniNameDic->close();
        return;
    }
    const auto edits = nameEdits();
    const auto found = std::find(edits.begin(), edits.end(), Sender);
    if (found == edits.end())
        return;
    TUniNMDEdit *edit = *found;
    const int tag = int(found - edits.begin());
    if (!UniNameDic) {
        UniNameDic = new TUniNameDic(this);
        UniNameDic->SetHighlightColor(QColor(0, 0, 255));
        UniNameDic->SetFolders(AppFolder, AppFolder + QStringLiteral("Dic/"));
        UniNameDic->Prepare();
    }
    bool givenName = true;
    if (UniNameDic->isVisible()) {
        givenName = UniNameDic->GivenName();
    } else if (tag <= 1) {
        givenName = Kind == nkFirst;
        // The reading goes to the reading edit unless one is already there for a family name.
        if (Kind == nkFirst)
            nmedtNameKanji->SetAssociate(nmedtNameKana);
        else if (edit->InputType() == itKanji)
            nmedtNameKanji->SetAssociate(TrimBlanks(nmedtNameKana->text()).isEmpty() ? nmedtNameKana : nullptr);
    }
    const quint32 count = UniNameDic->CountCandidates(Value, givenName);
    if (count < 1) {
        UniNameDic->close();
        return;
    }
    if (!UniNameDic->isVisible()) {
        UniNameDic->PlaceUnder(edit);
        UniNameDic->SetGivenName(givenName);
        UniNameDic->SetTag(tag);
    }
    UniNameDic->SetReading(Value);
    UniNameDic->ShowCandidates(count);
    if (UniNameDic)
        UniNameDic->show();
}

void TDataInquiry::nmedtNameConvertKeyDown(QObject *, quint32 &Key, bool &Handled)
{
    if (UniNameDic)
        Handled = UniNameDic->HandleKey(Key);
}

void TDataInquiry::WMNameDicSelected()
{
    if (!UniNameDic)
        return;
    const int tag = UniNameDic->Tag();
    if (tag < 0 || tag > 6)
        return;
    TUniNMDEdit *edit = nameEdits()[tag];
    edit->InsertConvertedName(UniNameDic->ChosenName(), UniNameDic->Reading(),
                              UniNameDic->GivenName() ? nkFirst : nkLineage);
    UniNameDic->close();
    edit->setFocus();
}
