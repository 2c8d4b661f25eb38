#include "mainlist/NarrowDown.h"

#include "base/FileReplace.h"
#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "core/Globals.h"
#include "db/Table.h"

#include <QFile>
#include <QtEndian>

#include <cerrno>

namespace {

const QString SearchListFileName = QStringLiteral("Search.lst");
const QString SearchPatternFileName = QStringLiteral("Search.ptn");

constexpr qsizetype ConditionHeadSize = 1 + 1 + 4;  // item, value kind, payload length
constexpr qsizetype ConditionTailSize = 1 + 1;      // match mode, negate
constexpr quint32 ChoicePayloadSize = 4;

const QString SearchListSaveError = QStringLiteral("絞り込み条件が保存できませんでした  ");
const QString SearchPatternSaveError = QStringLiteral("パターンが保存できませんでした  ");

QString searchListFile() { return DataRootFolder + SearchListFileName; }
QString searchPatternFile() { return DataRootFolder + SearchPatternFileName; }

// The whole file, or nothing when it is missing or cannot be read.
QByteArray readWholeFile(const QString &fileName)
{
    QFile f(fileName);
    if (!f.exists() || !f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = f.readAll();
    return f.error() == QFileDevice::NoError ? data : QByteArray();
}

// Replaces the file whole with bytes, or deletes it when there is nothing to keep: a file left behind would
// come back at the next start. Throws ENarrowDownError(errorMessage, with the file and why when the disk is full
// or the place cannot be written) when that fails.
void replaceOrRemoveFile(const QString &fileName, const QByteArray &bytes, const QString &errorMessage)
{
    if (bytes.isEmpty()) {
        if (QFile::exists(fileName) && !QFile::remove(fileName))
            throw ENarrowDownError(errorMessage + WriteFailureAt(fileName, errno));
        return;
    }
    if (!ReplaceFileWhole(fileName, bytes))
        throw ENarrowDownError(errorMessage + WriteFailureAt(fileName, errno));
}

// What the dialog can make: a known item with the value kind of its editor, and a known match mode.
bool isValidCondition(const TNarrowDownItem &c)
{
    if (c.Item < 0 || c.Item >= FilterItemCount || c.MatchMode < mmNone || c.MatchMode > mmSuffix)
        return false;
    const int kind = FilterItemTable()[c.Item].Kind;
    if (kind == ikEdit || kind == ikHistory)
        return c.ValueKind == vkText && c.Choice == 0;
    return c.ValueKind == vkChoice && c.Text.isEmpty();
}

void appendCondition(QByteArray &out, const TNarrowDownItem &c)
{
    out.append(static_cast<char>(c.Item));
    out.append(static_cast<char>(c.ValueKind));
    char number[4];
    if (c.ValueKind == vkChoice) {
        qToLittleEndian<quint32>(ChoicePayloadSize, number);
        out.append(number, sizeof number);
        qToLittleEndian<qint32>(c.Choice, number);
        out.append(number, sizeof number);
    } else {
        qToLittleEndian<quint32>(static_cast<quint32>(c.Text.size()), number);
        out.append(number, sizeof number);
        out.append(c.Text);
    }
    out.append(static_cast<char>(static_cast<qint8>(c.MatchMode)));
    out.append(static_cast<char>(c.Negate ? 1 : 0));
}

// Reads one condition at pos. Every length is checked against what is left, so damaged data never make us
// read past its end or allocate what the file could not hold.
bool readCondition(QByteArrayView data, qsizetype &pos, TNarrowDownItem &c)
{
    if (data.size() - pos < ConditionHeadSize)
        return false;
    c = TNarrowDownItem();
    c.Item = static_cast<unsigned char>(data[pos]);
    c.ValueKind = static_cast<unsigned char>(data[pos + 1]);
    const quint32 payloadSize = qFromLittleEndian<quint32>(data.data() + pos + 2);
    pos += ConditionHeadSize;
    const qsizetype payloadRoom = data.size() - pos - ConditionTailSize;
    if (payloadRoom < 0 || payloadSize > static_cast<quint64>(payloadRoom))
        return false;
    if (c.ValueKind == vkChoice) {
        // Only a 4-byte payload is a Choice; anything else would be read as part of one.
        if (payloadSize != ChoicePayloadSize)
            return false;
        c.Choice = qFromLittleEndian<qint32>(data.data() + pos);
    } else {
        c.Text = data.sliced(pos, payloadSize).toByteArray();
    }
    pos += payloadSize;
    c.MatchMode = static_cast<qint8>(data[pos]);
    c.Negate = data[pos + 1] != 0;
    pos += ConditionTailSize;
    return isValidCondition(c);
}

bool textMatches(const QByteArray &value, const QByteArray &text, int matchMode)
{
    if (text.isEmpty())
        return value.isEmpty();
    switch (matchMode) {
    case mmPrefix: return value.startsWith(text);
    case mmContains: return CountSubstring(value, text) > 0;
    case mmSuffix: {
        // As everywhere else, a match never starts on the second byte of a double-byte character.
        const qsizetype start = value.size() - text.size();
        return start >= 0 && value.endsWith(text) && Sjis::cutToBytes(value, start).size() == start;
    }
    default: return false;
    }
}

bool conditionHolds(const TNarrowDownItem &c, const TFieldValue &value)
{
    const QStringList &fields = FilterItemTable()[c.Item].Fields;
    if (c.ValueKind == vkText) {
        // The address as the list shows it, so that a street number is read as the list shows it.
        const auto text = [&](int k) { return value(fields[k]).toByteArray(); };
        return textMatches(c.Item == fiAddress ? JoinAddressParts<QByteArray>({text(0), text(1), text(2), text(3)})
                                               : TrimBlanks(text(0)),
                           c.Text, c.MatchMode);
    }
    bool holds = false;
    switch (c.Item) {
    case fiTelDiv: {
        const bool mainNumber = value(fields[0]).toLongLong() == 3;
        holds = (mainNumber && c.Choice == 0) || (!mainNumber && c.Choice == 1);
        break;
    }
    case fiPrivCorp: {
        const bool individual = value(fields[0]).toLongLong() != 0;
        holds = (individual && c.Choice == 0) || (!individual && c.Choice == 1);
        break;
    }
    case fiCategory:
        holds = value(fields[0]).toLongLong() == c.Choice / 100
                && (c.Choice % 100 == 0 || value(fields[1]).toLongLong() == c.Choice % 100);
        break;
    }
    return holds != c.Negate;
}

}  // namespace

const std::array<TFilterItem, FilterItemCount> &FilterItemTable()
{
    static const std::array<TFilterItem, FilterItemCount> table = [] {
        auto field = [](const char *name) { return QStringList{QLatin1String(name)}; };
        std::array<TFilterItem, FilterItemCount> t{{
            {QStringLiteral("顧客コード"), ikEdit, 20, field("CustomCode")},
            {QStringLiteral("電話番号"), ikEdit, 13, field("Tel")},
            {QStringLiteral("代表電話"), ikChoice, 0, field("TelDiv")},
            {QStringLiteral("FAX番号"), ikEdit, 13, field("Fax")},
            {QStringLiteral("携帯番号1"), ikEdit, 13, field("Portable1")},
            {QStringLiteral("携帯番号2"), ikEdit, 13, field("Portable2")},
            {QStringLiteral("〒"), ikEdit, 8, field("Pos")},
            {QStringLiteral("住所"), ikEdit, 256,
             {QStringLiteral("Tdfkn"), QStringLiteral("Adrs1"), QStringLiteral("Adrs2"), QStringLiteral("Adrs3")}},
            {QStringLiteral("個人会社区分"), ikChoice, 0, field("PrivCorp")},
            {QStringLiteral("会社名"), ikEdit, 112, field("CorpKanji")},
            {QStringLiteral("部署"), ikHistory, 100, field("Dptmnt")},
            {QStringLiteral("役職"), ikHistory, 50, field("Post")},
            {QStringLiteral("名前"), ikEdit, 15, field("NameKanji")},
            {QStringLiteral("URL"), ikEdit, 128, field("URL")},
            {QStringLiteral("メールアドレス1"), ikEdit, 64, field("EMail1")},
            {QStringLiteral("メールアドレス2"), ikEdit, 64, field("EMail2")},
        }};
        for (int n = 1; n <= 5; ++n)
            t[15 + n] = {QStringLiteral("連名%1").arg(n), ikEdit, 11, {QStringLiteral("Joint%1").arg(n)}};
        for (int n = 1; n <= 8; ++n)
            t[20 + n] = {QStringLiteral("キーワード%1").arg(n), n <= 5 ? ikEdit : ikHistory, 100,
                         {QStringLiteral("Keyword%1").arg(n)}};
        t[29] = {QStringLiteral("備考"), ikEdit, 0, field("Note")};
        t[fiCategory] = {QStringLiteral("カテゴリ"), ikCategory, 0,
                         {QStringLiteral("CodeMain"), QStringLiteral("CodeSub")}};
        return t;
    }();
    return table;
}

bool AppendConditions(QByteArray &out, const TNarrowDownCondition &filter)
{
    if (filter.Conditions.size() > MaxNarrowDownConditions)
        return false;
    for (const TNarrowDownItem &c : filter.Conditions) {
        if (!isValidCondition(c))
            return false;
    }
    out.append(static_cast<char>(filter.Conditions.size()));
    for (const TNarrowDownItem &c : filter.Conditions)
        appendCondition(out, c);
    out.append(static_cast<char>(filter.MatchAll ? 1 : 0));
    return true;
}

bool ReadConditions(QByteArrayView data, qsizetype &pos, TNarrowDownCondition &filter)
{
    qsizetype at = pos;
    if (at >= data.size())
        return false;
    const int count = static_cast<unsigned char>(data[at++]);
    if (count > MaxNarrowDownConditions)
        return false;
    TNarrowDownCondition read;
    read.Conditions.resize(count);
    for (TNarrowDownItem &c : read.Conditions) {
        if (!readCondition(data, at, c))
            return false;
    }
    if (at >= data.size())
        return false;
    read.MatchAll = data[at++] != 0;
    filter = std::move(read);
    pos = at;
    return true;
}

bool LoadSearchList(TNarrowDownCondition &filter)
{
    filter = TNarrowDownCondition();
    const QByteArray data = readWholeFile(searchListFile());
    qsizetype pos = 0;
    TNarrowDownCondition read;
    // Bytes after the filter mean the file is not one we wrote.
    if (!ReadConditions(data, pos, read) || pos != data.size())
        return false;
    filter = std::move(read);
    return true;
}

void SaveSearchList(const TNarrowDownCondition &filter)
{
    QByteArray bytes;
    if (!filter.Conditions.empty() && !AppendConditions(bytes, filter))
        throw ENarrowDownError(SearchListSaveError);
    // With no filter the file would be deleted. One that could not be read as a filter was not written by
    // us as it is now: it stays for the user to look at, and they are told so.
    TNarrowDownCondition stored;
    if (bytes.isEmpty() && QFile::exists(searchListFile()) && !LoadSearchList(stored))
        throw ENarrowDownError(searchListFile() + QStringLiteral("\r\nファイルが壊れているため削除せずに残しました  "));
    replaceOrRemoveFile(searchListFile(), bytes, SearchListSaveError);
}

std::vector<TNarrowDownPattern> LoadSearchPatterns()
{
    std::vector<TNarrowDownPattern> patterns;
    const QByteArray data = readWholeFile(searchPatternFile());
    if (data.isEmpty())
        return patterns;
    const int count = static_cast<unsigned char>(data[0]);
    qsizetype pos = 1;
    for (int i = 0; i < count && pos < data.size(); ++i) {
        const qsizetype nameSize = static_cast<unsigned char>(data[pos]);
        if (data.size() - pos - 1 < nameSize)
            break;
        TNarrowDownPattern pattern;
        pattern.Name = data.mid(pos + 1, nameSize);
        qsizetype at = pos + 1 + nameSize;
        // The same reader as Search.lst's, so a pattern holding what no dialog makes is refused alike.
        if (!ReadConditions(data, at, pattern.Condition))
            break;
        patterns.push_back(std::move(pattern));
        pos = at;
    }
    return patterns;
}

void SaveSearchPatterns(const std::vector<TNarrowDownPattern> &patterns)
{
    // One byte holds the count: a longer list would be written as a count of its remainder and lose the rest.
    if (patterns.size() > MaxNarrowDownPatterns)
        throw ENarrowDownError(SearchPatternSaveError);
    QByteArray bytes;
    if (!patterns.empty()) {
        bytes.append(static_cast<char>(patterns.size()));
        for (const TNarrowDownPattern &p : patterns) {
            if (p.Name.size() > MaxPatternNameBytes)
                throw ENarrowDownError(SearchPatternSaveError);
            bytes.append(static_cast<char>(p.Name.size()));
            bytes.append(p.Name);
            if (!AppendConditions(bytes, p.Condition))
                throw ENarrowDownError(SearchPatternSaveError);
        }
    }
    replaceOrRemoveFile(searchPatternFile(), bytes, SearchPatternSaveError);
}

QStringList FilterFields(const TNarrowDownCondition &filter)
{
    QStringList fields;
    for (const TNarrowDownItem &c : filter.Conditions)
        for (const QString &field : FilterItemTable()[c.Item].Fields)
            if (!fields.contains(field))
                fields << field;
    return fields;
}

bool RowPassesFilter(const TNarrowDownCondition &filter, const TFieldValue &value)
{
    // The answer is settled by the first condition whose result differs from MatchAll: with "all" the first
    // that fails rejects the row, with "any" the first that holds lets it pass.
    for (const TNarrowDownItem &c : filter.Conditions) {
        const bool holds = conditionHolds(c, value);
        if (holds != filter.MatchAll)
            return holds;
    }
    return filter.MatchAll || filter.Conditions.empty();
}
