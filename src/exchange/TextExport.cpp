#include "exchange/TextExport.h"

#include "base/TextUtils.h"
#include "db/DatabaseError.h"
#include "db/Table.h"
#include "base/FileReplace.h"
#include "base/SjisCodec.h"

#include <QElapsedTimer>
#include <QHash>

namespace {

// One line of the items' cells, quoted where a spreadsheet needs it, ended by CR LF, into line (whose room is
// kept from one line to the next).
void makeCsvLine(QString &line, const std::vector<int> &items, char separator, const std::function<QString(int)> &cell)
{
    line.resize(0);
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            line += QLatin1Char(separator);
        AppendCsvField(line, cell(items[i]), separator);
    }
    line += QLatin1String("\r\n");
}

}  // namespace

TExportOutcome ExportRows(TTable &table, const std::vector<std::pair<int, int32_t>> &rows, const TExportOptions &options,
                          const TCategoryNameFn &categoryName, const QString &fileName,
                          const std::function<bool(int, int)> &progress)
{
    TExportOutcome outcome;
    const int total = static_cast<int>(rows.size());
    // Each line is encoded as it is made (the whole text as UTF-16 would be twice its size again) and appended to
    // one text in the order the lines are made; where each row's line lies puts them in the rows' order at the
    // end. A buffer per line would be 100,000 allocations, each with room to spare.
    QByteArray made;
    struct Span {
        qsizetype Start = 0;
        qsizetype Size = 0;
    };
    std::vector<Span> lines(rows.size());
    auto encode = [&](const QString &text) {
        if (options.Encoding == TTextEncoding::Utf8)
            return text.toUtf8();
        for (const QChar c : text)
            if (c.unicode() >= 0x80 && Sjis::readBack(c) != c && !outcome.Replaced.contains(c))
                outcome.Replaced += c;
        return Sjis::encode(text, &outcome.Unmappable);
    };
    QElapsedTimer sinceAsked;
    sinceAsked.start();
    int done = 0;
    QString line;
    TListCells cells(table, categoryName);
    auto makeLine = [&](size_t at) {
        makeCsvLine(line, options.Items, options.Separator, [&](int item) {
            return item >= ipPrefecture ? cells.AddressParts()[item - ipPrefecture] : cells.Text(item, rows[at].first);
        });
        const qsizetype start = made.size();
        made += encode(line);
        lines[at] = {start, made.size() - start};
        ++done;
    };
    auto stopAsked = [&] {
        if (sinceAsked.elapsed() < 50)
            return false;
        sinceAsked.restart();
        return progress && !progress(done, total);
    };
    try {
        table.SetIndexName(QString());
        // Many rows are read in one walk over the table; a few by their keys.
        if (rows.size() * 8 >= static_cast<size_t>(std::max(1, table.RecordCount()))) {
            QHash<int32_t, size_t> where;
            where.reserve(static_cast<qsizetype>(rows.size()));
            for (size_t i = 0; i < rows.size(); ++i)
                where.insert(rows[i].second, i);
            TField &recNo = table.FieldByName(QStringLiteral("RecNo"));
            for (table.First(); !table.Eof(); table.Next()) {
                const auto found = where.constFind(recNo.AsInteger());
                if (found != where.constEnd())
                    makeLine(*found);
                if (stopAsked()) {
                    outcome.Stopped = true;
                    return outcome;
                }
            }
        } else {
            for (size_t i = 0; i < rows.size(); ++i) {
                if (table.FindKey({rows[i].second}))
                    makeLine(i);
                if (stopAsked()) {
                    outcome.Stopped = true;
                    return outcome;
                }
            }
        }
    } catch (const EDatabaseError &e) {
        outcome.Failure = e.Message;
        return outcome;
    }

    QByteArray bytes = options.Encoding == TTextEncoding::Utf8 ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    if (options.Header) {
        makeCsvLine(line, options.Items, options.Separator, TextItemCaption);
        bytes += encode(line);
    }
    bytes.reserve(bytes.size() + made.size());
    for (const Span &line : lines)
        bytes.append(made.constData() + line.Start, line.Size);
    made.clear();
    lines.clear();
    // A record deleted since the list was made has no line.
    outcome.Written = done;
    // Each missing character named once.
    QString missing;
    for (const char32_t c : outcome.Unmappable.toUcs4())
        if (!missing.contains(QString::fromUcs4(&c, 1)))
            missing += QString::fromUcs4(&c, 1);
    outcome.Unmappable = missing;
    if (!ReplaceFileWhole(fileName, bytes, {}, TFileAccess::UsersDefault)) {
        outcome.Failure = QStringLiteral("ファイルが書き込めませんでした  \r\n") + fileName + WriteFailureReason(errno);
        outcome.Written = 0;
    }
    if (progress)
        progress(total, total);
    return outcome;
}
