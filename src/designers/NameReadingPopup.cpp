#include "designers/NameReadingPopup.h"

#include "core/Globals.h"
#include "geo/UniNMDic.h"
#include "records/UniNMDEdit.h"

#include <QApplication>
#include <QScopeGuard>

#include <algorithm>

TNameReadingPopup::TNameReadingPopup(QWidget *form, std::vector<TUniNMDEdit *> edits)
    : form_(form), edits_(std::move(edits))
{
}

TUniNMDEdit *TNameReadingPopup::editOfTag(int tag) const
{
    return edits_[std::clamp(tag, 0, int(edits_.size()) - 1)];
}

void TNameReadingPopup::ConvertNeed(QObject *sender, TNameDicKind kind, bool show, const QByteArray &value)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    if (!show) {
        Close();
        return;
    }
    const auto found = std::find(edits_.begin(), edits_.end(), sender);
    if (found == edits_.end())
        return;
    TUniNMDEdit *edit = *found;
    const int tag = int(found - edits_.begin());
    if (!dic_) {
        dic_ = new TUniNameDic(form_);
        dic_->SetHighlightColor(QColor(0, 0, 255));
        dic_->SetFolders(AppFolder, AppFolder + QStringLiteral("Dic/"));
        dic_->Prepare();
    }
    const bool givenName = dic_->isVisible() ? dic_->GivenName() : tag >= 1 || kind == nkFirst;
    const quint32 count = dic_->CountCandidates(value, givenName);
    if (count < 1) {
        dic_->close();
        return;
    }
    if (!dic_->isVisible()) {
        dic_->PlaceUnder(edit);
        dic_->SetGivenName(givenName);
        dic_->SetTag(tag);
    }
    dic_->SetReading(value);
    dic_->ShowCandidates(count);
    dic_->show();
}

void TNameReadingPopup::ConvertKeyDown(quint32 &key, bool &handled)
{
    if (dic_ && dic_->isVisible())
        handled = dic_->HandleKey(key);
}

void TNameReadingPopup::Converted()
{
    if (!dic_)
        return;
    TUniNMDEdit *edit = editOfTag(dic_->Tag());
    edit->InsertConvertedName(dic_->ChosenName(), dic_->Reading(), dic_->GivenName() ? nkFirst : nkLineage);
    dic_->close();
    edit->setFocus();
}

void TNameReadingPopup::FollowForm()
{
    if (dic_ && dic_->isVisible())
        dic_->PlaceUnder(editOfTag(dic_->Tag()));
}

void TNameReadingPopup::Close()
{
    if (dic_)
        dic_->close();
}
