// Shift-JIS (code page 932) conversion: the one door between the program's 8-bit strings and Qt's UTF-16.
#pragma once

#include <QByteArray>
#include <QString>

namespace Sjis {

// The character a sign is stored as. The converter has no byte of its own for ¢ £ ¥ ¬ ‾: it leaves some out
// and folds ¥ and ‾ onto the backslash and the tilde, which read back as those. Their full-width forms are in
// Shift-JIS and look as typed, so encode() writes those.
QChar storedForm(QChar c);

// The character Shift-JIS text written from c reads back as: c itself, or the one written in its place (the
// full-width forms of storedForm(), and the converter's look-alikes, such as 鴎 for 鷗 and ～ for 〜). A
// character Shift-JIS lacks, written as "?", and half of a surrogate pair give c. The converter has look-alikes
// for characters of the basic plane only. A field puts the character read back in place of the one that
// arrives, and says so, so that what it shows is what is stored.
QChar readBack(QChar c);

// Decodes Shift-JIS bytes; invalid byte sequences become U+FFFD.
QString decode(QByteArrayView bytes);
// The offset of the first byte that begins no Shift-JIS character (a byte or pair the code page does not
// assign, a lead byte without its trail byte), -1 when every byte is part of one: text that is not Shift-JIS.
qsizetype firstUndecodable(QByteArrayView bytes);

// Encodes to Shift-JIS, each character as its storedForm().
// A character with no Shift-JIS form is written as "?" and appended to *unmappable, so a caller that must not
// lose text can refuse the result instead of storing garbage.
QByteArray encode(QStringView text, QString *unmappable = nullptr);

// True when every character of text has a Shift-JIS form.
bool canEncode(QStringView text);

// The first byte of a double-byte character.
constexpr bool isLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// The longest prefix of text of at most maxBytes bytes that ends on a character boundary. Walking from the
// start is what tells a lead byte from a trail byte of the same value.
QByteArray cutToBytes(const QByteArray &text, qsizetype maxBytes);

}  // namespace Sjis
