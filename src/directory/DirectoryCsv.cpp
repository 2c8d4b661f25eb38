#include "directory/DirectoryCsv.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "geo/DicLibraries.h"

namespace {

// Telephone kinds of a hit or an entry.
constexpr uint32_t kindFax = 1;
constexpr uint32_t kindFaxCombined = 2;
constexpr uint32_t kindMain = 3;
// The person-or-company code of an individual.
constexpr uint32_t personIndividual = 99;

enum TSearchItem {
    siTel, siMainTel, siFax, siPostalCode, siAddressKana, siPrefecture, siAddress1, siAddress2, siCityCode,
    siCorpKana, siCorpName, siNameKana, siName, siPersonCorp, siMainCategoryName, siMainCategoryCode,
    siSubCategoryName, siSubCategoryCode
};

// What one line is built from.
struct TLineSource {
    const TDirectoryHit &hit;
    const TDirectoryDetail *detail;
    const TCategoryNameLookup &categoryName;

    QByteArray tel() const { return detail ? FieldText(detail->Tel) : FieldText(hit.Tel); }
    uint32_t kind() const { return detail ? detail->Kind : hit.Kind; }
    QByteArray mainCode() const { return detail ? FieldText(detail->MainCategory) : FieldText(hit.MainCategory); }
    QByteArray subCode() const { return detail ? FieldText(detail->SubCategory) : FieldText(hit.SubCategory); }
    bool individual() const { return detail && detail->Person == personIndividual; }
};

// A blank or unreadable code counts as 0.
int32_t codeNumber(const QByteArray &code) { return code.toInt(); }

QByteArray itemValue(int row, const TLineSource &s)
{
    switch (row) {
    case siTel:
        // A fax-only line has no telephone number; every other kind is a number to call.
        return s.kind() == kindFax ? QByteArray() : s.tel();
    case siMainTel:
        return s.kind() == kindMain ? Sjis::encode(u"代表") : QByteArray();
    case siFax:
        return s.kind() == kindFax || s.kind() == kindFaxCombined ? s.tel() : QByteArray();
    case siPrefecture: {
        if (s.detail)
            return FieldText(s.detail->Prefecture);
        QByteArray prefecture, rest;
        SplitPrefecture(FieldText(s.hit.Address), prefecture, rest);
        return prefecture;
    }
    case siMainCategoryName:
        return s.categoryName(false, codeNumber(s.mainCode()));
    case siMainCategoryCode:
        return s.mainCode();
    case siSubCategoryName:
        return s.categoryName(true, codeNumber(s.mainCode()) * 100 + codeNumber(s.subCode()));
    case siSubCategoryCode:
        return s.subCode();
    default:
        break;
    }
    if (!s.detail) {
        // From the hit alone the listed name stands for both names; the other columns need the entry.
        if (row == siCorpName || row == siName)
            return FieldText(s.hit.Name);
        return {};
    }
    const TDirectoryDetail &d = *s.detail;
    switch (row) {
    case siPostalCode:
        return PostalCodeForm(FieldText(d.PostalCode));
    case siAddressKana:
        return FieldText(d.PrefectureReading) + FieldText(d.CityReading) + FieldText(d.Address1Reading) +
               FieldText(d.Address2Reading) + FieldText(d.Address3Reading);
    case siAddress1:
        return FieldText(d.City);
    case siAddress2:
        return JoinAddressParts<QByteArray>(
            {QByteArray(), QByteArray(), FieldText(d.Address1) + FieldText(d.Address2), FieldText(d.Address3)});
    case siCityCode:
        return FieldText(d.AddressCode).left(5);
    case siCorpKana:
        return s.individual() ? QByteArray() : FieldText(d.NameReading);
    case siCorpName:
        return s.individual() ? QByteArray() : FieldText(d.Name);
    case siNameKana:
        return s.individual() ? FieldText(d.NameReading) : QByteArray();
    case siName:
        return s.individual() ? FieldText(d.Name) : QByteArray();
    case siPersonCorp:
        return Sjis::encode(s.individual() ? u"個人" : u"会社");
    default:
        return {};
    }
}

// The chosen entries whose row is in the table; any other entry writes nothing.
template <class F>
QByteArray joinChosen(const std::vector<TItemChoice> &items, F value)
{
    QByteArray line;
    bool first = true;
    for (const TItemChoice &item : items) {
        if (!item.Chosen || item.TableRow >= static_cast<uint32_t>(SearchItemCount))
            continue;
        if (!first)
            line += ',';
        line += CsvField(value(static_cast<int>(item.TableRow)));
        first = false;
    }
    return line;
}

}  // namespace

bool ChoiceNeedsDetail(const std::vector<TItemChoice> &items)
{
    for (const TItemChoice &item : items)
        if (item.Chosen && item.TableRow < static_cast<uint32_t>(SearchItemCount) &&
            SearchItemTable()[item.TableRow].NeedsDetail)
            return true;
    return false;
}

QByteArray DirectoryCsvHeader(const std::vector<TItemChoice> &items)
{
    return joinChosen(items, [](int row) { return Sjis::encode(SearchItemTable()[static_cast<size_t>(row)].Title); });
}

QByteArray DirectoryCsvLine(const std::vector<TItemChoice> &items, const TDirectoryHit &hit,
                            const TDirectoryDetail *detail, const TCategoryNameLookup &categoryName)
{
    const TLineSource source{hit, detail, categoryName};
    return joinChosen(items, [&](int row) { return itemValue(row, source); });
}
