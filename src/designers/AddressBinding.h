// The texts an address-book record or a sender row puts into the fixed address objects: postal codes with their
// marks, address lines with the data-form conversions, names with their joint names, honorifics and company
// parts, the sender's contact lines. No widgets: the designer finds the rows, this fills the objects.
#pragma once

#include "designers/PrintDocument.h"
#include "designers/SenderRecord.h"
#include "drawing/Rect.h"

#include <QByteArray>
#include <QList>
#include <QSize>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

class TAdditionRect;
class TAddressRect;
class TBarcodeRect;
class TCorpRect;
class TNameRect;
class TPosRect;
class TSenderRect;
class TTable;

// One side (receiver or sender) of the fixed set in use, typed. In the combined set the address is one object
// (Address[0]) and the company parts live in the name object (Corp is empty).
struct TFixedObjects {
    bool Split = false;
    TPosRect *Postal = nullptr;
    std::array<TAddressRect *, 3> Address{};
    TNameRect *Name = nullptr;
    std::array<TCorpRect *, 3> Corp{};
    TBarcodeRect *Barcode = nullptr;         // receiver side only
    std::vector<TAdditionRect *> Contacts;   // sender side only: 2 combined, 4 split
    // Receiver side of a label or card only: the four additions that print items of the record (or of the
    // document's sender, or free texts), the same objects in both sets.
    std::vector<TAdditionRect *> Items;
};
TFixedObjects ReceiverObjects(TPrintDocument &layout, bool split);
TFixedObjects SenderObjects(TPrintDocument &layout, bool split);

// The fields of an address-book record that printing reads.
struct TAddressBindRecord {
    int32_t RecNo = 0;
    QByteArray Pos, Tdfkn, Adrs1, Adrs2, Adrs3;
    bool PrivCorp = true;
    QByteArray NameKanji, Honor;  // NameKanji in the "@" escape form or Shift-JIS
    bool IgnoreName = false;
    QByteArray CorpKanji, Dptmnt, Post;
    std::array<QByteArray, 5> Joint, JointHonor;
    int32_t JointOwner = 0;
    bool JointPrint = true;
    std::array<bool, 5> JointPrints{};
    int32_t Sender = 0;
    // What the label and card additions print.
    QByteArray Tel, Fax, Portable1, Portable2, URL, EMail1, EMail2;
    std::array<QByteArray, 8> Keyword;
};
// The current row of the book's table.
TAddressBindRecord ReadAddressBindRecord(TTable &table);

// A joint entry of a name object.
struct TBoundJoint {
    QString Name, Honor, Note;
    bool operator==(const TBoundJoint &) const = default;
};

// The texts of a name object and the company parts beside it, made before anything reaches the objects.
struct TBoundName {
    uint8_t Kind = 0;  // 1 personal, 2 company, other plain
    QString Name, Honor, Note;
    bool Omit = false;
    QList<TBoundJoint> Joints;
    QString Corp, Dptmnt, Post;
};

// What the fill reads besides the row: the data form and layout details, the paper's writing direction, and
// the folders the barcode library works in.
struct TBindContext {
    TPrintForm Form;
    int Direction = 0;  // the paper's: 0 vertical writing
    QString ProgramFolder, DictionaryFolder, WorkFolder;
};

// The context of the program's folders (the barcode library's) with the form and direction given.
TBindContext ProgramBindContext(const TPrintForm &form, int direction);

// The row numbered recNo of the book's table into the receiver's objects of the set in use (emptied first,
// and left empty when the row is gone: a record deleted since it was listed shows nothing rather than
// whichever row the cursor is on). The record's sender number goes to *sender. False when nothing was bound.
bool BindReceiverRecord(const TFixedObjects &receiver, TTable &table, int32_t recNo, const TBindContext &context,
                        int32_t *sender);
// A record read already (ReadAddressBindRecord) into the receiver's objects, emptied first.
void BindReceiverRow(const TFixedObjects &receiver, const TAddressBindRecord &record, const TBindContext &context,
                     int32_t *sender);

// The postal code as printed: full width, the hyphen after the third character and "〒" by the mark.
QString PostalText(const QByteArray &pos, uint32_t mark);
// The three address lines with the data form's conversions.
std::array<QString, 3> AddressLines(const QByteArray &tdfkn, const QByteArray &adrs1, const QByteArray &adrs2,
                                    const QByteArray &adrs3, const TBindContext &context);
// Family part (with its space; empty without one) and given part of a name after the spacing is normalised.
void SplitName(const QString &name, QString &family, QString &given);

// The receiver's name texts of a record; the split set's company parts stay in Corp, Dptmnt and Post.
TBoundName RecordName(const TAddressBindRecord &record, const TBindContext &context, bool split);
// The sender's name texts of a sender row (as sender, or as the receiver of a paper without a sender part).
TBoundName SenderName(const TSenderRecord &sender, const TBindContext &context, bool split, bool asReceiver);

// Empties the side's postal code, address, name and company objects (and the barcode image, the contact texts).
void ClearObjects(const TFixedObjects &objects);
// Whose texts fill which objects: a record the receiver's, a sender row the sender's, or the receiver's on a
// paper without a sender part.
enum class TFillRole { Receiver, Sender, SenderAsReceiver };
// Puts postal code, address lines and name texts into the side's objects, with the name options. A record's
// split name that is hidden or empty hands its honorific to the lowest visible company part that has text.
void FillObjects(const TFixedObjects &objects, const QString &postal, const std::array<QString, 3> &lines,
                 const TBoundName &name, const TBindContext &context, TFillRole role);
// Makes the receiver's barcode from a postal code and the address parts, prefecture to building (nothing while
// the barcode is hidden or there is no address). The building is set apart: its floor or room number is no
// more of the street number.
void FillBarcode(const TFixedObjects &objects, const QByteArray &pos, const std::array<QByteArray, 4> &address,
                 const TBindContext &context);
// The contact objects of the combined set take the items of the first two printed contact lines of the row
// and are shown by their count; every contact object then takes its heading and text.
void FillContacts(const TFixedObjects &objects, const TSenderRecord &sender, const TBindContext &context);

// The receiver's additions of a label or card take the record's items by their item numbers: the telephone
// number's digits backwards, today's date, the telephone and fax numbers, the mobile numbers, the web and mail
// addresses and the keywords, each after its heading. Free texts stay; the sender's contact lines are
// FillContacts' work.
void FillRecordItems(const TFixedObjects &objects, const TAddressBindRecord &record, const TBindContext &context);

// The place a label's or card's addition row (0 to 3) takes on a new layout of the paper: four lines across the
// foot, in layout units.
TRect LabelItemRect(const TPaperFormat &paper, int row);

// The print-time layout of a label's or card's receiver objects for the record bound (its texts set), the one
// computation the print loop and the designer's canvas share, both with the label's size in layout units.
// The addresses keep to the smallest text size (TAddressRect::SetKeepsReadable). In the combined set, where
// the name stands under the address and shares its width, each takes the room its texts need at their sizes
// (a name block with a line too long for its frame at the smallest size, the label's width a millimetre inside
// its edges): an address frame too low to hold its lines at the smallest size grows downwards, the name starting under the
// address; a name block that outgrows its frame takes the free room under it first, down to the first shown
// addition that prints for the record or a millimetre above the label's foot, then the address's lower part down to what its lines need at the smallest
// size, the name's top margin over the address's bottom one. A shown barcode between them stands under the address's lines (up with the address's foot, or down
// where the lines reach it) and the name under it, or gives way for the record where the block would otherwise
// be set under the smallest size. Where the block would still be set under the smallest size over the shown
// additions under it that print for the record, they move down, each as high as the user made it, onto one
// another and a millimetre above the label's foot, the room over them going to the record; where even that
// leaves it short, they give way for it from the lowest up (TAdditionRect::SetGivesWay), the others moving
// down so. The address and the postal code are then made smaller, as on a postcard, until they are at most
// nine tenths of the name, never under the smallest size. In the split set, each part the user shows that
// prints for the record takes the height its text needs at the smallest size or more, from its own top, under
// those above it that share its width (a line too long for its place at that size across the label, a
// millimetre inside its edges), so only their margins, where nothing is drawn, lie over one another; the name
// takes the room left, up to what its block needs at its own size; a shown barcode among them keeps its
// height. Where they would not go within a millimetre of the label's top and foot over the additions, the
// additions move down as above, then the barcode and then the additions, from the lowest up, give way for the
// record, and where even that is not enough each part keeps its rectangle. The other parts are then made lower
// until they are at most nine tenths of the name.
// A shown barcode not wholly on the label, which would print over the next one, gives way for the record.
// What the objects are lent is their laid-out rectangle (TMetaRect::LaidOutRect, the barcode's
// TBarcodeRect::SetLaidOutTop); the rectangles the user placed stay. True when every shown text that prints
// for the record, each addition's whole line included, is set in its lent place at the smallest text size or
// more.
bool LayOutLabelRecord(const TFixedObjects &receiver, QSize label);

// The shown additions of the receiver's that do not print their whole line for the record laid out by
// LayOutLabelRecord at the smallest text size or more: given way for it, set smaller, or cut at their frame's
// end. Those without a text for the record are not among them.
std::vector<const TAdditionRect *> AdditionsLeftOff(const TFixedObjects &receiver);

// Whether a label of the size (layout units) prints every shown part and addition of the receiver's readably
// for a company contact as offices keep them (a long company name, two departments, a title, a building, every
// item an addition prints): that record bound and laid out by LayOutLabelRecord, as the print would. The
// objects are left holding it: the caller binds its own record again.
bool LabelHoldsShownParts(const TFixedObjects &receiver, QSize label, const TBindContext &context);

// The print-time layout of a postcard's or an envelope's receiver objects for the record bound, shared by the
// print loop and the designer's canvas: in the combined set a company record's name is lent the room its
// company, department and title lines need at the name's size beyond its far side (right in vertical writing,
// below in horizontal writing), short of the next shown object and the paper's margin, and the address's place
// is narrowed until its text is at most nine tenths of the name's. As with labels, only the laid-out
// rectangles change.
void LayOutAddressSideRecord(const TFixedObjects &receiver, const std::vector<TDrawRect *> &shown, QSize paper);

// The letter body's sender block filled from a sender row: both layouts' postal code, address and name parts
// as the sender objects take them, the layout-1 additions' lines (the first two the row has, shown by their
// count) and every addition's contact line.
void BindSenderBlock(TSenderRect &block, const TSenderRecord &sender, const TBindContext &context);
