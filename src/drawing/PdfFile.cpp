#include "drawing/PdfFile.h"

#include <QFile>

#define POINTERHOLDER_TRANSITION 4
#include <qpdf/FileInputSource.hh>
#include <qpdf/Pl_Flate.hh>
#include <qpdf/Pl_String.hh>
#include <qpdf/QPDFTokenizer.hh>

#include <algorithm>
#include <cstring>
#include <set>
#include <stdexcept>

namespace {

// Beyond the most objects a PDF may hold: a table claiming more is damaged.
constexpr qint64 MaxObjects = 8388608;
constexpr int MaxDepth = 64;
constexpr qsizetype Chunk = 1 << 20;

[[noreturn]] void damaged(const char *what) { throw std::runtime_error(what); }

bool isSpace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0'; }

QByteArray bytesOf(const std::string &text) { return QByteArray(text.data(), qsizetype(text.size())); }

}  // namespace

const TPdfValue &TPdfValue::Key(QByteArrayView name) const
{
    static const TPdfValue none;
    for (auto entry = Entries.rbegin(); entry != Entries.rend(); ++entry)
        if (entry->Key == name)
            return entry->Value;
    return none;
}

TPdfFile::TPdfFile(const QString &file)
    : input_(std::make_shared<FileInputSource>(QFile::encodeName(file).constData())),
      tokenizer_(std::make_unique<QPDFTokenizer>())
{
    tokenizer_->allowEOF();
    input_->seek(0, SEEK_END);
    size_ = input_->tell();
    const qint64 tail = std::min<qint64>(size_, 1024);
    const QByteArrayView end = bytes(size_ - tail, tail);
    const qsizetype at = end.toByteArray().lastIndexOf("startxref");
    if (at < 0)
        damaged("no startxref");
    qint64 pos = size_ - tail + at + 9;
    lastXref_ = number(pos);
    readSections(lastXref_);
}

TPdfFile::~TPdfFile() = default;

QByteArrayView TPdfFile::bytes(qint64 pos, qsizetype n)
{
    if (pos < 0 || pos >= size_ || n <= 0)
        return {};
    const qint64 end = std::min(pos + n, size_);
    if (pos < windowStart_ || end > windowStart_ + window_.size()) {
        window_.resize(std::max(Chunk, n));
        input_->seek(pos, SEEK_SET);
        window_.resize(qsizetype(input_->read(window_.data(), size_t(window_.size()))));
        windowStart_ = pos;
    }
    const qint64 at = pos - windowStart_;
    return QByteArrayView(window_).sliced(at, std::min<qint64>(end - pos, window_.size() - at));
}

// Moves pos past white space.
void TPdfFile::skipSpace(qint64 &pos)
{
    for (QByteArrayView text = bytes(pos, 64); !text.isEmpty(); text = bytes(pos, 64)) {
        qsizetype i = 0;
        while (i < text.size() && isSpace(text[i]))
            ++i;
        pos += i;
        if (i < text.size())
            return;
    }
}

// The unsigned number after pos and any white space; pos then stands after it.
qint64 TPdfFile::number(qint64 &pos)
{
    skipSpace(pos);
    const QByteArrayView text = bytes(pos, 16);
    qint64 value = 0;
    qsizetype digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9')
        value = value * 10 + (text[digits++] - '0');
    if (digits == 0 || digits == 16)
        damaged("number expected");
    pos += digits;
    return value;
}

// The sections from the newest back along /Prev; an entry of a newer section hides the older ones.
void TPdfFile::readSections(qint64 at)
{
    std::set<qint64> read;
    for (bool newest = true; at >= 0 && read.insert(at).second; newest = false) {
        qint64 pos = at;
        if (!bytes(pos, 4).startsWith("xref")) {
            // A cross-reference stream is an object of its own.
            input_->seek(pos, SEEK_SET);
            if (!tokenizer_->readToken(input_, "PDF", true).isInteger()
                || !tokenizer_->readToken(input_, "PDF", true).isInteger()
                || !tokenizer_->readToken(input_, "PDF", true).isWord("obj"))
                damaged("no cross-reference section where the file says");
            indexed_ = false;
            return;
        }
        pos += 4;
        for (;;) {
            skipSpace(pos);
            if (bytes(pos, 7).startsWith("trailer"))
                break;
            const qint64 first = number(pos);
            const qint64 count = number(pos);
            if (first + count > MaxObjects || count > (size_ - pos) / 18)
                damaged("cross-reference section too long");
            if (std::size_t(first + count) > offsets_.size())
                offsets_.resize(std::size_t(first + count), 0);
            for (qint64 i = first; i < first + count; ++i) {
                const qint64 offset = number(pos);
                number(pos);  // the generation, which the object's own text gives
                skipSpace(pos);
                const QByteArrayView kind = bytes(pos++, 1);
                if (kind.isEmpty() || (kind[0] != 'n' && kind[0] != 'f'))
                    damaged("cross-reference entry expected");
                if (offsets_[std::size_t(i)] == 0)
                    offsets_[std::size_t(i)] = kind[0] == 'n' && offset > 0 && offset < size_ ? offset : -1;
            }
        }
        input_->seek(pos + 7, SEEK_SET);
        const TPdfValue trailer = parse(0);
        if (trailer.Kind != TPdfValue::Dictionary)
            damaged("trailer expected");
        if (newest) {
            trailer_ = trailer;
            // A table of the older kind pointing to a stream of the newer one for objects it does not list.
            if (trailer.Key("/XRefStm").Kind != TPdfValue::Null)
                indexed_ = false;
        }
        const TPdfValue &prev = trailer.Key("/Prev");
        at = prev.Kind == TPdfValue::Integer ? prev.Text.toLongLong() : -1;
    }
}

TPdfValue TPdfFile::parse(int depth)
{
    if (depth > MaxDepth)
        damaged("nested too deeply");
    using Token = QPDFTokenizer::Token;
    const Token token = tokenizer_->readToken(input_, "PDF");
    TPdfValue value;
    value.Start = input_->getLastOffset();
    value.Text = bytesOf(token.getValue());
    switch (token.getType()) {
    case QPDFTokenizer::tt_integer: {
        value.Kind = TPdfValue::Integer;
        // "n g R" refers to an object.
        const qint64 after = input_->tell();
        const Token generation = tokenizer_->readToken(input_, "PDF", true);
        if (generation.getType() == QPDFTokenizer::tt_integer
            && tokenizer_->readToken(input_, "PDF", true).isWord("R")) {
            bool ok = false;
            bool generationOk = false;
            value.Kind = TPdfValue::Reference;
            value.Number = value.Text.toInt(&ok);
            value.Generation = bytesOf(generation.getValue()).toInt(&generationOk);
            if (!ok || !generationOk || value.Number <= 0)
                damaged("bad reference");
            value.Text.clear();
        } else {
            input_->seek(after, SEEK_SET);
        }
        break;
    }
    case QPDFTokenizer::tt_real:
        value.Kind = TPdfValue::Real;
        break;
    case QPDFTokenizer::tt_name:
        value.Kind = TPdfValue::Name;
        break;
    case QPDFTokenizer::tt_string:
        value.Kind = TPdfValue::String;
        break;
    case QPDFTokenizer::tt_bool:
        value.Kind = TPdfValue::Boolean;
        break;
    case QPDFTokenizer::tt_null:
        break;
    case QPDFTokenizer::tt_array_open:
        value.Kind = TPdfValue::Array;
        for (;;) {
            const qint64 at = input_->tell();
            if (tokenizer_->readToken(input_, "PDF").getType() == QPDFTokenizer::tt_array_close)
                break;
            input_->seek(at, SEEK_SET);
            value.Items.push_back(parse(depth + 1));
        }
        break;
    case QPDFTokenizer::tt_dict_open:
        value.Kind = TPdfValue::Dictionary;
        for (;;) {
            const Token key = tokenizer_->readToken(input_, "PDF");
            if (key.getType() == QPDFTokenizer::tt_dict_close)
                break;
            if (key.getType() != QPDFTokenizer::tt_name)
                damaged("dictionary key expected");
            value.Entries.push_back({bytesOf(key.getValue()), parse(depth + 1)});
        }
        break;
    default:
        damaged("value expected");
    }
    value.End = input_->tell();
    return value;
}

TPdfValue TPdfFile::Object(int number)
{
    if (number <= 0 || std::size_t(number) >= offsets_.size() || offsets_[std::size_t(number)] <= 0)
        return {};
    input_->seek(offsets_[std::size_t(number)], SEEK_SET);
    const QPDFTokenizer::Token id = tokenizer_->readToken(input_, "PDF");
    const QPDFTokenizer::Token generation = tokenizer_->readToken(input_, "PDF");
    if (!id.isInteger() || bytesOf(id.getValue()).toInt() != number || !generation.isInteger()
        || !tokenizer_->readToken(input_, "PDF").isWord("obj"))
        damaged("object not where the table says");
    TPdfValue value = parse(0);
    if (value.Kind != TPdfValue::Dictionary || !tokenizer_->readToken(input_, "PDF", true).isWord("stream"))
        return value;
    // The data starts after the end of the keyword's line.
    qint64 start = input_->tell();
    if (bytes(start, 1).startsWith('\r'))
        ++start;
    if (bytes(start, 1).startsWith('\n'))
        ++start;
    if (++resolving_ > 4)
        damaged("stream length refers to itself");
    const TPdfValue length = Resolved(value.Key("/Length"));
    --resolving_;
    bool ok = false;
    value.Kind = TPdfValue::Stream;
    value.DataStart = start;
    value.DataSize = length.Kind == TPdfValue::Integer ? length.Text.toLongLong(&ok) : 0;
    if (!ok || value.DataSize < 0 || value.DataSize > size_ - start)
        damaged("bad stream length");
    return value;
}

TPdfValue TPdfFile::Resolved(const TPdfValue &value)
{
    return value.Kind == TPdfValue::Reference ? Object(value.Number) : value;
}

QByteArray TPdfFile::StreamData(const TPdfValue &stream)
{
    QByteArray stored(qsizetype(stream.DataSize), Qt::Uninitialized);
    input_->seek(stream.DataStart, SEEK_SET);
    if (stream.Kind != TPdfValue::Stream || input_->read(stored.data(), size_t(stored.size())) != size_t(stored.size()))
        damaged("stream data missing");
    TPdfValue filter = Resolved(stream.Key("/Filter"));
    if (filter.Kind == TPdfValue::Array && filter.Items.size() == 1)
        filter = Resolved(filter.Items.front());
    if (filter.Kind == TPdfValue::Null)
        return stored;
    if (!filter.IsName("/FlateDecode") || Resolved(stream.Key("/DecodeParms")).Kind != TPdfValue::Null)
        damaged("stream filter not read");
    std::string data;
    Pl_String sink("stream data", nullptr, data);
    Pl_Flate flate("stream data", &sink, Pl_Flate::a_inflate);
    flate.write(reinterpret_cast<const unsigned char *>(stored.constData()), size_t(stored.size()));
    flate.finish();
    return bytesOf(data);
}

QByteArray TPdfFile::Source(const TPdfValue &value)
{
    QByteArray text(qsizetype(value.End - value.Start), Qt::Uninitialized);
    input_->seek(value.Start, SEEK_SET);
    text.resize(qsizetype(input_->read(text.data(), size_t(text.size()))));
    return text;
}

std::vector<int> TPdfFile::ObjectsWith(QByteArrayView word)
{
    // The word is rare: one search through the file in large pieces (each overlapping the one before by the
    // word's length, for a word across their border) costs less than one in each object's text.
    std::vector<qint64> hits;
    for (qint64 pos = 0; !word.isEmpty();) {
        const QByteArrayView text = bytes(pos, Chunk);
        for (const char *at = text.data(); (at = static_cast<const char *>(
                                                 memmem(at, std::size_t(text.end() - at), word.data(), word.size())));
             ++at)
            hits.push_back(pos + (at - text.data()));
        if (text.size() < Chunk)
            break;
        pos += text.size() - word.size() + 1;
    }
    // Each find's object, the last to start at or before it, and where the next one starts, in one pass
    // through the table: an object starting between two finds is the later one's at most and the earlier
    // one's next at least.
    std::vector<qint64> owner(hits.size(), 0);
    std::vector<qint64> next(hits.size(), size_);
    for (qint64 offset : offsets_) {
        if (offset <= 0)
            continue;
        const std::size_t after = std::size_t(std::lower_bound(hits.begin(), hits.end(), offset) - hits.begin());
        if (after < hits.size())
            owner[after] = std::max(owner[after], offset);
        if (after > 0)
            next[after - 1] = std::min(next[after - 1], offset);
    }
    for (std::size_t i = 1; i < hits.size(); ++i)
        owner[i] = std::max(owner[i], owner[i - 1]);
    for (std::size_t i = hits.size(); i-- > 1;)
        next[i - 1] = std::min(next[i - 1], next[i]);
    std::vector<int> found;
    for (std::size_t i = 0; i < hits.size(); ++i) {
        const qint64 start = owner[i];
        // Within its object's head and before any stream data, which may hold the word by chance.
        if (start <= 0 || hits[i] + word.size() > std::min(next[i], start + HeadBytes)
            || bytes(start, hits[i] - start).contains("stream"))
            continue;
        qint64 pos = start;
        const qint64 number = this->number(pos);
        if (number < qint64(offsets_.size()) && offsets_[std::size_t(number)] == start
            && (found.empty() || found.back() != int(number)))
            found.push_back(int(number));
    }
    return found;
}
