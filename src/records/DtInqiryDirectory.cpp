// The record form's paths from directory hits: a hit shown as a new record, and the walk through the hits of
// the search window it came from.
#include "records/DtInqiry.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "directory/CtgrySch.h"
#include "directory/NmAdSch.h"
#include "geo/DicLibraries.h"
#include "mainlist/AdrsList.h"
#include "records/NMDEdit.h"
#include "records/UniNMDEdit.h"
#include "widgets/UniStdCtrls.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

const QString CaptionRegister = QStringLiteral("アドレス帳情報登録");

QString text(const QByteArray &field) { return Sjis::decode(field); }

}  // namespace

TDirectorySearchWindow *TDataInquiry::HitList() const
{
    if (SourceList == 0)
        return NameAdrsSearch;
    if (SourceList == 2)
        return CategorySearch;
    return nullptr;
}

void TDataInquiry::RecolourHitLists()
{
    for (TDirectorySearchWindow *w : {static_cast<TDirectorySearchWindow *>(NameAdrsSearch),
                                      static_cast<TDirectorySearchWindow *>(CategorySearch)})
        if (w)
            w->UpdateLinkColor();
}

void TDataInquiry::LeaveHits()
{
    for (TDirectorySearchWindow *w : {static_cast<TDirectorySearchWindow *>(NameAdrsSearch),
                                      static_cast<TDirectorySearchWindow *>(CategorySearch)})
        if (w)
            w->SetCurrentHit(-1);
}

bool TDataInquiry::OnDirectoryHit() const
{
    if (NameAdrsSearch)
        return NameAdrsSearch->CurrentHit() >= 0;
    return CategorySearch && CategorySearch->CurrentHit() >= 0;
}

void TDataInquiry::NewFromDirectory(const TDirectoryDetail &detail)
{
    SetLinked(1);
    setWindowTitle(CaptionRegister);
    if (HeldRecord) {
        HeldRecord.reset();
        if (AddressList)
            AddressList->SetCurrentIndex(-1);
    }
    chkContinualAdd->setChecked(false);
    chkContinualAdd->setEnabled(false);
    ClearControls();
    FillFromDetail(detail);
    TakeEntrySnapshot(AddressOutOfTarget);
    UpdateRecordNavigator();
    btnUpdate->setEnabled(false);
    btnDelete->setEnabled(false);
    if (isVisible())
        cbxGroup->setFocus();
}

void TDataInquiry::FillFromDetail(const TDirectoryDetail &detail)
{
    const QString number = text(FieldText(detail.Tel));
    if (detail.Kind != 1)
        edtTel->setText(number);
    if (detail.Kind == 1 || detail.Kind == 2)
        edtFax->setText(number);
    chkMainNumber->setChecked(detail.Kind == 3);
    edtPos->setText(text(PostalCodeForm(FieldText(detail.PostalCode))));
    edtTdfkn->setText(text(FieldText(detail.Prefecture)));
    edtAdrs1->setText(text(FieldText(detail.City)));
    // The entry's building is the record's: in the town's edit it would run on from the street number.
    edtAdrs2->setText(text(FieldText(detail.Address1) + FieldText(detail.Address2)));
    edtAdrs3->setText(text(FieldText(detail.Address3)));
    edtAdrsKana->setText(text(FieldText(detail.PrefectureReading) + FieldText(detail.CityReading)
                              + FieldText(detail.Address1Reading) + FieldText(detail.Address2Reading)
                              + FieldText(detail.Address3Reading)));
    const QByteArray code = FieldText(detail.AddressCode);
    edtJisCode->setText(text(code.left(5)));
    lblKajoCode->setText(text(code.mid(5, 6)));
    Latitude = static_cast<int>(RoundHalfAway(static_cast<long double>(detail.Latitude) * 1000 / 256.0L));
    Longitude = static_cast<int>(RoundHalfAway(static_cast<long double>(detail.Longitude) * 1000 / 256.0L));
    const bool person = detail.Person == 99;
    QToolButton *layout = person ? sbtnPriv : sbtnCorp;
    if (!layout->isChecked())
        layout->click();
    const QString name = text(FieldText(detail.Name));
    const QString reading = text(FieldText(detail.NameReading));
    if (person) {
        nmedtNameKanji->setText(name);
        nmedtNameKana->setText(reading);
        return;
    }
    nmedtCorpKanji->SetText(Sjis::encode(ExpandCorpAbbreviations(name)));
    edtCorpKana->setText(reading);
    const int main = FieldText(detail.MainCategory).toInt();
    const int sub = FieldText(detail.SubCategory).toInt();
    SelectMainCategory(main);
    if (main != 0)
        SelectSubCategory(main, sub);
    ShownCatMain = main;
}

bool TDataInquiry::StepThroughHits(int tag)
{
    TDirectorySearchWindow *hits = HitList();
    if (!hits)
        return false;
    TDirectoryDetail detail{};
    bool found = false;
    switch (tag) {
    case 0: found = hits->InquireFirstHit(detail); break;
    case 1: found = hits->InquirePriorHit(detail); break;
    case 2: found = hits->InquireNextHit(detail); break;
    case 3: found = hits->InquireLastHit(detail); break;
    default: break;
    }
    if (found)
        NewFromDirectory(detail);
    return found;
}
