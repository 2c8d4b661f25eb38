#include "designers/AddressBinding.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "base/Units.h"
#include "core/Globals.h"
#include "core/Hyphen.h"
#include "db/Table.h"
#include "drawing/AdditionRect.h"
#include "drawing/AddressRect.h"
#include "drawing/BarcodeRect.h"
#include "drawing/Canvas.h"
#include "drawing/CorpRect.h"
#include "drawing/MetafileEx.h"
#include "drawing/NameRect.h"
#include "drawing/PosRect.h"
#include "drawing/SenderRect.h"

#include <QDate>

#include <algorithm>
#include <cmath>
#include <optional>
#include <tuple>

namespace {

QString fullWidth(const QByteArray &text) { return Sjis::decode(ToFullWidth(text)); }

// A name field as the tables keep it ("@" escape or Shift-JIS), in full width.
QString storedName(const QByteArray &text) { return ToFullWidthW(EscapedAnsiToWide(text)); }

template <class T> T *as(const std::unique_ptr<TDrawRect> &object) { return static_cast<T *>(object.get()); }

// The text of a joint name: its own family name when it has another one, else the main family name, or a
// space alone standing for it when a main name is already shown.
QString jointText(const QString &joint, const QString &family, bool hasMain)
{
    QString jointFamily, jointGiven;
    SplitName(joint, jointFamily, jointGiven);
    if (!jointFamily.trimmed().isEmpty() && jointFamily != family)
        return jointFamily + jointGiven;
    if (hasMain)
        return QLatin1Char(' ') + jointGiven;
    return family + jointGiven;
}

QString honorOr(const QString &honor, const THonorific &fallback) { return honor.isEmpty() ? fallback.Value() : honor; }

// The data form's last conversions of a name or company text.
QString convertName(QString text, const TBindContext &context, bool companyPart)
{
    if (context.Form.CorpTypeForm == 1)
        text = AbbreviateCorpTypes(text, !companyPart);
    else if (context.Form.CorpTypeForm == 2)
        text = ExpandCorpAbbreviations(text);
    if (context.Form.KanjiNumerals)
        text = DigitsToKanjiNumerals(text);
    if (context.Direction == 0)
        text = ReplaceDashes(text, 0);
    return text;
}

void convertNames(TBoundName &name, const TBindContext &context)
{
    name.Name = convertName(name.Name, context, false);
    for (TBoundJoint &joint : name.Joints)
        joint.Name = convertName(joint.Name, context, false);
    name.Corp = convertName(name.Corp, context, true);
    name.Dptmnt = convertName(name.Dptmnt, context, true);
    name.Post = convertName(name.Post, context, true);
}

// A company without a person to print: the lowest company part takes the person's place.
void companyInPlaceOfName(TBoundName &name, const THonorific &postHonor, const THonorific &corpHonor,
                          bool withHonor)
{
    if (!name.Post.isEmpty()) {
        name.Name = name.Post;
        name.Honor = withHonor ? postHonor.Value() : QString();
        name.Post.clear();
        return;
    }
    if (withHonor)
        name.Honor = corpHonor.Value();
    if (!name.Dptmnt.isEmpty()) {
        name.Name = name.Dptmnt;
        name.Dptmnt.clear();
    } else if (!name.Corp.isEmpty()) {
        name.Name = name.Corp;
        name.Corp.clear();
    } else {
        name.Name.clear();
        name.Honor.clear();
    }
}

}  // namespace

TFixedObjects ReceiverObjects(TPrintDocument &layout, bool split)
{
    TFixedObjects set;
    set.Split = split;
    if (split) {
        auto &o = layout.SplitObjects;
        set.Postal = as<TPosRect>(o[0]);
        set.Address = {as<TAddressRect>(o[1]), as<TAddressRect>(o[2]), as<TAddressRect>(o[3])};
        set.Corp = {as<TCorpRect>(o[4]), as<TCorpRect>(o[5]), as<TCorpRect>(o[6])};
        set.Name = as<TNameRect>(o[7]);
        set.Barcode = as<TBarcodeRect>(o[SplitBarcodeIndex]);
    } else {
        auto &o = layout.CombinedObjects;
        set.Postal = as<TPosRect>(o[0]);
        set.Address[0] = as<TAddressRect>(o[1]);
        set.Name = as<TNameRect>(o[2]);
        set.Barcode = as<TBarcodeRect>(o[CombinedBarcodeIndex]);
    }
    if (layout.HasRecordItems())
        for (int row = 0; row < 4; ++row)
            set.Items.push_back(&layout.RecordItem(row));
    return set;
}

TFixedObjects SenderObjects(TPrintDocument &layout, bool split)
{
    TFixedObjects set;
    set.Split = split;
    if (split) {
        auto &o = layout.SplitObjects;
        set.Postal = as<TPosRect>(o[9]);
        set.Address = {as<TAddressRect>(o[10]), as<TAddressRect>(o[11]), as<TAddressRect>(o[12])};
        set.Corp = {as<TCorpRect>(o[13]), as<TCorpRect>(o[14]), as<TCorpRect>(o[15])};
        set.Name = as<TNameRect>(o[16]);
        for (int i = 17; i <= 20; ++i)
            set.Contacts.push_back(as<TAdditionRect>(o[size_t(i)]));
    } else {
        auto &o = layout.CombinedObjects;
        set.Postal = as<TPosRect>(o[4]);
        set.Address[0] = as<TAddressRect>(o[5]);
        set.Name = as<TNameRect>(o[6]);
        set.Contacts = {as<TAdditionRect>(o[7]), as<TAdditionRect>(o[8])};
    }
    return set;
}

TAddressBindRecord ReadAddressBindRecord(TTable &table)
{
    TAddressBindRecord r;
    const auto text = [&](const QString &name) { return table.FieldByName(name).AsString(); };
    const auto flag = [&](const QString &name) { return table.FieldByName(name).AsBoolean(); };
    r.RecNo = table.FieldByName(QStringLiteral("RecNo")).AsInteger();
    r.Pos = text(QStringLiteral("Pos"));
    r.Tdfkn = text(QStringLiteral("Tdfkn"));
    r.Adrs1 = text(QStringLiteral("Adrs1"));
    r.Adrs2 = text(QStringLiteral("Adrs2"));
    r.Adrs3 = text(QStringLiteral("Adrs3"));
    r.PrivCorp = flag(QStringLiteral("PrivCorp"));
    r.NameKanji = text(QStringLiteral("NameKanji"));
    r.Honor = text(QStringLiteral("Honor"));
    r.IgnoreName = flag(QStringLiteral("IgnoreName"));
    r.CorpKanji = text(QStringLiteral("CorpKanji"));
    r.Dptmnt = text(QStringLiteral("Dptmnt"));
    r.Post = text(QStringLiteral("Post"));
    for (int i = 0; i < 5; ++i) {
        const QString n = QString::number(i + 1);
        r.Joint[size_t(i)] = text(QStringLiteral("Joint") + n);
        r.JointHonor[size_t(i)] = text(QStringLiteral("JointHonor") + n);
        r.JointPrints[size_t(i)] = flag(QStringLiteral("JointPrint") + n);
    }
    r.JointOwner = table.FieldByName(QStringLiteral("JointOwner")).AsInteger();
    r.JointPrint = flag(QStringLiteral("JointPrint"));
    r.Sender = table.FieldByName(QStringLiteral("Sender")).AsInteger();
    r.Tel = text(QStringLiteral("Tel"));
    r.Fax = text(QStringLiteral("Fax"));
    r.Portable1 = text(QStringLiteral("Portable1"));
    r.Portable2 = text(QStringLiteral("Portable2"));
    r.URL = text(QStringLiteral("URL"));
    r.EMail1 = text(QStringLiteral("EMail1"));
    r.EMail2 = text(QStringLiteral("EMail2"));
    for (size_t i = 0; i < r.Keyword.size(); ++i)
        r.Keyword[i] = text(QStringLiteral("Keyword") + QString::number(i + 1));
    return r;
}

QString PostalText(const QByteArray &pos, uint32_t mark)
{
    QString text = fullWidth(pos);
    if (text.isEmpty() || mark == 0)
        return text;
    if (text.size() > 3)
        text.insert(3, QLatin1Char('-'));
    if (mark == 1)
        text.prepend(QStringLiteral("〒"));
    return text;
}

std::array<QString, 3> AddressLines(const QByteArray &tdfkn, const QByteArray &adrs1, const QByteArray &adrs2,
                                    const QByteArray &adrs3, const TBindContext &context)
{
    std::array<QString, 3> lines{fullWidth(tdfkn + adrs1), fullWidth(adrs2), fullWidth(adrs3)};
    for (QString &line : lines) {
        if (context.Form.HidePrefecture)
            line = RemovePrefectureNames(line);
        if (context.Form.KanjiNumerals)
            line = DigitsToKanjiNumerals(line);
        if (context.Form.DashToNo)
            line = ReplaceDashes(line, 1);
        if (context.Direction == 0)
            line = ReplaceDashes(line, 0);
    }
    return lines;
}

void SplitName(const QString &name, QString &family, QString &given)
{
    QString normal;
    NormalizeNameSpacing(name, normal);
    // The normal form of a name without a family name begins with its space: that family part is empty.
    const qsizetype space = normal.indexOf(QLatin1Char(' '));
    family = space <= 0 ? QString() : normal.left(space + 1);
    given = space < 0 ? normal : normal.mid(space + 1);
}

TBoundName RecordName(const TAddressBindRecord &record, const TBindContext &context, bool split)
{
    const TPrintForm &form = context.Form;
    TBoundName name;
    const QString whole = storedName(record.NameKanji);
    QString honor = fullWidth(record.Honor);
    if (!whole.isEmpty() && honor.isEmpty())
        honor = form.DefaultHonor.Value();
    name.Kind = record.PrivCorp ? 1 : 2;
    if (record.PrivCorp) {
        QString family, given;
        SplitName(whole, family, given);
        const int owner = record.JointOwner;
        const bool ownerJoint = owner >= 1 && owner <= 5 && !record.Joint[size_t(owner - 1)].isEmpty();
        if (ownerJoint) {
            QString jointFamily, jointGiven;
            SplitName(storedName(record.Joint[size_t(owner - 1)]), jointFamily, jointGiven);
            QString ownEntry;
            if (!jointFamily.trimmed().isEmpty() && jointFamily != family) {
                name.Name = jointFamily + jointGiven;
                ownEntry = family + given;
            } else {
                name.Name = family + jointGiven;
                ownEntry = given;
            }
            name.Honor = honorOr(Sjis::decode(record.JointHonor[size_t(owner - 1)]), form.DefaultHonor);
            if (record.JointPrint)
                name.Joints.append({ownEntry, honor, {}});
        } else if (record.JointPrint) {
            name.Name = family + given;
            name.Honor = honor;
        }
        for (int i = 1; i <= 5; ++i) {
            const auto k = size_t(i - 1);
            if (i == owner || !record.JointPrints[k] || record.Joint[k].isEmpty())
                continue;
            const QString text = jointText(storedName(record.Joint[k]), family, !name.Name.isEmpty());
            const QString jointHonor = honorOr(fullWidth(record.JointHonor[k]), form.DefaultHonor);
            if (name.Name.isEmpty()) {
                name.Name = text;
                name.Honor = jointHonor;
            } else {
                name.Joints.append({text, jointHonor, {}});
            }
        }
    } else {
        name.Name = whole;
        name.Honor = honor;
        name.Omit = record.IgnoreName;
        name.Corp = fullWidth(record.CorpKanji);
        name.Dptmnt = fullWidth(record.Dptmnt);
        name.Post = fullWidth(record.Post);
        if (!split) {
            if (name.Name.isEmpty())
                name.Omit = true;
            if (name.Omit)
                companyInPlaceOfName(name, form.PostHonor, form.CorpHonor, true);
        } else if (name.Omit) {
            name.Name.clear();
        }
    }
    convertNames(name, context);
    return name;
}

TBoundName SenderName(const TSenderRecord &sender, const TBindContext &context, bool split, bool asReceiver)
{
    const TPrintForm &form = context.Form;
    TBoundName name;
    const QString whole = storedName(sender.Name);
    name.Honor = asReceiver ? form.SenderHonor.Value() : QString();
    name.Kind = uint8_t(sender.SelectInfo);
    if (sender.SelectInfo == 1) {
        QString family, given;
        SplitName(whole, family, given);
        if (sender.NamePrint)
            name.Name = family + given;
        bool lastJoined = false;
        for (size_t i = 0; i < 5; ++i) {
            if (!sender.JointPrint[i] || sender.Joint[i].isEmpty())
                continue;
            if (asReceiver) {
                // The sender as addressee: one name, the first printed joint name standing in for a missing one.
                if (name.Name.isEmpty())
                    name.Name = jointText(storedName(sender.Joint[i]), family, false);
                continue;
            }
            const QString text = jointText(storedName(sender.Joint[i]), family, !name.Name.isEmpty());
            const QString note = fullWidth(sender.Note[i]);
            if (name.Name.isEmpty()) {
                name.Name = text;
                if (form.SenderJointSeries == 0)
                    name.Note = note;
            } else if (text.startsWith(QLatin1Char(' ')) && !lastJoined && form.SenderJointSeries == 1) {
                QString &last = name.Joints.isEmpty() ? name.Name : name.Joints.last().Name;
                last += QStringLiteral("・") + text.trimmed();
                lastJoined = true;
            } else {
                name.Joints.append({text, {}, form.SenderJointSeries == 0 ? note : QString()});
                lastJoined = false;
            }
        }
    } else if (sender.SelectInfo == 2) {
        name.Name = whole;
        name.Corp = fullWidth(sender.Corp);
        name.Dptmnt = fullWidth(sender.Dptmnt);
        name.Post = fullWidth(sender.Post);
        if (!split) {
            name.Omit = name.Name.isEmpty();
            if (name.Omit) {
                const QString honor = name.Honor;
                companyInPlaceOfName(name, form.PostHonor, form.CorpHonor, false);
                // The sender as addressee keeps its honorific unless nothing at all is left to print.
                if (!name.Name.isEmpty())
                    name.Honor = honor;
            }
        }
    } else {
        name.Name = whole;
    }
    convertNames(name, context);
    return name;
}

void ClearObjects(const TFixedObjects &objects)
{
    objects.Postal->Clear();
    for (TAddressRect *address : objects.Address)
        if (address)
            address->Clear();
    objects.Name->Clear();
    for (TCorpRect *corp : objects.Corp)
        if (corp)
            corp->Clear();
    if (objects.Barcode)
        objects.Barcode->ClearImage();
    for (TAdditionRect *contact : objects.Contacts)
        contact->Clear();
    for (TAdditionRect *item : objects.Items)
        item->Clear();
}

void FillObjects(const TFixedObjects &objects, const QString &postal, const std::array<QString, 3> &lines,
                 const TBoundName &name, const TBindContext &context, TFillRole role)
{
    const TPrintForm &form = context.Form;
    objects.Postal->SetText(postal);
    if (objects.Split) {
        for (size_t i = 0; i < 3; ++i)
            objects.Address[i]->SetLine(0, lines[i]);
    } else {
        for (size_t i = 0; i < 3; ++i)
            objects.Address[0]->SetLine(int(i), lines[i]);
    }
    TNameRect &n = *objects.Name;
    n.SetKind(name.Kind);
    n.SetOmitName(name.Omit);
    n.SetName(name.Name);
    n.SetHonor(name.Honor);
    n.SetNote(name.Note);
    n.SetJointCount(int(name.Joints.size()));
    for (int i = 0; i < name.Joints.size(); ++i) {
        n.SetJointName(i, name.Joints[i].Name);
        n.SetJointHonor(i, name.Joints[i].Honor);
        n.SetJointNote(i, name.Joints[i].Note);
    }
    if (name.Kind == 1)
        n.SetOption124(role == TFillRole::Sender ? form.SenderNameAlign : form.NameAlign);
    n.SetOption179(form.WidenNameSpacing);
    if (!objects.Split) {
        n.SetCorpName(name.Corp);
        n.SetDepartment(0, name.Dptmnt);
        n.SetPost(name.Post);
        n.SetOption177(form.CorpBreak);
        return;
    }
    const std::array<QString, 3> parts{name.Corp, name.Dptmnt, name.Post};
    for (size_t i = 0; i < 3; ++i) {
        objects.Corp[i]->SetText(parts[i]);
        objects.Corp[i]->SetOption(form.CorpBreak);
    }
    // A receiver company whose person is not printed carries the honorific on its lowest printed part.
    if (name.Kind != 2 || role != TFillRole::Receiver || (!name.Name.isEmpty() && n.Visible))
        return;
    n.SetHonor(QString());
    for (size_t i = 3; i-- > 0;) {
        TCorpRect &part = *objects.Corp[i];
        if (part.Visible && !part.Text().isEmpty()) {
            part.SetHonor(i == 2 ? form.PostHonor.Value() : form.CorpHonor.Value());
            break;
        }
    }
}

void FillBarcode(const TFixedObjects &objects, const QByteArray &pos, const std::array<QByteArray, 4> &parts,
                 const TBindContext &context)
{
    const QByteArray address = JoinAddressParts(parts);
    if (!objects.Barcode || !objects.Barcode->Visible || address.isEmpty())
        return;
    objects.Barcode->MakeBarcode(pos, address, context.ProgramFolder, context.DictionaryFolder, context.WorkFolder);
}

namespace {

// A contact line after its heading as printed: telephone numbers hyphenated; everything but mail and web
// addresses in full width, with the data form's numerals and, written vertically, upright dashes. Nothing
// without a text.
void setHeadedLine(TAdditionRect &addition, const QByteArray &head, QByteArray text, const TBindContext &context)
{
    if (text.isEmpty()) {
        addition.SetText(QString());
        return;
    }
    const QString headText = Sjis::decode(head);
    for (const char *phone : {"TEL", "FAX", "TEL/FAX"})
        if (headText.compare(QLatin1String(phone), Qt::CaseInsensitive) == 0)
            text = HyphenatePhone(text, context.DictionaryFolder);
    if (headText == QStringLiteral("携帯"))
        text = HyphenatePhone(text, context.DictionaryFolder);
    const QString upper = headText.toUpper();
    QString shownHead = headText, shownText = Sjis::decode(text);
    if (!headText.contains(QStringLiteral("メール")) && !headText.contains(QStringLiteral("E-Mail"))
        && !upper.contains(QStringLiteral("MAIL")) && !upper.contains(QStringLiteral("HP"))
        && !upper.contains(QStringLiteral("URL"))) {
        shownHead = fullWidth(head);
        shownText = fullWidth(text);
        if (context.Form.KanjiNumerals)
            shownText = DigitsToKanjiNumerals(shownText);
        if (context.Direction == 0)
            shownText = ReplaceDashes(shownText, 0);
    }
    addition.SetSubText(shownHead);
    addition.SetText(shownText);
}

}  // namespace

void FillContacts(const TFixedObjects &objects, const TSenderRecord &sender, const TBindContext &context)
{
    if (!objects.Split) {
        int shown = 0;
        for (size_t i = 0; i < 4 && shown < 2; ++i)
            if (sender.AdditionPrint[i])
                objects.Contacts[size_t(shown++)]->Item = uint8_t(19 + i);
        objects.Contacts[0]->Visible = shown >= 1;
        objects.Contacts[1]->Visible = shown >= 2;
    }
    for (TAdditionRect *contact : objects.Contacts) {
        if (contact->Item < 19 || contact->Item > 22)
            continue;
        const auto k = size_t(contact->Item - 19);
        setHeadedLine(*contact, sender.Head[k], sender.Addition[k], context);
    }
}

void FillRecordItems(const TFixedObjects &objects, const TAddressBindRecord &record, const TBindContext &context)
{
    for (TAdditionRect *item : objects.Items) {
        const uint8_t code = item->Item;
        if (code == 1) {
            // The digits alone, last first.
            QByteArray digits = KeepNumberChars(record.Tel, NumberChars::Digits);
            std::reverse(digits.begin(), digits.end());
            item->SetText(QString::fromLatin1(digits));
        } else if (code == 2) {
            item->SetText(QDate::currentDate().toString(QStringLiteral("yyyyMMdd")));
        } else if (code >= 3 && code <= 18 && code != 8) {
            static const char *const heads[] = {"TEL", "FAX", "携帯", "携帯", "URL", nullptr, "E-Mail", "E-Mail"};
            const QByteArray *const values[] = {&record.Tel,    &record.Fax, &record.Portable1, &record.Portable2,
                                                &record.URL,    nullptr,     &record.EMail1,    &record.EMail2};
            const bool keyword = code >= 11;
            const QByteArray head =
                keyword ? Sjis::encode(KeywordNames[size_t(code - 11)]) : Sjis::encode(QString::fromUtf8(heads[code - 3]));
            setHeadedLine(*item, head, keyword ? record.Keyword[size_t(code - 11)] : *values[code - 3], context);
        }
    }
}

TBindContext ProgramBindContext(const TPrintForm &form, int direction)
{
    TBindContext context;
    context.Form = form;
    context.Direction = direction;
    context.ProgramFolder = AppFolder;
    context.DictionaryFolder = AppFolder + QStringLiteral("Dic/");
    context.WorkFolder = DataFolder;
    return context;
}

bool BindReceiverRecord(const TFixedObjects &receiver, TTable &table, int32_t recNo, const TBindContext &context,
                        int32_t *sender)
{
    ClearObjects(receiver);
    try {
        table.SetIndexName(QString());
        if (!table.FindKey({recNo}))
            return false;
    } catch (const EDatabaseError &) {
        return false;
    }
    BindReceiverRow(receiver, ReadAddressBindRecord(table), context, sender);
    return true;
}

void BindReceiverRow(const TFixedObjects &receiver, const TAddressBindRecord &record, const TBindContext &context,
                     int32_t *sender)
{
    ClearObjects(receiver);
    FillObjects(receiver, PostalText(record.Pos, context.Form.PostalMark),
                AddressLines(record.Tdfkn, record.Adrs1, record.Adrs2, record.Adrs3, context),
                RecordName(record, context, receiver.Split), context, TFillRole::Receiver);
    FillBarcode(receiver, record.Pos, {record.Tdfkn, record.Adrs1, record.Adrs2, record.Adrs3}, context);
    FillRecordItems(receiver, record, context);
    if (sender)
        *sender = record.Sender;
}

void BindSenderBlock(TSenderRect &block, const TSenderRecord &sender, const TBindContext &context)
{
    block.ClearTexts();
    const TPrintForm &form = context.Form;
    block.SetSizeSteps(int(form.SenderAddressSize), int(form.SenderNameSize), int(form.SenderAdditionSize));
    block.UpdateFontHeight();
    const QString postal = PostalText(sender.Pos, context.Form.SenderPostalMark);
    const std::array<QString, 3> lines =
        AddressLines(sender.Tdfkn, sender.Adrs1, sender.Adrs2, sender.Adrs3, context);
    TFixedObjects first;
    first.Postal = &block.PostalCode1();
    first.Address = {&block.Address1()};
    first.Name = &block.Name1();
    FillObjects(first, postal, lines, SenderName(sender, context, false, false), context, TFillRole::Sender);
    TFixedObjects second;
    second.Split = true;
    second.Postal = &block.PostalCode2();
    second.Address = {block.GetAddress(0), block.GetAddress(1), block.GetAddress(2)};
    second.Name = &block.Name2();
    second.Corp = {&block.Company(), block.GetDepartment(0), &block.Post()};
    FillObjects(second, postal, lines, SenderName(sender, context, true, false), context, TFillRole::Sender);
    // Layout 1 has room for two contact lines: the first two the sender has, shown by their count. A layout-2
    // addition keeps its own line and is shown as the user chose.
    int given = 0;
    for (size_t i = 0; i < 4 && given < 2; ++i)
        if (!sender.Addition[i].isEmpty())
            block.GetAddition1(given++)->Item = uint8_t(19 + i);
    for (int i = 0; i < 2; ++i)
        block.SetAddition1Visible(i, i < given);
    TFixedObjects contacts;
    contacts.Split = true;
    for (int i = 0; i < 4; ++i)
        for (TAdditionRect *addition : {block.GetAddition1(i), block.GetAddition2(i)})
            if (addition)
                contacts.Contacts.push_back(addition);
    FillContacts(contacts, sender, context);
    block.SenderTitle = sender.Title;
}

namespace {

// Whether a and b share some of their width.
bool sideBySide(const TRect &a, const TRect &b) { return a.Left < b.Right && b.Left < a.Right; }

// A canvas of a printer's resolution to measure the text objects on: in layout units a line is a few units high.
class TMeasuringCanvas {
public:
    static constexpr int Dpi = 600;
    TMeasuringCanvas() : canvas_(picture_, Dpi, Dpi)
    {
        canvas_.SetTarget({true, Dpi, Dpi, 0, 0});
        canvas_.SetFontPixelsPerInch(Dpi);
    }
    TCanvas &Canvas() { return canvas_; }
    static int Units(int pixels) { return int(std::ceil(pixels * double(LayoutDpi) / Dpi)); }
    static int Pixels(int units) { return LayoutToPixels(units, Dpi); }

private:
    TMetafileEx picture_;
    TCanvas canvas_;
};

// On a postcard or an envelope a company record's company, department and title lines stand beside the name,
// towards the address (columns right of it in vertical writing, lines above it in horizontal writing); within
// the name's own place the block would make the name smaller than the address. The name is lent the room the
// block needs at its own size beyond its far side (right in vertical writing, below in horizontal writing), up
// to a millimetre before the first object shown there or the paper's margin; what is still missing the name's
// fit makes up.
void lendNameRoomBeyond(TNameRect &name, const std::vector<TDrawRect *> &shown, QSize paper)
{
    const TRect n = name.GetRect();
    if (!name.Visible)
        return;
    const bool vertical = !name.WritesHorizontally();
    TMeasuringCanvas measuring;
    const int needed = TMeasuringCanvas::Units(
        name.NeededBreadth(measuring.Canvas(), TMeasuringCanvas::Pixels(vertical ? n.Height() : n.Width())));
    if (needed <= (vertical ? n.Width() : n.Height()))
        return;
    const int gap = TenthsMmToLayout(10);
    int limit = (vertical ? paper.width() : paper.height()) - TenthsMmToLayout(80);
    for (const TDrawRect *object : shown) {
        if (object == &name || !object->Visible)
            continue;
        const TRect b = object->GetRect();
        if (vertical && b.Left >= n.Right && b.Top < n.Bottom && n.Top < b.Bottom)
            limit = std::min(limit, b.Left - gap);
        else if (!vertical && b.Top >= n.Bottom && sideBySide(b, n))
            limit = std::min(limit, b.Top - gap);
    }
    if (limit <= (vertical ? n.Right : n.Bottom))
        return;
    if (vertical)
        name.SetLaidOutRect({n.Left, n.Top, std::min(n.Left + needed, limit), n.Bottom});
    else
        name.SetLaidOutRect({n.Left, n.Top, n.Right, std::min(n.Top + needed, limit)});
}

// The smallest and the largest text a text object (a name block, an address's lines, a postal code's, a
// company part's or an addition's line) sets in room, as canvas font heights; {0, 0} where it sets nothing
// there.
std::pair<int, int> setSizes(const TMetaRect &object, const TRect &room, TCanvas &canvas)
{
    const QSize size(TMeasuringCanvas::Pixels(room.Width()), TMeasuringCanvas::Pixels(room.Height()));
    if (const auto *address = dynamic_cast<const TAddressRect *>(&object)) {
        if (address->Layout(canvas, size).isEmpty())
            return {0, 0};
        const int height = std::abs(canvas.FontHeight());
        return {height, height};
    }
    QList<TPlacedPiece> pieces;
    if (const auto *name = dynamic_cast<const TNameRect *>(&object))
        pieces = name->Layout(canvas, size);
    else if (const auto *postal = dynamic_cast<const TPosRect *>(&object))
        pieces = postal->Layout(canvas, size);
    else if (const auto *corp = dynamic_cast<const TCorpRect *>(&object))
        pieces = corp->Layout(canvas, size);
    else if (const auto *item = dynamic_cast<const TAdditionRect *>(&object))
        pieces = item->Layout(canvas, size);
    if (pieces.isEmpty())
        return {0, 0};
    std::pair<int, int> sizes{std::abs(pieces.first().FontHeight), 0};
    for (const TPlacedPiece &piece : pieces) {
        sizes.first = std::min(sizes.first, std::abs(piece.FontHeight));
        sizes.second = std::max(sizes.second, std::abs(piece.FontHeight));
    }
    return sizes;
}

// The largest text of the name set in room, as a canvas font height: the name line's.
int largestNameText(const TNameRect &name, const TRect &room, TCanvas &canvas)
{
    return setSizes(name, room, canvas).second;
}

// The address kept smaller than the name beside it: where the name is made smaller for its block or its length
// (a narrow envelope, a label's company record) the address, set at its own size, would stand as large or
// larger. Its place, a, is made narrower across its lines (from the left in vertical writing, from below in
// horizontal writing) until its text is at most nine tenths of the name's set in nameRoom, so the name reads as
// the largest text. An address that keeps to the smallest text size (a label's) is never made smaller than that:
// its place keeps what its lines need at it, and a name smaller still is for the name's room to mend. The place
// to lend the address.
TRect placeUnderName(const TAddressRect &address, const TRect &a, const TNameRect &name, const TRect &nameRoom)
{
    if (!address.Visible || !name.Visible)
        return a;
    TMeasuringCanvas measuring;
    TCanvas &canvas = measuring.Canvas();
    const auto pixels = [](const TRect &r) {
        return QSize(TMeasuringCanvas::Pixels(r.Width()), TMeasuringCanvas::Pixels(r.Height()));
    };
    const int nameHeight = largestNameText(name, nameRoom, canvas);
    const bool vertical = !address.WritesHorizontally();
    const bool readable = address.KeepsReadable() && !vertical;
    const int highest = std::max(nameHeight * 9 / 10, readable ? std::abs(SmallestTextHeight(canvas)) : 0);
    const auto narrowed = [&](int breadth) {
        return vertical ? TRect{a.Right - breadth, a.Top, a.Right, a.Bottom}
                        : TRect{a.Left, a.Top, a.Right, a.Top + breadth};
    };
    // Whether the address is set, and no larger than that, in a place breadth units across its lines.
    const auto smallEnough = [&](int breadth) {
        return !address.Layout(canvas, pixels(narrowed(breadth))).isEmpty() &&
               std::abs(canvas.FontHeight()) <= highest;
    };
    const int full = vertical ? a.Width() : a.Height();
    if (nameHeight == 0 || smallEnough(full))
        return a;
    int low = readable ? TMeasuringCanvas::Units(address.LeastHeight(canvas, TMeasuringCanvas::Pixels(a.Width()))) : 1;
    int high = full;
    while (high - low > 1) {
        const int middle = low + (high - low) / 2;
        (smallEnough(middle) ? low : high) = middle;
    }
    // An address that would no longer be set anywhere keeps its place.
    return low < full && smallEnough(low) ? narrowed(low) : a;
}

// A label's one-line text (its postal code, a company part of the split set) kept under the name set in nameRoom
// as its address is: its place p made lower about its middle until the text is at most nine tenths of the
// name's, never under the smallest text size. The place to lend it.
TRect lineUnderName(const TMetaRect &line, const TRect &p, const TNameRect &name, const TRect &nameRoom)
{
    if (!line.Visible || !name.Visible)
        return p;
    TMeasuringCanvas measuring;
    TCanvas &canvas = measuring.Canvas();
    const int smallest = std::abs(SmallestTextHeight(canvas));
    const int highest = std::max(largestNameText(name, nameRoom, canvas) * 9 / 10, smallest);
    const auto within = [&](int breadth) {
        const int top = p.Top + (p.Height() - breadth) / 2;
        return TRect{p.Left, top, p.Right, top + breadth};
    };
    // The text's size in a place breadth units high; 0 where it is not set.
    const auto size = [&](int breadth) { return setSizes(line, within(breadth), canvas).second; };
    if (size(p.Height()) <= highest)
        return p;
    int low = 1, high = p.Height();
    while (high - low > 1) {
        const int middle = low + (high - low) / 2;
        (size(middle) <= highest ? low : high) = middle;
    }
    // A unit lower may set the text a step under the smallest size, which it keeps to before the name.
    return size(low) >= smallest ? within(low) : within(high);
}

// The foot of the address's lines as set in room, in layout units: where what stands under them may begin.
int linesFoot(const TAddressRect &address, const TRect &room)
{
    TMeasuringCanvas measuring;
    TCanvas &canvas = measuring.Canvas();
    const QList<TAddressRect::TPlacedText> lines = address.Layout(
        canvas, QSize(TMeasuringCanvas::Pixels(room.Width()), TMeasuringCanvas::Pixels(room.Height())));
    if (lines.isEmpty())
        return room.Top;
    return room.Top + TMeasuringCanvas::Units(lines.last().At.y() + canvas.TextHeight(u"一"));
}

// The name block's smallest text set in room's width with as much height as it may take, as a canvas font
// height: how large its longest line (a company name) may be in that width.
int leastNameTextInWidth(const TNameRect &name, const TRect &room, TCanvas &canvas)
{
    return setSizes(name, {room.Left, room.Top, room.Right, room.Top + PaperReach}, canvas).first;
}

// How far the name block set in room falls short: 0 where every text of it is at the smallest text size or
// more, or as large as room's width lets it be; 1 where some are smaller, 2 where it is not set at all. A line
// too long for the width at the smallest size is made smaller in any height: more height gains it nothing. The
// name line, the largest text, is held to the smallest size apart from it: a block short of height may set every
// line as small as that long line, which the least alone lets pass, and while the name line keeps to the
// smallest size the block's other lines do too.
int nameShortfall(const TNameRect &name, const TRect &room)
{
    TMeasuringCanvas measuring;
    TCanvas &canvas = measuring.Canvas();
    const auto [least, largest] = setSizes(name, room, canvas);
    if (largest == 0)
        return 2;
    const auto [leastInWidth, largestInWidth] =
        setSizes(name, {room.Left, room.Top, room.Right, room.Top + PaperReach}, canvas);
    const int smallest = std::abs(SmallestTextHeight(canvas));
    return least >= std::min(smallest, leastInWidth) && largest >= std::min(smallest, largestInWidth) ? 0 : 1;
}

// The combined set's name frame on a label: its rectangle, or, where its block sets a line under the smallest
// text size in that width (a company name longer than the frame) and the label's width sets it larger, the
// label's width a millimetre inside its edges, as the split set lends a long company line.
TRect nameFrameOnLabel(const TNameRect &name, QSize label)
{
    const TRect own = name.GetRect();
    if (!name.Visible || !name.WritesHorizontally())
        return own;
    const int edge = TenthsMmToLayout(10);
    const TRect across{std::min(own.Left, edge - TextMargin), own.Top,
                       std::max(own.Right, label.width() - edge + TextMargin), own.Bottom};
    TMeasuringCanvas measuring;
    TCanvas &canvas = measuring.Canvas();
    const int inOwn = leastNameTextInWidth(name, own, canvas);
    return inOwn < std::abs(SmallestTextHeight(canvas)) && leastNameTextInWidth(name, across, canvas) > inOwn ? across
                                                                                                          : own;
}

// Where placeLabelRecord sets a label record's name, address and the barcode between them.
struct TRecordPlaces {
    TRect NameRoom, AddressRoom;
    std::optional<int> BarcodeTop;  // where a barcode between them stands
    bool BarcodeGivesWay = false;
};

// The combined set's name standing under the address and sharing its width, both written horizontally: the
// places of the name n (its frame on the label), the address a and a shown barcode between them (TFixedObjects) with the name's text
// kept over the shown additions under it whose tops are rowTops; only its margin, where nothing is drawn, lies
// over an addition's frame and, where the block is short of room, over the address's. The name's own frame may
// reach into the label's foot. Empty where the objects stand otherwise.
std::optional<TRecordPlaces> placeLabelRecord(const TFixedObjects &receiver, QSize label,
                                              const std::vector<int> &rowTops)
{
    TNameRect &name = *receiver.Name;
    TAddressRect &address = *receiver.Address[0];
    const TRect n = nameFrameOnLabel(name, label);
    const int labelHeight = label.height();
    const TRect a = address.GetRect();
    if (!name.Visible || !address.Visible || !name.WritesHorizontally() || !address.WritesHorizontally() ||
        a.Top >= n.Top || !sideBySide(a, n))
        return std::nullopt;
    TMeasuringCanvas measuring;
    TCanvas &canvas = measuring.Canvas();
    const auto units = &TMeasuringCanvas::Units;
    constexpr int dpi = TMeasuringCanvas::Dpi;
    const int least = a.Top + units(address.LeastHeight(canvas, LayoutToPixels(a.Width(), dpi)));
    const int needed = units(name.NeededBreadth(canvas, LayoutToPixels(n.Width(), dpi)));
    // Its text, inside its margin, ends a millimetre above the label's foot, as the rows' lines do.
    int lowest = std::max(labelHeight - TenthsMmToLayout(10) + TextMargin, n.Bottom);
    for (const int rowTop : rowTops)
        lowest = std::min(lowest, rowTop + TextMargin);
    // The address keeps its frame, or what its lines need where that is more; the name starts under it and
    // takes the free room under its own frame.
    const int addressFoot = std::min(std::max(a.Bottom, least), lowest);
    int top = std::max(n.Top, addressFoot);
    const int bottom = std::min(std::max(top + needed, n.Bottom), lowest);
    const bool cramped = bottom - top < needed;
    // A shown barcode between them moves up with the address's foot, right under its lines (never further down
    // than the user placed it), so the block still has the room the address gives up.
    const TBarcodeRect *barcode = receiver.Barcode;
    const bool between = barcode && barcode->Visible && sideBySide(barcode->GetRect(), n) &&
                         barcode->GetRect().Top >= a.Top && barcode->GetRect().Top < std::max(n.Top, addressFoot);
    const TRect b = between ? barcode->GetRect() : TRect{};
    // How high the name short of room may start over an address whose place ends at foot: under a barcode
    // between them, else with its margin over the address's, where neither draws anything.
    const auto highestTop = [&](int foot) {
        return between ? std::max(foot, std::min(b.Top, foot) + b.Height()) : foot - TextMargin;
    };
    if (cramped)
        top = std::max(bottom - needed, std::min(highestTop(least), top));
    // An address that reaches the label's foot leaves the name nowhere to go: both keep their frames.
    if (top >= bottom)
        return TRecordPlaces{n, a, std::nullopt, false};
    const int addressBottom = !cramped ? top : between ? std::max(least, top - b.Height()) : top + TextMargin;
    TRecordPlaces places;
    places.NameRoom = {n.Left, top, n.Right, bottom};
    places.AddressRoom = placeUnderName(
        address, {a.Left, a.Top, a.Right, std::max(std::min(addressFoot, addressBottom), a.Top + 1)}, name,
        places.NameRoom);
    TRect &nameRoom = places.NameRoom;
    // What the address gives up to stay under the name goes to a block still short of room.
    if (cramped)
        nameRoom.Top = std::min(top, std::max(bottom - needed, highestTop(places.AddressRoom.Bottom)));
    // The barcode's bars never stand over the address's lines nor the name's: it goes under the lines, lower than
    // placed where they reach it, and the name under it, its block taking what room there is further down. Where
    // that would set the block under the smallest text size, the barcode gives way for the record instead.
    if (between) {
        int barcodeTop = cramped ? std::min(b.Top, std::max(places.AddressRoom.Bottom, nameRoom.Top - b.Height())) : b.Top;
        if (sideBySide(b, places.AddressRoom))
            barcodeTop = std::max(barcodeTop, linesFoot(address, places.AddressRoom));
        places.BarcodeTop = barcodeTop;
        TRect under = nameRoom;
        under.Top = std::max(nameRoom.Top, barcodeTop + b.Height());
        under.Bottom = std::max(nameRoom.Bottom, std::min(under.Top + needed, lowest));
        if (under.Top < under.Bottom && nameShortfall(name, under) <= nameShortfall(name, nameRoom))
            nameRoom = under;
        else
            places.BarcodeGivesWay = true;
    }
    return places;
}

// The least height from the top of room at which the object sets all its text for the record, in room's width,
// at the smallest text size or more; 0 where no height up to most does.
int leastReadableHeight(const TMetaRect &object, const TRect &room, int most)
{
    TMeasuringCanvas measuring;
    TCanvas &canvas = measuring.Canvas();
    const int smallest = std::abs(SmallestTextHeight(canvas));
    const auto readable = [&](int height) {
        return setSizes(object, {room.Left, room.Top, room.Right, room.Top + height}, canvas).first >= smallest;
    };
    if (!readable(most))
        return 0;
    int low = 0, high = most;
    while (high - low > 1) {
        const int middle = low + (high - low) / 2;
        (readable(middle) ? high : low) = middle;
    }
    return high;
}

// A shown object of a label's split set with something to print for the record, as placeColumn stacks it: a
// text object or the barcode.
struct TColumnMember {
    TMetaRect *Text = nullptr;  // empty for the barcode
    TRect Own;                  // its rectangle, widened across the label where its line needs that
    int Need = 0, Wanted = 0;   // the heights it needs at the smallest text size and at its own size
    int Margin = 0;             // what of it may lie over a neighbour: a text's margin, where nothing is drawn
};

// The split set's text objects: its postal code, address lines, company parts and name.
std::vector<TMetaRect *> splitTexts(const TFixedObjects &receiver)
{
    std::vector<TMetaRect *> texts{receiver.Postal};
    texts.insert(texts.end(), receiver.Address.begin(), receiver.Address.end());
    texts.insert(texts.end(), receiver.Corp.begin(), receiver.Corp.end());
    texts.push_back(receiver.Name);
    return texts;
}

// The split set's shown objects that print for the record, by their tops. A company part or postal code too
// long for its place at the smallest size is lent the label's width, short of a millimetre at either edge; the
// name wants the room its block takes at its own size.
std::vector<TColumnMember> columnMembers(const TFixedObjects &receiver, QSize label)
{
    std::vector<TColumnMember> members;
    TMeasuringCanvas measuring;
    const int edge = TenthsMmToLayout(10);
    for (TMetaRect *text : splitTexts(receiver)) {
        if (!text || !text->Visible || !text->WritesHorizontally())
            continue;
        TRect own = text->GetRect();
        if (setSizes(*text, {own.Left, own.Top, own.Right, own.Top + label.height()}, measuring.Canvas()).second == 0)
            continue;
        int need = leastReadableHeight(*text, own, label.height());
        if (need == 0 && text != receiver.Name) {
            own.Left = std::min(own.Left, edge - TextMargin);
            own.Right = std::max(own.Right, label.width() - edge + TextMargin);
            need = leastReadableHeight(*text, own, label.height());
        }
        // Not readable on the whole label: as high as its place, the layout short of room.
        if (need == 0)
            need = label.height();
        int wanted = std::max(own.Height(), need);
        if (text == receiver.Name)
            wanted = std::max(wanted, TMeasuringCanvas::Units(receiver.Name->NeededBreadth(
                                          measuring.Canvas(), TMeasuringCanvas::Pixels(own.Width()))));
        // Two lines keep half a millimetre between their cells: a mark such as the postal code's reaches past
        // its cell.
        members.push_back({text, own, need, wanted, TextMargin - 1});
    }
    if (receiver.Barcode && receiver.Barcode->Visible) {
        const TRect b = receiver.Barcode->GetRect();
        members.push_back({nullptr, b, b.Height(), b.Height(), 0});
    }
    std::stable_sort(members.begin(), members.end(),
                     [](const TColumnMember &x, const TColumnMember &y) { return x.Own.Top < y.Own.Top; });
    return members;
}

// The members' places, each under those above that share its width, with the name (at index name) height high
// and the one at skipped left out: first each as high as it wants from its own top or the foot of those above,
// then, from the lowest up, each drawn up over the foot (or the next below) and given up to what it needs at the
// smallest text size. Only the margins, where nothing is drawn, lie over one another. Empty where the column does
// not go between top and foot.
std::optional<std::vector<TRect>> stackColumn(const std::vector<TColumnMember> &members, int top, int foot,
                                              size_t name, int height, size_t skipped)
{
    std::vector<TRect> rooms(members.size());
    const auto wanted = [&](size_t i) { return i == name ? height : members[i].Wanted; };
    for (size_t i = 0; i < members.size(); ++i) {
        if (i == skipped)
            continue;
        const TColumnMember &m = members[i];
        int t = std::max(m.Own.Top, top - m.Margin);
        for (size_t j = 0; j < i; ++j)
            if (j != skipped && sideBySide(members[j].Own, m.Own))
                t = std::max(t, rooms[j].Bottom - members[j].Margin - m.Margin);
        rooms[i] = {m.Own.Left, t, m.Own.Right, t + wanted(i)};
    }
    for (size_t i = members.size(); i-- > 0;) {
        if (i == skipped)
            continue;
        const TColumnMember &m = members[i];
        int b = std::min(rooms[i].Bottom, foot + m.Margin);
        for (size_t j = i + 1; j < members.size(); ++j)
            if (j != skipped && sideBySide(members[j].Own, m.Own))
                b = std::min(b, rooms[j].Top + members[j].Margin + m.Margin);
        rooms[i].Bottom = b;
        rooms[i].Top = std::min(rooms[i].Top, b - (i == name ? height : m.Need));
        if (rooms[i].Top < top - m.Margin)
            return std::nullopt;
    }
    return rooms;
}

// Where placeColumn sets the split set's members.
struct TColumnPlaces {
    std::vector<TRect> Rooms;  // by member
    int Shortfall = 0;         // 0 where every member is set at the smallest text size or more, else 1
    bool BarcodeGivesWay = false;
};

// The split set's members stacked within a millimetre of the label's top and foot, over the shown additions
// under them whose tops are rowTops: the name as large as the room lets it be up to its own size. Where they
// would not all be set at the smallest size, a shown barcode among them gives way for the record; where even
// that is not enough, each keeps its rectangle.
TColumnPlaces placeColumn(const std::vector<TColumnMember> &members, const TNameRect *nameObject, int labelHeight,
                          const std::vector<int> &rowTops)
{
    const int edge = TenthsMmToLayout(10);
    int foot = labelHeight - edge;
    for (const int rowTop : rowTops)
        foot = std::min(foot, rowTop);
    const auto at = [&](auto test) {
        return size_t(std::find_if(members.begin(), members.end(), test) - members.begin());
    };
    const size_t name = at([&](const TColumnMember &m) { return m.Text && m.Text == nameObject; });
    const size_t barcode = at([](const TColumnMember &m) { return !m.Text; });
    const auto stack = [&](size_t skipped) -> std::optional<std::vector<TRect>> {
        if (name >= members.size())
            return stackColumn(members, edge, foot, name, 0, skipped);
        const TColumnMember &n = members[name];
        if (auto rooms = stackColumn(members, edge, foot, name, n.Wanted, skipped))
            return rooms;
        auto rooms = stackColumn(members, edge, foot, name, n.Need, skipped);
        int low = n.Need, high = n.Wanted;
        while (rooms && high - low > 1) {
            const int middle = low + (high - low) / 2;
            if (auto roomier = stackColumn(members, edge, foot, name, middle, skipped)) {
                rooms = std::move(roomier);
                low = middle;
            } else {
                high = middle;
            }
        }
        return rooms;
    };
    if (auto rooms = stack(members.size()))
        return {std::move(*rooms), 0, false};
    if (barcode < members.size())
        if (auto rooms = stack(barcode))
            return {std::move(*rooms), 0, true};
    TColumnPlaces kept;
    for (const TColumnMember &m : members)
        kept.Rooms.push_back(m.Text ? m.Text->GetRect() : m.Own);
    kept.Shortfall = 1;
    return kept;
}

// The tops of the first count rows (the shown additions under the record's texts that print for it, from the
// top) moved down as far as they go, none higher than placed: the last onto a millimetre above the label's foot,
// each other one onto the one under it. Their heights stay: each holds a line at the smallest text size.
std::vector<int> rowsAtFoot(const std::vector<TAdditionRect *> &rows, size_t count, int labelHeight)
{
    std::vector<int> tops(count);
    int bottom = labelHeight - TenthsMmToLayout(10);
    for (size_t i = count; i-- > 0;) {
        const TRect r = rows[i]->GetRect();
        tops[i] = std::max(bottom, r.Bottom) - r.Height();
        bottom = tops[i];
    }
    return tops;
}

// Where the record's texts and the rows stand for the texts to fall short the least: the rows in their places;
// else moved down to the label's foot, the room over them going to the texts; else, as few as that needs, given
// way from the lowest up, the others moved down. places(tops of the rows kept) lays the texts out,
// shortfall(places) says how far they fall short. The places and the tops of the rows kept, the first of rows.
template <class Places, class Place, class Shortfall>
std::pair<Places, std::vector<int>> placeOverRows(const std::vector<TAdditionRect *> &rows, int labelHeight,
                                                  Place places, Shortfall shortfall)
{
    std::vector<int> tops;
    for (const TAdditionRect *row : rows)
        tops.push_back(row->GetRect().Top);
    Places best = places(tops);
    int least = shortfall(best);
    for (size_t kept = rows.size() + 1; kept-- > 0 && least > 0;) {
        std::vector<int> lower = rowsAtFoot(rows, kept, labelHeight);
        if (lower == tops)
            continue;
        Places roomier = places(lower);
        if (const int less = shortfall(roomier); less < least) {
            best = std::move(roomier);
            least = less;
            tops = std::move(lower);
        }
    }
    return {std::move(best), std::move(tops)};
}

// Whether every shown object of the receiver's that prints for the record is set, in the place it is lent, at the
// smallest text size or more: no addition left off, no text made smaller than that or left unset.
bool laidOutReadably(const TFixedObjects &receiver, QSize label)
{
    if (!AdditionsLeftOff(receiver).empty())
        return false;
    TMeasuringCanvas measuring;
    TCanvas &canvas = measuring.Canvas();
    const int smallest = std::abs(SmallestTextHeight(canvas));
    for (const TMetaRect *text : splitTexts(receiver)) {
        if (!text || !text->Visible)
            continue;
        // What it sets with the whole label to itself: nothing where the record has nothing for it.
        if (setSizes(*text, {0, 0, label.width(), label.height()}, canvas).second == 0)
            continue;
        if (setSizes(*text, text->LaidOutRect(), canvas).first < smallest)
            return false;
    }
    return true;
}

}  // namespace

TRect LabelItemRect(const TPaperFormat &paper, int row)
{
    // Under the name, in the label's lowest 30 % (more when the name ends higher), 3 mm in from the sides and
    // 1 mm from the foot; on a low label higher, each row as high as a line at the smallest text size needs in
    // the program's faces, whose lines are nearly a fifth taller than their size, and a little between lines.
    const int width = TenthsMmToLayout(paper.Width), height = TenthsMmToLayout(paper.Height);
    const int margin = TenthsMmToLayout(30);
    const int foot = height - TenthsMmToLayout(10);
    const int nameBottom = paper.CombinedRectCount > 2 ? paper.CombinedRects[2].Bottom : 0;
    const int least = PointsToLayout(SmallestTextPoints * 1.25);
    const int top = std::min(std::clamp(nameBottom, height / 2, height * 7 / 10), foot - 4 * least);
    const int line = std::max((foot - top) / 4, 1);
    return TRect{margin, top + row * line, width - margin, top + (row + 1) * line};
}

std::vector<const TAdditionRect *> AdditionsLeftOff(const TFixedObjects &receiver)
{
    TMeasuringCanvas measuring;
    TCanvas &canvas = measuring.Canvas();
    const int smallest = std::abs(SmallestTextHeight(canvas));
    std::vector<const TAdditionRect *> leftOff;
    for (const TAdditionRect *item : receiver.Items) {
        if (!item->Visible || item->Text().isEmpty())
            continue;
        // Nothing at all where it gives way.
        const TRect r = item->LaidOutRect();
        const QList<TPlacedPiece> line =
            item->Layout(canvas, QSize(TMeasuringCanvas::Pixels(r.Width()), TMeasuringCanvas::Pixels(r.Height())));
        if (line.isEmpty() || std::abs(line.first().FontHeight) < smallest || line.first().Text != item->Line())
            leftOff.push_back(item);
    }
    return leftOff;
}

bool LayOutLabelRecord(const TFixedObjects &receiver, QSize label)
{
    for (TAddressRect *address : receiver.Address)
        if (address)
            address->SetKeepsReadable(true);
    for (TAdditionRect *item : receiver.Items)
        item->SetKeepsReadable(true);
    if (receiver.Postal)
        receiver.Postal->SetKeepsReadable(true);
    if (receiver.Barcode) {
        receiver.Barcode->SetLaidOutTop(receiver.Barcode->GetRect().Top);
        receiver.Barcode->SetGivesWay(false);
    }
    const bool combined = !receiver.Split && receiver.Name && receiver.Address[0];
    std::vector<TColumnMember> members;
    if (receiver.Split) {
        for (TMetaRect *text : splitTexts(receiver))
            if (text)
                text->SetLaidOutRect(text->GetRect());
        members = columnMembers(receiver, label);
    }
    // What the rows stand under: the name, or the lowest of the split set's members without a name.
    std::optional<TRect> over;
    if (combined)
        over = nameFrameOnLabel(*receiver.Name, label);
    const auto named = std::find_if(members.begin(), members.end(),
                                    [&](const TColumnMember &m) { return m.Text == receiver.Name; });
    if (named != members.end())
        over = named->Own;
    else
        for (const TColumnMember &m : members)
            if (!over || m.Own.Top > over->Top)
                over = m.Own;
    // The additions under the name that print for the record, from the top; one without a text for it leaves
    // the name its room. Where the name's block (in the split set, a text of the record) would be set under the
    // smallest text size over them, they move down to the label's foot, and where even that leaves it short,
    // they give way for the record from the lowest up, the others moving down, so the rows the user put first
    // stay longest: as few as the block needs to be set best, none where giving way gains it nothing.
    std::vector<TAdditionRect *> rows;
    if (over)
        for (TAdditionRect *item : receiver.Items)
            if (item->Visible && !item->Text().isEmpty() && item->GetRect().Top > over->Top &&
                sideBySide(item->GetRect(), *over))
                rows.push_back(item);
    std::stable_sort(rows.begin(), rows.end(), [](const TAdditionRect *x, const TAdditionRect *y) {
        return x->GetRect().Top < y->GetRect().Top;
    });
    std::vector<int> keptTops;
    for (const TAdditionRect *row : rows)
        keptTops.push_back(row->GetRect().Top);
    std::optional<TRecordPlaces> places;
    TColumnPlaces column;
    if (combined)
        std::tie(places, keptTops) = placeOverRows<std::optional<TRecordPlaces>>(
            rows, label.height(),
            [&](const std::vector<int> &tops) { return placeLabelRecord(receiver, label, tops); },
            [&](const std::optional<TRecordPlaces> &p) { return p ? nameShortfall(*receiver.Name, p->NameRoom) : 0; });
    else if (!members.empty())
        std::tie(column, keptTops) = placeOverRows<TColumnPlaces>(
            rows, label.height(),
            [&](const std::vector<int> &tops) { return placeColumn(members, receiver.Name, label.height(), tops); },
            [](const TColumnPlaces &p) { return p.Shortfall; });
    // Laid out from the rectangles each time, so what was lent before a move is given back; set once, so a
    // layout that comes out as before keeps the pictures drawn.
    for (TAdditionRect *item : receiver.Items) {
        const size_t row = size_t(std::find(rows.begin(), rows.end(), item) - rows.begin());
        const bool givesWay = row < rows.size() && row >= keptTops.size();
        TRect laidOut = item->GetRect();
        if (row < keptTops.size()) {
            const int down = keptTops[row] - laidOut.Top;
            laidOut.Top += down;
            laidOut.Bottom += down;
        }
        item->SetGivesWay(givesWay);
        item->SetLaidOutRect(laidOut);
    }
    if (!members.empty()) {
        std::optional<TRect> nameRoom;
        for (size_t i = 0; i < members.size(); ++i) {
            if (members[i].Text) {
                members[i].Text->SetLaidOutRect(column.Rooms[i]);
            } else {
                receiver.Barcode->SetLaidOutTop(column.Rooms[i].Top);
                receiver.Barcode->SetGivesWay(column.BarcodeGivesWay);
            }
            if (members[i].Text == receiver.Name)
                nameRoom = column.Rooms[i];
        }
        // The other texts kept under the name, so that it reads as the largest text.
        if (nameRoom)
            for (const TColumnMember &m : members) {
                if (!m.Text || m.Text == receiver.Name)
                    continue;
                const TRect room = m.Text->LaidOutRect();
                const auto *address = dynamic_cast<const TAddressRect *>(m.Text);
                m.Text->SetLaidOutRect(address ? placeUnderName(*address, room, *receiver.Name, *nameRoom)
                                               : lineUnderName(*m.Text, room, *receiver.Name, *nameRoom));
            }
    }
    if (combined) {
        TNameRect &name = *receiver.Name;
        TAddressRect &address = *receiver.Address[0];
        name.SetLaidOutRect(places ? places->NameRoom : name.GetRect());
        address.SetLaidOutRect(places ? places->AddressRoom : address.GetRect());
        if (places && places->BarcodeTop) {
            receiver.Barcode->SetLaidOutTop(*places->BarcodeTop);
            receiver.Barcode->SetGivesWay(places->BarcodeGivesWay);
        }
        if (receiver.Postal)
            receiver.Postal->SetLaidOutRect(places ? lineUnderName(*receiver.Postal, receiver.Postal->GetRect(), name,
                                                                   places->NameRoom)
                                                   : receiver.Postal->GetRect());
    }
    // Bars that would reach past the label print over the next one, and no reader takes a barcode cut at the
    // label's edge: a barcode not wholly on the label (moved over its edge, or a document's from a wider
    // paper) is left off for the record, as on a paper no bar size fits.
    if (receiver.Barcode && !receiver.Barcode->GivesWay()) {
        const TRect b = receiver.Barcode->LaidOutRect();
        if (b.Left < 0 || b.Top < 0 || b.Right > label.width() || b.Bottom > label.height())
            receiver.Barcode->SetGivesWay(true);
    }
    return laidOutReadably(receiver, label);
}

bool LabelHoldsShownParts(const TFixedObjects &receiver, QSize label, const TBindContext &context)
{
    // A company contact with a long company name, two departments, a title, a building and every item an
    // addition prints; the book keeps numbers as their digits, hyphenated when printed.
    const auto sjis = [](const char16_t *text) { return Sjis::encode(QString::fromUtf16(text)); };
    TAddressBindRecord office;
    office.Pos = "1000005";
    office.Tdfkn = sjis(u"東京都");
    office.Adrs1 = sjis(u"千代田区丸の内");
    office.Adrs2 = sjis(u"１－１－１");
    office.Adrs3 = sjis(u"丸の内パークビルディング１２階");
    office.PrivCorp = false;
    office.NameKanji = sjis(u"佐藤　一郎");
    office.CorpKanji = sjis(u"株式会社アオバ・トレーディング・ジャパン");
    office.Dptmnt = sjis(u"海外事業本部　第二営業部");
    office.Post = sjis(u"部長");
    office.Tel = "0312345678";
    office.Fax = "0312345679";
    office.Portable1 = office.Portable2 = "09012345678";
    office.URL = "https://www.aoba-trading.example.co.jp/";
    office.EMail1 = office.EMail2 = "ichiro.sato@aoba-trading.example.co.jp";
    office.Keyword.fill(sjis(u"得意先"));
    BindReceiverRow(receiver, office, context, nullptr);
    // The sender's contact lines a card's additions print are as long as the record's numbers.
    for (TAdditionRect *item : receiver.Items)
        if (item->Visible && item->Item != 0 && item->Text().isEmpty()) {
            item->SetSubText(QStringLiteral("ＴＥＬ"));
            item->SetText(QStringLiteral("０３-１２３４-５６７８"));
        }
    return LayOutLabelRecord(receiver, label);
}

void LayOutAddressSideRecord(const TFixedObjects &receiver, const std::vector<TDrawRect *> &shown, QSize paper)
{
    if (receiver.Split || !receiver.Name || !receiver.Address[0])
        return;
    lendNameRoomBeyond(*receiver.Name, shown, paper);
    TAddressRect &address = *receiver.Address[0];
    address.SetLaidOutRect(placeUnderName(address, address.GetRect(), *receiver.Name, receiver.Name->LaidOutRect()));
}
