#include "base/SjisCodec.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>

namespace {

struct ConverterCloser {
    void operator()(UConverter *c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// ICU converters are not thread-safe; one per thread keeps conversion free of locks.
UConverter *converter()
{
    thread_local ConverterPtr conv = [] {
        UErrorCode err = U_ZERO_ERROR;
        ConverterPtr c(ucnv_open("windows-31j", &err));
        if (U_FAILURE(err) || !c)
            throw std::runtime_error("windows-31j converter unavailable");
        ucnv_setFallback(c.get(), true);
        return c;
    }();
    return conv.get();
}

struct Unmapped {
    QString *sink = nullptr;
    bool any = false;
};

void recordUnmappable(const void *context, UConverterFromUnicodeArgs *args, const UChar *, int32_t,
                      UChar32 codePoint, UConverterCallbackReason reason, UErrorCode *err)
{
    if (reason > UCNV_IRREGULAR)
        return;  // reset/close notifications carry no character
    auto *u = static_cast<Unmapped *>(const_cast<void *>(context));
    u->any = true;
    if (u->sink)
        u->sink->append(QString::fromUcs4(reinterpret_cast<const char32_t *>(&codePoint), 1));
    *err = U_ZERO_ERROR;
    ucnv_cbFromUWriteBytes(args, "?", 1, 0, err);
}

char16_t premapped(char16_t c) { return Sjis::storedForm(QChar(c)).unicode(); }

QString premapLatin(QStringView text)
{
    QString s = text.toString();
    for (QChar &c : s)
        c = QChar(premapped(c.unicode()));
    return s;
}

QByteArray encodeWith(QStringView text, Unmapped &unmapped)
{
    if (text.isEmpty())
        return {};
    const QString src = premapLatin(text);
    UConverter *conv = converter();
    ucnv_resetFromUnicode(conv);
    UErrorCode err = U_ZERO_ERROR;
    UConverterFromUCallback oldAction;
    const void *oldContext;
    ucnv_setFromUCallBack(conv, recordUnmappable, &unmapped, &oldAction, &oldContext, &err);
    QByteArray out(src.size() * 2 + 8, Qt::Uninitialized);
    const int32_t n = ucnv_fromUChars(conv, out.data(), out.size(), reinterpret_cast<const UChar *>(src.utf16()),
                                      src.size(), &err);
    UErrorCode restoreErr = U_ZERO_ERROR;
    ucnv_setFromUCallBack(conv, oldAction, oldContext, nullptr, nullptr, &restoreErr);
    if (U_FAILURE(err) && err != U_STRING_NOT_TERMINATED_WARNING)
        throw std::runtime_error(std::string("Shift-JIS encoding failed: ") + u_errorName(err));
    out.truncate(n);
    return out;
}


// The converter is stateless, so a UTF-16 unit (other than a surrogate) always encodes to the same bytes and a
// byte or a lead and trail byte always decode to the same unit. Each is asked of the converter once and kept:
// a list or an export converts every cell of every row, and a table look-up costs a fraction of a call.
// Entries: 0 not yet asked; Fast | value where the value is known; Slow where the converter must see the
// whole text (a unit or byte it reports, a byte pair that does not make one unit).
constexpr uint32_t Fast = 0x10000;
constexpr uint32_t Slow = 0x20000;
// A unit of the encoding table: the one byte b as 0x100 | b, two bytes as lead << 8 | trail (leads from 0x81),
// and Unmappable for a unit written as "?" and reported.
constexpr uint32_t OneByte = 0x100;
constexpr uint32_t Unmappable = 0xFFFF;

std::atomic<uint32_t> encodedUnits[0x10000];
std::atomic<char16_t> readBackUnits[0x10000];  // 0 not yet asked
std::atomic<uint32_t> decodedBytes[0x100];
std::atomic<uint32_t> decodedPairs[0x10000];

uint32_t learnEncoding(char16_t unit)
{
    Unmapped u;
    const QChar c(unit);
    const QByteArray b = encodeWith(QStringView(&c, 1), u);
    if (u.any)
        return b == "?" ? Fast | Unmappable : Slow;
    if (b.size() == 1)
        return Fast | OneByte | static_cast<unsigned char>(b[0]);
    if (b.size() == 2 && static_cast<unsigned char>(b[0]) >= 0x81)
        return Fast | static_cast<unsigned char>(b[0]) << 8 | static_cast<unsigned char>(b[1]);
    return Slow;
}

// What the converter makes of one byte or one pair alone, or Slow when it is not one unit without complaint.
uint32_t learnDecoding(const char *bytes, int size)
{
    UConverter *conv = converter();
    ucnv_resetToUnicode(conv);
    UErrorCode err = U_ZERO_ERROR;
    UConverterToUCallback oldAction;
    const void *oldContext;
    ucnv_setToUCallBack(conv, UCNV_TO_U_CALLBACK_STOP, nullptr, &oldAction, &oldContext, &err);
    UChar out[4];
    const int32_t n = ucnv_toUChars(conv, out, 4, bytes, size, &err);
    UErrorCode restoreErr = U_ZERO_ERROR;
    ucnv_setToUCallBack(conv, oldAction, oldContext, nullptr, nullptr, &restoreErr);
    ucnv_resetToUnicode(conv);
    if (U_FAILURE(err) || n != 1 || (out[0] >= 0xD800 && out[0] <= 0xDFFF))
        return Slow;
    return Fast | out[0];
}

template <class Learn>
uint32_t lookUp(std::atomic<uint32_t> &entry, Learn learn)
{
    uint32_t e = entry.load(std::memory_order_relaxed);
    if (e == 0) {
        e = learn();
        entry.store(e, std::memory_order_relaxed);
    }
    return e;
}

// The text through the tables, or nothing when a unit needs the converter to see the whole text.
std::optional<QByteArray> encodeByTable(QStringView text, QString *unmappable)
{
    if (text.isEmpty())
        return QByteArray();
    QByteArray out(text.size() * 2, Qt::Uninitialized);
    char *p = out.data();
    const qsizetype reported = unmappable ? unmappable->size() : 0;
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c >= 0xD800 && c <= 0xDFFF) {
            if (unmappable)
                unmappable->truncate(reported);
            return std::nullopt;
        }
        // A unit's entry holds what its premapped form encodes to.
        const uint32_t e = lookUp(encodedUnits[c], [c] { return learnEncoding(premapped(c)); });
        if (e == Slow) {
            if (unmappable)
                unmappable->truncate(reported);
            return std::nullopt;
        }
        const uint32_t v = e & 0xFFFF;
        if (v == Unmappable) {
            *p++ = '?';
            if (unmappable)
                unmappable->append(qc);
        } else if (v < 0x200) {
            *p++ = static_cast<char>(v & 0xFF);
        } else {
            *p++ = static_cast<char>(v >> 8);
            *p++ = static_cast<char>(v & 0xFF);
        }
    }
    out.truncate(p - out.data());
    return out;
}

// What the character at bytes[*at] decodes to alone (Slow when the converter complains of it, or a lead byte
// ends the bytes), *at moved past it.
uint32_t decodedAt(const unsigned char *b, qsizetype size, qsizetype *at)
{
    const qsizetype i = (*at)++;
    if (!Sjis::isLeadByte(b[i])) {
        const char single = static_cast<char>(b[i]);
        return lookUp(decodedBytes[b[i]], [single] { return learnDecoding(&single, 1); });
    }
    if (i + 1 == size)
        return Slow;
    ++*at;
    const char pair[2] = {static_cast<char>(b[i]), static_cast<char>(b[i + 1])};
    return lookUp(decodedPairs[b[i] << 8 | b[i + 1]], [&pair] { return learnDecoding(pair, 2); });
}

std::optional<QString> decodeByTable(QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *p = out.data();
    const auto *b = reinterpret_cast<const unsigned char *>(bytes.data());
    for (qsizetype i = 0; i < bytes.size();) {
        const uint32_t e = decodedAt(b, bytes.size(), &i);
        if (e == Slow)
            return std::nullopt;
        *p++ = QChar(static_cast<char16_t>(e & 0xFFFF));
    }
    out.truncate(p - out.data());
    return out;
}
}  // namespace

namespace Sjis {

QChar storedForm(QChar c)
{
    switch (c.unicode()) {
    case 0x00A2: return QChar(0xFFE0);
    case 0x00A3: return QChar(0xFFE1);
    case 0x00A5: return QChar(0xFFE5);
    case 0x00AC: return QChar(0xFFE2);
    case 0x203E: return QChar(0xFFE3);
    default: return c;
    }
}

QChar readBack(QChar c)
{
    const char16_t unit = c.unicode();
    if (unit < 0x80 || c.isSurrogate())
        return c;
    std::atomic<char16_t> &entry = readBackUnits[unit];
    char16_t back = entry.load(std::memory_order_relaxed);
    if (back == 0) {
        QString lost;
        const QString read = decode(encode(QStringView(&c, 1), &lost));
        back = lost.isEmpty() && read.size() == 1 ? read[0].unicode() : unit;
        entry.store(back, std::memory_order_relaxed);
    }
    return QChar(back);
}

QString decode(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return {};
    // Most stored text is plain ASCII (codes, telephone numbers, addresses in Latin letters); the converter
    // maps printable ASCII to itself, so that needs no converter (it swaps a few control codes, left to it).
    if (std::all_of(bytes.begin(), bytes.end(), [](char b) { return b >= 0x20 && b <= 0x7E; }))
        return QString::fromLatin1(bytes.data(), bytes.size());
    if (std::optional<QString> text = decodeByTable(bytes))
        return *std::move(text);
    UConverter *conv = converter();
    ucnv_resetToUnicode(conv);
    QString out(bytes.size() + 1, Qt::Uninitialized);
    UErrorCode err = U_ZERO_ERROR;
    const int32_t n = ucnv_toUChars(conv, reinterpret_cast<UChar *>(out.data()), out.size(), bytes.data(),
                                    bytes.size(), &err);
    if (U_FAILURE(err) && err != U_STRING_NOT_TERMINATED_WARNING)
        throw std::runtime_error(std::string("Shift-JIS decoding failed: ") + u_errorName(err));
    out.truncate(n);
    return out;
}

qsizetype firstUndecodable(QByteArrayView bytes)
{
    // Every character of the code page is one UTF-16 unit the converter gives without complaint.
    const auto *b = reinterpret_cast<const unsigned char *>(bytes.data());
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype start = i;
        if (decodedAt(b, bytes.size(), &i) == Slow)
            return start;
    }
    return -1;
}

QByteArray encode(QStringView text, QString *unmappable)
{
    if (std::optional<QByteArray> bytes = encodeByTable(text, unmappable))
        return *std::move(bytes);
    Unmapped u{unmappable, false};
    return encodeWith(text, u);
}

bool canEncode(QStringView text)
{
    QString lost;
    if (encodeByTable(text, &lost))
        return lost.isEmpty();
    Unmapped u;
    encodeWith(text, u);
    return !u.any;
}

QByteArray cutToBytes(const QByteArray &text, qsizetype maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    qsizetype end = 0;
    while (end < maxBytes) {
        const qsizetype step = isLeadByte(static_cast<unsigned char>(text[end])) ? 2 : 1;
        if (end + step > maxBytes)
            break;
        end += step;
    }
    return text.left(end);
}

}  // namespace Sjis
