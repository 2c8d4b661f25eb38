#include "records/UniNMDEdit.h"

#include "base/SjisCodec.h"

namespace {

constexpr TNameInputWatcher::TRules UniRules{
    .ReadingLimit = 30, .ShowWhenAllInput = true, .PartnerLimitInBytes = false};

}  // namespace

TUniNMDEdit::TUniNMDEdit(QWidget *parent) : TUniEdit(parent), watcher_(new TNameInputWatcher(this, UniRules))
{
    connect(watcher_, &TNameInputWatcher::ConvertNeed, this, &TUniNMDEdit::OnConvertNeed);
    connect(watcher_, &TNameInputWatcher::ConvertKeyDown, this, &TUniNMDEdit::OnConvertKeyDown);
}

TUniNMDEdit::~TUniNMDEdit() { watcher_->Destroying(); }

void TUniNMDEdit::Change()
{
    TUniEdit::Change();
    watcher_->Change();
}

void TUniNMDEdit::DoEnter()
{
    watcher_->Enter();
    TUniEdit::DoEnter();
}

void TUniNMDEdit::DoExit()
{
    watcher_->Exit();
    TUniEdit::DoExit();
}

void TUniNMDEdit::InsertConvertedName(const QByteArray &name, const QByteArray &reading, TNameDicKind kind)
{
    watcher_->CancelComposition();
    // A name chosen for the reading just committed takes that reading's place.
    watcher_->TakeCommittedReading();
    const QString text = GetText();
    const int selStart = SelStart();
    const int selLength = SelLength();
    QString written = Sjis::decode(name);
    QString spoken = Sjis::decode(reading);
    if (kind == nkLineage && selStart == 0) {
        written += QChar(0x3000);
        spoken += u' ';
    }
    const bool kanji = InputType() == itKanji;
    // A partner that is itself a name edit empties this reading field when it is cleared; the text read
    // above stays the one the choice replaces.
    if (TUniEdit *partner = Associate()) {
        if (text.isEmpty() || text.size() <= selLength)
            partner->SetText(QString());
        partner->SetText(partner->GetText() + (kanji ? spoken : written));
    }
    // SetText cuts both texts to their MaxLength.
    SetText(text.left(selStart) + (kanji ? written : spoken) + text.mid(selStart + selLength));
    SetSelStart(int(GetText().size()));
}
