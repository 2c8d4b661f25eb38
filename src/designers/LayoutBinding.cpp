// The address designer's fixed objects filled from the selected record of the main list and from the
// document's sender, and the main list's notifications that refill them.
#include "designers/Layout.h"

#include "base/Units.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "db/Table.h"
#include "designers/Sender.h"
#include "drawing/AdditionRect.h"
#include "drawing/AddressRect.h"
#include "drawing/NameRect.h"
#include "drawing/SenderRect.h"
#include "geo/PaintPanel.h"
#include "mainlist/AdrsList.h"

#include <algorithm>
#include <initializer_list>

namespace {

// The sender table open for the length of a binding, closed on every way out.
class TSenderTableUse {
public:
    TSenderTableUse() : open_(DMMirvale18 && DMMirvale18->OpenSenderTable()) {}
    ~TSenderTableUse()
    {
        if (open_)
            DMMirvale18->CloseSenderTable();
    }
    TTable *Table() const { return open_ ? DMMirvale18->SenderTable.get() : nullptr; }

private:
    bool open_;
};

bool locate(TTable &table, int32_t recNo)
{
    table.SetIndexName(QString());
    return table.FindKey({recNo});
}

// The row of recNo, else the first row; the number of the row the table stands on.
int32_t locateOrFirst(TTable &table, int32_t recNo)
{
    if (locate(table, recNo))
        return recNo;
    table.First();
    return table.FieldByName(QStringLiteral("RecNo")).AsInteger();
}

// The postal code, address lines and name of a sender row put into a set of fixed objects, as the sender's own
// or as the receiver's.
void fillWithSender(const TFixedObjects &set, const TSenderRecord &row, const TBindContext &context, uint32_t postalMark,
                    bool asReceiver)
{
    FillObjects(set, PostalText(row.Pos, postalMark), AddressLines(row.Tdfkn, row.Adrs1, row.Adrs2, row.Adrs3, context),
                SenderName(row, context, set.Split, asReceiver), context,
                asReceiver ? TFillRole::SenderAsReceiver : TFillRole::Sender);
}

}  // namespace

TFixedObjects TLayoutForm::CurrentSet(bool sender)
{
    return sender ? SenderObjects(Layout, SplitLayout != 0) : ReceiverObjects(Layout, SplitLayout != 0);
}


bool TLayoutForm::BindRecord(int32_t recNo, const TAddressBindRecord *row)
{
    const TFixedObjects receiver = CurrentSet(false);
    ClearObjects(receiver);
    if (PrintParts == 2 || PrintParts == 3)
        return false;
    if (!AddressList || AddressList->GetRecordCount() == 0)
        return false;
    if (recNo < 0 && !row) {
        const int selected = AddressList->GetSelectedIndex();
        recNo = selected >= 0 ? AddressList->GetRecNoAt(selected) : -1;
        if (recNo < 0)
            return false;
    }
    const TBindContext context = ProgramBindContext(PrintForm, PaperFormat.Direction);
    // A label's sender is the document's own, chosen in the sender list: the record does not change it.
    int32_t *sender = Layout.HasRecordItems() ? nullptr : &SenderRecNo;
    if (row) {
        BindReceiverRow(receiver, *row, context, sender);
    } else {
        if (!DMMirvale18 || !DMMirvale18->AdrsTable || !DMMirvale18->AdrsTable->Active())
            return false;
        if (!BindReceiverRecord(receiver, *DMMirvale18->AdrsTable, recNo, context, sender))
            return false;
    }
    BindItemContacts(receiver, context);
    LayOutRecordTexts();
    return true;
}

void TLayoutForm::LayOutRecordTexts()
{
    const TFixedObjects receiver = CurrentSet(false);
    // What was lent for the rectangles before is given back first: the texts are laid out for them as they are.
    for (TMetaRect *text : std::initializer_list<TMetaRect *>{receiver.Name, receiver.Address[0], receiver.Postal})
        if (text)
            text->SetLaidOutRect(text->GetRect());
    // Down to the label's own foot: while the preview shows the whole sheet, PaperHeight is the sheet's.
    if (Layout.HasRecordItems())
        LayOutLabelRecord(receiver, QSize(TenthsMmToLayout(PaperFormat.Width), TenthsMmToLayout(PaperFormat.Height)));
    else
        LayOutAddressSideRecord(receiver, ZOrderList, Paper());
}

void TLayoutForm::MarkModified()
{
    // An edit of the objects may change how the record's texts are laid out: the card shows them as they print.
    LayOutRecordTexts();
    TDesignerForm::MarkModified();
}

void TLayoutForm::BindItemContacts(const TFixedObjects &receiver, const TBindContext &context)
{
    const bool wanted = std::any_of(receiver.Items.begin(), receiver.Items.end(), [](const TAdditionRect *item) {
        return item->Visible && item->Item >= 19 && item->Item <= 22;
    });
    if (!wanted)
        return;
    TSenderTableUse use;
    TTable *table = use.Table();
    if (!table || table->RecordCount() == 0)
        return;
    try {
        // The document's sender, else the default sender, else the first row.
        if (!locate(*table, SenderRecNo))
            locateOrFirst(*table, DefaultSenderNo);
    } catch (const EDatabaseError &) {
        return;
    }
    TFixedObjects contacts;
    contacts.Split = true;
    contacts.Contacts = receiver.Items;
    FillContacts(contacts, ReadSenderRecord(*table), context);
}

void TLayoutForm::BindSender()
{
    const TFixedObjects sender = CurrentSet(true);
    ClearObjects(sender);
    TSenderTableUse use;
    TTable *table = use.Table();
    if (!table || table->RecordCount() == 0)
        return;
    try {
        if (PrintParts != 2) {
            if (!AddressList || AddressList->GetRecordCount() == 0)
                return;
            // The record's own sender, else the default sender, else the first row as the new default.
            if (!locate(*table, SenderRecNo))
                SenderRecNo = DefaultSenderNo = locateOrFirst(*table, DefaultSenderNo);
        } else {
            SenderRecNo = locateOrFirst(*table, SenderRecNo);
        }
    } catch (const EDatabaseError &) {
        return;
    }
    const TSenderRecord row = ReadSenderRecord(*table);
    const TBindContext context = ProgramBindContext(PrintForm, PaperFormat.Direction);
    fillWithSender(sender, row, context, PrintForm.SenderPostalMark, false);
    FillContacts(sender, row, context);
    if (sender.Split || PrintParts == 1)
        return;
    // The combined set's contact lines come and go with the row: the lists follow them.
    bool changed = false;
    for (TAdditionRect *contact : sender.Contacts) {
        const bool stacked = std::find(ZOrderList.begin(), ZOrderList.end(), contact) != ZOrderList.end();
        if (contact->Visible && !stacked) {
            ZOrderList.push_back(contact);
            contact->SetZoom(ZoomRatio > 0 ? ZoomRatio : 1.0);
            changed = true;
        } else if (!contact->Visible && stacked) {
            RemoveFromZOrder(contact);
            const auto at = std::find(SelectedList.begin(), SelectedList.end(), contact);
            if (at != SelectedList.end()) {
                const int removed = int(at - SelectedList.begin());
                SelectedList.erase(at);
                if (removed < FocusedIndex || (removed == FocusedIndex && FocusedIndex == int(SelectedList.size())))
                    --FocusedIndex;
            }
            changed = true;
        }
    }
    if (changed)
        UndoList.Clear();
}

void TLayoutForm::BindSenderAsReceiver()
{
    const TFixedObjects receiver = CurrentSet(false);
    ClearObjects(receiver);
    TSenderTableUse use;
    TTable *table = use.Table();
    if (!table || table->RecordCount() == 0)
        return;
    try {
        SenderRecNo = locateOrFirst(*table, SenderRecNo);
    } catch (const EDatabaseError &) {
        return;
    }
    const TSenderRecord row = ReadSenderRecord(*table);
    const TBindContext context = ProgramBindContext(PrintForm, PaperFormat.Direction);
    fillWithSender(receiver, row, context, PrintForm.PostalMark, true);
    FillBarcode(receiver, row.Pos, {row.Tdfkn, row.Adrs1, row.Adrs2, row.Adrs3}, context);
}

namespace {

// The number of the row titled title; -1 for none (or an empty title).
int32_t senderTitled(TTable &table, const QByteArray &title)
{
    int32_t found = -1;
    if (!title.isEmpty())
        table.Scan({QStringLiteral("RecNo"), QStringLiteral("Title")}, true, [&](const QVariantList &v) {
            if (found < 0 && v[1].toByteArray() == title)
                found = v[0].toInt();
        });
    return found;
}

}  // namespace

void TLayoutForm::BindSenderBlocks() { BindSenderBlocks(SenderNosOfBlocks()); }

bool TLayoutForm::BindSenderBlocks(const std::vector<int32_t> &senders)
{
    if (Layout.SenderList.empty())
        return false;
    TSenderTableUse use;
    TTable *table = use.Table();
    if (!table || table->RecordCount() == 0)
        return false;
    const TBindContext context = ProgramBindContext(PrintForm, PaperFormat.Direction);
    bool retitled = false;
    for (size_t i = 0; i < Layout.SenderList.size(); ++i) {
        TSenderRect &block = *Layout.SenderList[i];
        // As a record's sender: the row of its number, else (a new block, or its sender deleted) the default
        // sender, else the first row of the list.
        const int32_t own = i < senders.size() ? senders[i] : -1;
        try {
            locateOrFirst(*table, own >= 0 ? own : DefaultSenderNo);
        } catch (const EDatabaseError &) {
            return retitled;
        }
        const QByteArray before = block.SenderTitle;
        BindSenderBlock(block, ReadSenderRecord(*table), context);
        retitled = retitled || block.SenderTitle != before;
    }
    return retitled;
}

std::vector<int32_t> TLayoutForm::SenderNosOfBlocks()
{
    std::vector<int32_t> senders(Layout.SenderList.size(), -1);
    TSenderTableUse use;
    if (TTable *table = use.Table()) {
        try {
            for (size_t i = 0; i < senders.size(); ++i)
                senders[i] = senderTitled(*table, Layout.SenderList[i]->SenderTitle);
        } catch (const EDatabaseError &) {
            // A list that cannot be read names no sender: the blocks show the default one, as a new block does.
        }
    }
    return senders;
}

void TLayoutForm::RefillFixedObjects()
{
    if (Layout.Kind == DesignDocument) {
        BindSenderBlocks();
        return;
    }
    if (!ShowsRecord()) {
        BindSenderAsReceiver();
        return;
    }
    BindRecord(-1);
    if (ShowsSender())
        BindSender();
}

void TLayoutForm::ListChanged()
{
    if (!ShowsRecord() || PrintParts == 2 || !DocumentOpen)
        return;
    RefillFixedObjects();
    pnlCard->update();
}

void TLayoutForm::DataUpdated(const std::vector<int32_t> &recNos)
{
    // Whatever records changed, the first selected one is shown again.
    (void)recNos;
    ListChanged();
}

void TLayoutForm::DataDeleted(const std::vector<int32_t> &recNos)
{
    (void)recNos;
    ListChanged();
}
