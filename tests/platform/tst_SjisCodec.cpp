#include "base/SjisCodec.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

#include <gtest/gtest.h>

TEST(SjisCodec, RoundTripsJapaneseAndAscii)
{
    const QString text = QStringLiteral("東京都千代田区丸の内１－１ ｶﾌﾞｼｷｶﾞｲｼｬ ABC-123 ①");
    const QByteArray bytes = Sjis::encode(text);
    EXPECT_EQ(Sjis::decode(bytes), text);
    // 東 is 0x93 0x8C; half-width katakana are single bytes.
    EXPECT_EQ(Sjis::encode(QStringLiteral("東")), QByteArray("\x93\x8C"));
    EXPECT_EQ(Sjis::encode(QStringLiteral("ｱ")), QByteArray("\xB1"));
}

TEST(SjisCodec, PlainAsciiDecodesAsTheConverterDoes)
{
    // Printable ASCII decodes to itself, backslash and tilde included; the converter swaps three control
    // codes, so text holding them must still reach it.
    EXPECT_EQ(Sjis::decode(QByteArray("\\ ~ 03-1234-5678 Abc")), QStringLiteral("\\ ~ 03-1234-5678 Abc"));
    EXPECT_EQ(Sjis::decode(QByteArray("a\x1A")), QString::fromUtf16(u"a\x1C"));
    EXPECT_EQ(Sjis::decode(QByteArray("a\x1C")), QString::fromUtf16(u"a\x7F"));
    EXPECT_EQ(Sjis::decode(QByteArray("a\x7F")), QString::fromUtf16(u"a\x1A"));
}

TEST(SjisCodec, CodePage932ExtensionsAndFallbacks)
{
    // NEC special characters and IBM extensions belong to code page 932.
    EXPECT_EQ(Sjis::encode(QStringLiteral("①")), QByteArray("\x87\x40"));
    EXPECT_TRUE(Sjis::canEncode(QStringLiteral("髙﨑")));
    // Latin-1 signs users type land on their full-width forms instead of being lost.
    QString lost;
    EXPECT_EQ(Sjis::encode(QStringLiteral("¢£¬"), &lost), Sjis::encode(QStringLiteral("￠￡￢")));
    EXPECT_TRUE(lost.isEmpty());
    // ¥ and ‾ too: the converter's own fallback makes them a backslash and a tilde, which is what reads back.
    EXPECT_EQ(Sjis::decode(Sjis::encode(QStringLiteral("¥100‾"), &lost)), QStringLiteral("￥100￣"));
    EXPECT_TRUE(lost.isEmpty());
    EXPECT_EQ(Sjis::decode(Sjis::encode(QStringLiteral("\\~"))), QStringLiteral("\\~"));
    // The wave dash and the minus of other encodings read back as code page 932 writes them.
    EXPECT_EQ(Sjis::decode(Sjis::encode(QStringLiteral("～"))), QStringLiteral("～"));
}

TEST(SjisCodec, UnmappableCharactersAreReportedNotHidden)
{
    QString lost;
    const QByteArray bytes = Sjis::encode(QStringLiteral("a😀b한c"), &lost);
    EXPECT_EQ(bytes, QByteArray("a?b?c"));
    EXPECT_EQ(lost, QStringLiteral("😀한"));
    EXPECT_FALSE(Sjis::canEncode(QStringLiteral("한")));
    // A lone surrogate is reported too, never written as half a character.
    lost.clear();
    Sjis::encode(QString(QChar(0xD800)), &lost);
    EXPECT_EQ(lost.size(), 1);
}

TEST(SjisCodec, InvalidBytesDecodeToReplacementCharacters)
{
    // A lead byte at the end and an undefined pair must not swallow the text that follows.
    const QString truncated = Sjis::decode(QByteArray("ab\x93"));
    EXPECT_TRUE(truncated.startsWith(QStringLiteral("ab")));
    EXPECT_EQ(truncated.size(), 3);
    EXPECT_TRUE(Sjis::decode(QByteArray("\xFF" "x")).endsWith('x'));
    EXPECT_TRUE(Sjis::decode(QByteArray()).isEmpty());
}

TEST(SjisCodec, LeadBytes)
{
    EXPECT_TRUE(Sjis::isLeadByte(0x81));
    EXPECT_TRUE(Sjis::isLeadByte(0x9F));
    EXPECT_TRUE(Sjis::isLeadByte(0xE0));
    EXPECT_TRUE(Sjis::isLeadByte(0xFC));
    EXPECT_FALSE(Sjis::isLeadByte(0xA0));
    EXPECT_FALSE(Sjis::isLeadByte(0xB1));  // half-width katakana stand alone
    EXPECT_FALSE(Sjis::isLeadByte(0x7F));
}

namespace {

// Every character without a form becomes "?", as the codec promises.
void questionMark(const void *, UConverterFromUnicodeArgs *args, const UChar *, int32_t, UChar32,
                  UConverterCallbackReason reason, UErrorCode *err)
{
    if (reason > UCNV_IRREGULAR)
        return;
    *err = U_ZERO_ERROR;
    ucnv_cbFromUWriteBytes(args, "?", 1, 0, err);
}

// The converter itself, asked about the whole text at once: what the codec's answers must equal.
struct Reference {
    UConverter *conv = nullptr;
    Reference()
    {
        UErrorCode err = U_ZERO_ERROR;
        conv = ucnv_open("windows-31j", &err);
        ucnv_setFallback(conv, true);
        ucnv_setFromUCallBack(conv, questionMark, nullptr, nullptr, nullptr, &err);
    }
    ~Reference() { ucnv_close(conv); }
    QString decode(const QByteArray &bytes) const
    {
        UErrorCode err = U_ZERO_ERROR;
        ucnv_resetToUnicode(conv);
        QString out(bytes.size() + 1, Qt::Uninitialized);
        const int32_t n = ucnv_toUChars(conv, reinterpret_cast<UChar *>(out.data()), out.size(), bytes.data(),
                                        bytes.size(), &err);
        out.truncate(n);
        return out;
    }
    QByteArray encode(const QString &text) const
    {
        UErrorCode err = U_ZERO_ERROR;
        ucnv_resetFromUnicode(conv);
        QByteArray out(text.size() * 2 + 8, Qt::Uninitialized);
        const int32_t n = ucnv_fromUChars(conv, out.data(), out.size(), reinterpret_cast<const UChar *>(text.utf16()),
                                          text.size(), &err);
        out.truncate(n);
        return out;
    }
};

}  // namespace

TEST(SjisCodec, EveryUnitAndByteConvertsAsTheConverterDoes)
{
    const Reference ref;
    // Every UTF-16 unit but the surrogates, alone and inside a text (a unit's bytes never depend on its
    // neighbours); the signs stored in their full-width forms are the codec's own choice, checked above.
    QString all;
    for (char32_t u = 0; u < 0x10000; ++u) {
        if ((u >= 0xD800 && u <= 0xDFFF) || Sjis::storedForm(QChar(char16_t(u))) != QChar(char16_t(u)))
            continue;
        const QString one(QChar(static_cast<char16_t>(u)));
        ASSERT_EQ(Sjis::encode(one), ref.encode(one)) << std::hex << unsigned(u);
        all += one;
    }
    // Asked twice: the second answer comes from what the first one learnt.
    for (int pass = 0; pass < 2; ++pass) {
        QString lost;
        EXPECT_EQ(Sjis::encode(all, &lost), ref.encode(all));
        // Each unit written as "?" is reported once, in order.
        QString expectedLost;
        for (const QChar c : all)
            if (ref.encode(QString(c)) == "?" && c != u'?')
                expectedLost += c;
        EXPECT_EQ(lost, expectedLost);
    }
    // Every single byte and every lead byte with every following byte, alone and in one text (with invalid
    // pairs and lone bytes among them, which the converter resolves).
    QByteArray bytes;
    for (int b = 0; b < 0x100; ++b) {
        const QByteArray one(1, static_cast<char>(b));
        ASSERT_EQ(Sjis::decode(one), ref.decode(one)) << b;
        if (!Sjis::isLeadByte(static_cast<unsigned char>(b)))
            continue;
        for (int t = 0; t < 0x100; ++t) {
            const QByteArray pair = one + static_cast<char>(t);
            ASSERT_EQ(Sjis::decode(pair), ref.decode(pair)) << b << ' ' << t;
            ASSERT_EQ(Sjis::decode("x" + pair + "y"), ref.decode("x" + pair + "y")) << b << ' ' << t;
            if (t >= 0x40 && t != 0x7F)
                bytes += pair;
        }
    }
    EXPECT_EQ(Sjis::decode(bytes), ref.decode(bytes));
}

TEST(SjisCodec, TextWithSurrogatesStillReachesTheConverter)
{
    // 𠮷 has no Shift-JIS form: written as one "?" and reported whole, with the text around it converted.
    QString lost;
    EXPECT_EQ(Sjis::encode(QStringLiteral("吉𠮷田a"), &lost), Sjis::encode(QStringLiteral("吉")) + "?" + Sjis::encode(QStringLiteral("田a")));
    EXPECT_EQ(lost, QStringLiteral("𠮷"));
    EXPECT_FALSE(Sjis::canEncode(QStringLiteral("田𠮷")));
    EXPECT_TRUE(Sjis::canEncode(QStringLiteral("田中 ｱ ①")));
}
