#include "exchange/TextImport.h"

#include "core/Globals.h"
#include "core/HistoryData.h"
#include "base/TextUtils.h"
#include "db/DatabaseError.h"
#include "db/Table.h"
#include "base/SjisCodec.h"
#include "base/Trim.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <optional>

// ---- Reading the text ----

namespace {

const QByteArray Utf16LeMark("\xFF\xFE"), Utf16BeMark("\xFE\xFF");

}  // namespace

TTextEncoding DetectTextEncoding(const QByteArray &bytes)
{
    // Neither mark can begin Shift-JIS or UTF-8 text.
    if (bytes.startsWith(Utf16LeMark) || bytes.startsWith(Utf16BeMark))
        return TTextEncoding::Utf16;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return TTextEncoding::Utf8;
    const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii)
        return TTextEncoding::ShiftJis;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    return utf8.hasError() ? TTextEncoding::ShiftJis : TTextEncoding::Utf8;
}

QString DecodeImportText(const QByteArray &bytes, TTextEncoding encoding)
{
    if (encoding == TTextEncoding::ShiftJis)
        return Sjis::decode(bytes);
    if (encoding == TTextEncoding::Utf16) {
        const bool bigEndian = bytes.startsWith(Utf16BeMark);
        QStringDecoder utf16(bigEndian ? QStringDecoder::Utf16BE : QStringDecoder::Utf16LE,
                             QStringDecoder::Flag::Stateless);
        return utf16(bigEndian || bytes.startsWith(Utf16LeMark) ? bytes.mid(2) : bytes);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes);
    return text;
}

QString CutToUnits(const QString &text, int units)
{
    if (text.size() <= units)
        return text;
    return text.left(text[units - 1].isHighSurrogate() ? units - 1 : units);
}

TCsvReader::TCsvReader(const QString &text, QChar separator, bool cut) : text_(text), separator_(separator), cut_(cut)
{
}

qsizetype TCsvReader::lineEnd(qsizetype from) const
{
    qsizetype i = from;
    while (i < text_.size() && text_[i] != QLatin1Char('\r') && text_[i] != QLatin1Char('\n'))
        ++i;
    return i;
}

void TCsvReader::skipLineEnd()
{
    if (pos_ < text_.size() && text_[pos_] == QLatin1Char('\r')) {
        ++pos_;
        if (pos_ < text_.size() && text_[pos_] == QLatin1Char('\n'))
            ++pos_;
    } else if (pos_ < text_.size() && text_[pos_] == QLatin1Char('\n')) {
        ++pos_;
    }
    ++line_;
}

bool TCsvReader::Next(TCsvRow &row)
{
    if (pos_ >= text_.size())
        return false;
    row = TCsvRow();
    row.Line = line_;
    const qsizetype start = pos_;
    const int startLine = line_;
    const QChar quote(u'"'), cr(u'\r'), lf(u'\n');
    // A malformed row is the physical line it began on, or up to the end of the line where the fault shows;
    // reading goes on after it.
    auto malformed = [&](qsizetype faultAt, bool unclosed) {
        row.Malformed = true;
        row.Fields.clear();
        if (unclosed) {
            pos_ = lineEnd(start);
            line_ = startLine;
        } else {
            pos_ = lineEnd(faultAt);
        }
        row.Text = text_.mid(start, pos_ - start);
        if (pos_ < text_.size())
            skipLineEnd();
        return true;
    };
    while (true) {
        QString field;
        if (pos_ < text_.size() && text_[pos_] == quote) {
            ++pos_;
            while (true) {
                const qsizetype next = text_.indexOf(quote, pos_);
                if (next < 0 && cut_) {
                    field += QStringView(text_).mid(pos_);
                    pos_ = text_.size();
                    break;
                }
                if (next < 0)
                    return malformed(start, true);
                for (qsizetype i = pos_; i < next; ++i)
                    if (text_[i] == cr || (text_[i] == lf && (i == 0 || text_[i - 1] != cr)))
                        ++line_;
                field += QStringView(text_).mid(pos_, next - pos_);
                pos_ = next + 1;
                if (pos_ < text_.size() && text_[pos_] == quote) {
                    field += quote;
                    ++pos_;
                    continue;
                }
                break;
            }
            if (pos_ < text_.size() && text_[pos_] != separator_ && text_[pos_] != cr && text_[pos_] != lf)
                return malformed(pos_, false);
        } else {
            qsizetype i = pos_;
            while (i < text_.size() && text_[i] != separator_ && text_[i] != cr && text_[i] != lf)
                ++i;
            field = text_.mid(pos_, i - pos_);
            pos_ = i;
        }
        row.Fields << field;
        if (pos_ < text_.size() && text_[pos_] == separator_) {
            ++pos_;
            continue;
        }
        break;
    }
    row.Text = text_.mid(start, pos_ - start);
    if (pos_ < text_.size())
        skipLineEnd();
    return true;
}

// ---- One row to a record ----

bool IsImportItem(int itemNo) { return itemNo >= 1 && itemNo < TextItemEnd; }

QString TextItemCaption(int itemNo)
{
    static const QString parts[] = {QStringLiteral("都道府県"), QStringLiteral("市区町村"), QStringLiteral("町域・番地"),
                                    QStringLiteral("建物名")};
    if (itemNo >= ipPrefecture)
        return parts[itemNo - ipPrefecture];
    if (itemNo >= liFirstKeyword && itemNo < liFirstKeyword + 8)
        return KeywordNames[itemNo - liFirstKeyword];
    return ListItemTable()[itemNo].Caption;
}

namespace {

// How many UTF-16 units the name edits of the record form take.
constexpr int NameUnits = 15;
constexpr int JointUnits = 11;
// The company name is typed into an edit of 112 bytes, though its field holds more.
constexpr int CorpKanjiBytes = 112;

// The sizes of the record's address fields, prefecture to building.
constexpr int AddressPartBytes[] = {8, 32, 100, 116};

// A date, a time or both, in the forms the list shows and spreadsheets write.
std::optional<QDateTime> readDateTime(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral(
        R"(^\s*(?:(\d{4})[/\-.](\d{1,2})[/\-.](\d{1,2}))?\s*(?:(\d{1,2}):(\d{2})(?::(\d{2}))?)?\s*$)"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch() || (m.capturedLength(1) == 0 && m.capturedLength(4) == 0))
        return std::nullopt;
    QDate date(1899, 12, 30);
    QTime time(0, 0);
    if (m.capturedLength(1)) {
        date = QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        if (!date.isValid())
            return std::nullopt;
    }
    if (m.capturedLength(4)) {
        time = QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
        if (!time.isValid())
            return std::nullopt;
    }
    return QDateTime(date, time);
}

// Where an address too long for its first field is cut: at most maxBytes in, on a character boundary with no
// blank on either side of it, since every reader of the record trims each field before joining them and a
// blank at the cut would vanish ("受付B 5F" read back as "受付B5F").
qsizetype addressCut(const QByteArray &address, qsizetype maxBytes)
{
    const qsizetype longest = Sjis::cutToBytes(address, maxBytes).size();
    if (longest == address.size())
        return longest;
    const auto blankAt = [&address](qsizetype at) {
        return address[at] == ' ' || (at + 1 < address.size() && address.mid(at, 2) == "\x81\x40");
    };
    QList<qsizetype> bounds;  // the character boundaries up to the longest cut
    for (qsizetype at = 0; at < longest; at += Sjis::isLeadByte(uchar(address[at])) ? 2 : 1)
        bounds.append(at);
    bounds.append(longest);
    for (qsizetype i = bounds.size() - 1; i > 0; --i)
        if (!blankAt(bounds[i - 1]) && !blankAt(bounds[i]))
            return bounds[i];
    return longest;
}

}  // namespace

TImportConverter::TImportConverter(const std::vector<int> &columnItems, double now)
    : columnItems_(columnItems), now_(now)
{
}

void TImportConverter::SetCategories(const QHash<QString, int32_t> &mains, const QHash<QString, int32_t> &subs)
{
    mains_ = mains;
    subs_ = subs;
}

bool TImportConverter::Convert(const QStringList &fields, TAddressRecord *record, QStringList *errors,
                               QStringList *notes, bool *cutAny) const
{
    TAddressRecord &r = *record;
    // A row starts as a record typed into the form does: the person's own name is printed on the postcard.
    r = NewAddressRecord();
    const int errorsBefore = static_cast<int>(errors->size());
    std::optional<QDate> addDate, updDate;
    std::optional<QTime> addTime, updTime;
    QString mainName, subName;
    bool anyValue = false;
    if (cutAny)
        *cutAny = false;
    // The address parts the row gives, each from the last of its columns that holds one.
    std::array<QString, 4> addressParts;
    for (size_t column = 0; column < columnItems_.size() && column < static_cast<size_t>(fields.size()); ++column) {
        const int item = columnItems_[column];
        const QString value = TrimBlanks(fields[static_cast<qsizetype>(column)]);
        if (item >= ipPrefecture && item <= ipBuilding && !value.isEmpty())
            addressParts[item - ipPrefecture] = value;
    }
    const QString joinedParts = addressParts[0] + addressParts[1] + addressParts[2] + addressParts[3];

    // A control code (a NUL, a DEL) would be stored inside the text and print as nothing or garbage.
    auto controlFree = [&](const QString &value, int itemNo, bool multiLine = false) {
        const auto refused = [multiLine](QChar c) {
            return IsControlChar(c) && !(multiLine && (c == u'\r' || c == u'\n' || c == u'\t'));
        };
        if (std::none_of(value.begin(), value.end(), refused))
            return true;
        *errors << QStringLiteral("「%1」に制御文字があります").arg(TextItemCaption(itemNo));
        return false;
    };
    auto encoded = [&](const QString &value, int itemNo, bool multiLine = false) -> std::optional<QByteArray> {
        if (!controlFree(value, itemNo, multiLine))
            return std::nullopt;
        QString missing;
        const QByteArray bytes = Sjis::encode(value, &missing);
        if (!missing.isEmpty()) {
            *errors << QStringLiteral("「%1」にShift-JISで表せない文字があります（%2）").arg(TextItemCaption(itemNo), missing);
            return std::nullopt;
        }
        for (const QChar c : value)
            if (Sjis::readBack(c) != c) {
                const QString note = QStringLiteral("「%1」の「%2」を「%3」にしました").arg(TextItemCaption(itemNo)).arg(c).arg(Sjis::readBack(c));
                if (!notes->contains(note))
                    *notes << note;
            }
        return bytes;
    };
    auto cut = [&](const QByteArray &bytes, int capacity, int itemNo) {
        const QByteArray kept = Sjis::cutToBytes(bytes, capacity);
        if (kept.size() < bytes.size()) {
            *notes << QStringLiteral("「%1」を%2バイトに切り詰めました").arg(TextItemCaption(itemNo)).arg(capacity);
            if (cutAny)
                *cutAny = true;
        }
        return kept;
    };
    auto text = [&](const QString &value, int capacity, int itemNo, QByteArray &field) {
        if (const auto bytes = encoded(value, itemNo))
            field = cut(*bytes, capacity, itemNo);
    };
    auto reading = [&](const QString &value, int capacity, int itemNo, QByteArray &field) {
        if (encoded(value, itemNo))
            field = cut(HalfKanaReading(value), capacity, itemNo);
    };
    auto name = [&](const QString &value, int units, int itemNo, QByteArray &field) {
        if (!controlFree(value, itemNo))
            return;
        const QString kept = CutToUnits(value, units);
        if (kept.size() < value.size()) {
            *notes << QStringLiteral("「%1」を%2文字に切り詰めました").arg(TextItemCaption(itemNo)).arg(units);
            if (cutAny)
                *cutAny = true;
        }
        field = WideToEscapedAnsi(kept);
    };
    auto number = [&](const QString &value, int itemNo, QByteArray &field, const QString &invalid) {
        const QByteArray half = ToHalfWidth(Sjis::encode(value));
        for (const char c : half)
            if (!(c >= '0' && c <= '9') && c != '-' && c != ' ') {
                *errors << invalid;
                return;
            }
        field = KeepNumberChars(half, NumberChars::Digits);
        if (field.size() > 11) {
            *errors << QStringLiteral("「%1」の桁数が多すぎます").arg(TextItemCaption(itemNo));
            field.clear();
        }
    };
    auto date = [&](const QString &value, int itemNo, std::optional<QDate> *d, std::optional<QTime> *t) {
        const std::optional<QDateTime> read = readDateTime(value);
        if (!read) {
            *errors << QStringLiteral("「%1」が日時として読めません").arg(TextItemCaption(itemNo));
            return;
        }
        if (d && read->date() != QDate(1899, 12, 30))
            *d = read->date();
        if (t)
            *t = read->time();
    };

    for (size_t column = 0; column < columnItems_.size() && column < static_cast<size_t>(fields.size()); ++column) {
        const int item = columnItems_[column];
        const QString value = TrimBlanks(fields[static_cast<qsizetype>(column)]);
        if (!IsImportItem(item) || value.isEmpty())
            continue;
        anyValue = true;
        const QString telMessage = QStringLiteral("電話番号は半角数字かハイフンのみが有効です  ");
        switch (item) {
        case 1: {
            const auto found = std::find(GroupNames.begin() + 1, GroupNames.end(), value);
            if (found != GroupNames.end())
                r.Group = static_cast<int32_t>(found - GroupNames.begin());
            else if (value != GroupNames[0])
                *notes << QStringLiteral("グループ「%1」がないためグループなしにしました").arg(value);
            break;
        }
        case 2: text(value, 20, item, r.CustomCode); break;
        case 3: number(value, item, r.Tel, telMessage); break;
        case 4: r.TelDiv = value == QLatin1String("0") ? 0 : 3; break;
        case 5: number(value, item, r.Fax, QStringLiteral("FAX番号は半角数字かハイフンのみが有効です  ")); break;
        case 6: number(value, item, r.Portable1, QStringLiteral("携帯番号は半角数字かハイフンのみが有効です  ")); break;
        case 7: number(value, item, r.Portable2, QStringLiteral("携帯番号は半角数字かハイフンのみが有効です  ")); break;
        case 8: {
            number(value, item, r.Pos, QStringLiteral("正しい郵便番号を入力してください  "));
            const qsizetype digits = r.Pos.size();
            if (digits != 0 && digits != 3 && digits != 5 && digits != 7) {
                *errors << QStringLiteral("正しい桁数の郵便番号を入力してください  ");
                r.Pos.clear();
            }
            break;
        }
        case 9: {
            // A whole address that is its parts joined, as the export writes it beside them, says no more than
            // they do; split at its prefecture alone it would move the municipality and the building.
            if (value == joinedParts)
                break;
            const auto bytes = encoded(value, item);
            if (!bytes)
                break;
            QByteArray prefecture, rest;
            SplitPrefecture(*bytes, prefecture, rest);
            r.Tdfkn = prefecture;
            // Without a dictionary the municipality cannot be told from the town: the rest goes to the town's
            // field and what it cannot hold to the building's. A rest longer than both starts in the
            // municipality's, when no column gives that, so that all the record holds is kept.
            if (rest.size() > AddressPartBytes[2] + AddressPartBytes[3] && addressParts[1].isEmpty()) {
                r.Adrs1 = rest.left(addressCut(rest, AddressPartBytes[1]));
                rest = rest.mid(r.Adrs1.size());
            }
            r.Adrs2 = rest.left(addressCut(rest, AddressPartBytes[2]));
            r.Adrs3 = cut(rest.mid(r.Adrs2.size()), AddressPartBytes[3], item);
            break;
        }
        case 10: reading(value, 100, item, r.AdrsKana); break;
        case ipPrefecture:
        case ipMunicipality:
        case ipTown:
        case ipBuilding: break;  // read above
        case 11: r.PrivCorp = value == QStringLiteral("個人"); break;
        case 12: text(value, CorpKanjiBytes, item, r.CorpKanji); break;
        case 13: reading(value, 80, item, r.CorpKana); break;
        case 14: text(value, 100, item, r.Dptmnt); break;
        case 15: text(value, 50, item, r.Post); break;
        case 16: name(value, NameUnits, item, r.NameKanji); break;
        case 17: reading(value, 25, item, r.NameKana); break;
        case 18: text(value, 128, item, r.URL); break;
        case 19: text(value, 64, item, r.EMail1); break;
        case 20: text(value, 64, item, r.EMail2); break;
        case 34: {
            if (const auto bytes = encoded(value, item, true)) {
                QByteArray note = *bytes;
                note.replace("\r\n", "\n").replace('\r', '\n');
                r.Note = note.split('\n');
            }
            break;
        }
        case 35: {
            const qsizetype colour = value.lastIndexOf(QStringLiteral(",$"));
            text(colour < 0 ? value : value.left(colour), 10, item, r.SymbolMark);
            if (colour >= 0)
                r.SymbolColor = static_cast<int32_t>(value.mid(colour + 2).toUInt(nullptr, 16));
            break;
        }
        case 36: date(value, item, &addDate, &addTime); break;
        case 37: date(value, item, &addDate, nullptr); break;
        case 38: date(value, item, nullptr, &addTime); break;
        case 39: date(value, item, &updDate, &updTime); break;
        case 40: date(value, item, &updDate, nullptr); break;
        case 41: date(value, item, nullptr, &updTime); break;
        case 42: mainName = value; break;
        case 43: subName = value; break;
        default:
            if (item >= 21 && item <= 25)
                name(value, JointUnits, item, r.Joint[item - 21]);
            else if (item >= liFirstKeyword && item < liFirstKeyword + 8)
                text(value, 100, item, r.Keyword[item - liFirstKeyword]);
            break;
        }
    }
    if (!anyValue) {
        *errors << QStringLiteral("取り込む項目がありません");
        return false;
    }
    // A part fills its own field in place of what a whole address put there, whichever column comes first; a
    // building follows what of a whole address ran over into the building's field.
    QByteArray *const partFields[] = {&r.Tdfkn, &r.Adrs1, &r.Adrs2, &r.Adrs3};
    for (int part = 0; part < 4; ++part) {
        const int item = ipPrefecture + part;
        const auto bytes = addressParts[part].isEmpty() ? std::nullopt : encoded(addressParts[part], item);
        if (bytes)
            *partFields[part] = cut((item == ipBuilding ? r.Adrs3 : QByteArray()) + *bytes, AddressPartBytes[part], item);
    }
    if (!mainName.isEmpty()) {
        r.CodeMain = mains_.value(mainName, 0);
        if (r.CodeMain == 0)
            *notes << QStringLiteral("大分類「%1」がないため分類なしにしました").arg(mainName);
    }
    if (!subName.isEmpty() && r.CodeMain > 0) {
        const int32_t sub = subs_.value(QString::number(r.CodeMain) + QLatin1Char('\t') + subName, 0);
        r.CodeSub = sub % 100;
        if (sub == 0)
            *notes << QStringLiteral("小分類「%1」がないため小分類なしにしました").arg(subName);
    }
    auto moment = [this](const std::optional<QDate> &d, const std::optional<QTime> &t, bool cutToSeconds) {
        if (!d && !t)
            return cutToSeconds ? DateTimeToDouble(TruncateToSeconds(DoubleToDateTime(now_))) : now_;
        const QDate day = d.value_or(DoubleToDateTime(now_).date());
        return DateTimeToDouble(QDateTime(day, t.value_or(QTime(0, 0))));
    };
    r.AddDateTime = moment(addDate, addTime, true);
    r.UpdDateTime = moment(updDate, updTime, false);
    return errors->size() == errorsBefore;
}

// ---- The run ----

int TImportOutcome::RejectedCount() const
{
    return static_cast<int>(std::count_if(Problems.begin(), Problems.end(), [](const TImportProblem &p) { return p.Rejected; }));
}

int TImportOutcome::CutCount() const
{
    return static_cast<int>(std::count_if(Problems.begin(), Problems.end(), [](const TImportProblem &p) { return p.Cut; }));
}

TImportOutcome ImportRows(TTable &table, TCsvReader &reader, const TImportConverter &converter, bool skipHeader,
                          int limit, const std::function<bool(qsizetype, qsizetype)> &progress)
{
    TImportOutcome outcome;
    QElapsedTimer sinceAsked;
    sinceAsked.start();
    try {
        int count = table.RecordCount();
        table.SetIndexName(QString());
        table.StartTransaction();
        try {
            TCsvRow row;
            TAddressRecord record;
            QStringList errors, notes;
            bool cut = false;
            bool first = true;
            while (reader.Next(row)) {
                if (first && skipHeader) {
                    first = false;
                    continue;
                }
                first = false;
                if (sinceAsked.elapsed() >= 50) {
                    sinceAsked.restart();
                    if (progress && !progress(reader.Position(), reader.Size())) {
                        table.Rollback();
                        outcome.Stopped = true;
                        outcome.Added = 0;
                        return outcome;
                    }
                }
                // An empty line is no record and no fault.
                if (!row.Malformed && row.Fields.size() == 1 && row.Fields[0].isEmpty())
                    continue;
                if (row.Malformed) {
                    outcome.Problems.push_back({row.Line, QStringLiteral("引用符（\"）の対応が正しくありません"), row.Text, true});
                    continue;
                }
                errors.clear();
                notes.clear();
                if (!converter.Convert(row.Fields, &record, &errors, &notes, &cut)) {
                    outcome.Problems.push_back({row.Line, errors.join(QStringLiteral("、")), row.Text, true});
                    continue;
                }
                if (count >= limit) {
                    outcome.Problems.push_back({row.Line, QStringLiteral("最大登録件数10万件に達しました"), row.Text, true});
                    continue;
                }
                table.Append();
                SetAddressRecordFields(table, record);
                table.Post();
                ++count;
                ++outcome.Added;
                if (!notes.isEmpty())
                    outcome.Problems.push_back({row.Line, notes.join(QStringLiteral("、")), row.Text, false, cut});
            }
            table.Commit();
        } catch (const EDatabaseError &) {
            table.Cancel();
            table.Rollback();
            throw;
        }
    } catch (const EDatabaseError &e) {
        outcome.Failure = DatabaseErrorDetail(e);
        outcome.Added = 0;
    }
    if (progress)
        progress(reader.Size(), reader.Size());
    return outcome;
}

QByteArray ImportReport(const TImportOutcome &outcome)
{
    QString report;
    for (const TImportProblem &p : outcome.Problems) {
        QString line = p.Text;
        line.replace(QLatin1String("\r\n"), QLatin1String(" ")).replace(QLatin1Char('\n'), QLatin1Char(' '))
            .replace(QLatin1Char('\r'), QLatin1Char(' '));
        report += QStringLiteral("%1行目: %2%3: %4\r\n")
                      .arg(p.Line)
                      .arg(p.Rejected ? QStringLiteral("取り込めませんでした（") : QStringLiteral("取り込みました（"),
                           TrimBlanks(p.Reason) + QStringLiteral("）"), line);
    }
    // UTF-8: a line refused for a character Shift-JIS lacks must show that character.
    return "\xEF\xBB\xBF" + report.toUtf8();
}
