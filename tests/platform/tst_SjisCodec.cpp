#include "base/SjisCodec.h"

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
