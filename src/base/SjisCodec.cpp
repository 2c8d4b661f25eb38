#include "base/SjisCodec.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

#include <algorithm>
#include <memory>
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

// The converter maps these Latin-1 signs to nothing; users mean the full-width forms.
QString premapLatin(QStringView text)
{
    QString s = text.toString();
    for (QChar &c : s) {
        switch (c.unicode()) {
        case 0x00A2: c = QChar(0xFFE0); break;
        case 0x00A3: c = QChar(0xFFE1); break;
        case 0x00AC: c = QChar(0xFFE2); break;
        default: break;
        }
    }
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

}  // namespace

namespace Sjis {

QString decode(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return {};
    // Most stored text is plain ASCII (codes, telephone numbers, addresses in Latin letters); the converter
    // maps printable ASCII to itself, so that needs no converter (it swaps a few control codes, left to it).
    if (std::all_of(bytes.begin(), bytes.end(), [](char b) { return b >= 0x20 && b <= 0x7E; }))
        return QString::fromLatin1(bytes.data(), bytes.size());
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

QByteArray encode(QStringView text, QString *unmappable)
{
    Unmapped u{unmappable, false};
    return encodeWith(text, u);
}

bool canEncode(QStringView text)
{
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
