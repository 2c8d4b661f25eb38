// Shift-JIS (code page 932) conversion: the one door between the program's 8-bit strings and Qt's UTF-16.
#pragma once

#include <QByteArray>
#include <QString>

namespace Sjis {

// Decodes Shift-JIS bytes; invalid byte sequences become U+FFFD.
QString decode(QByteArrayView bytes);

// Encodes to Shift-JIS with the converter's fallbacks (so ¢ £ ¬ and similar land on their full-width forms).
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
